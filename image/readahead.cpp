#include "image/readahead.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

class ReadAhead final : public PictureReader {
 public:
  explicit ReadAhead(std::unique_ptr<PictureReader> reader)
      : PictureReader(reader->header()), reader_(std::move(reader)) {
    const std::int32_t width = std::max(header().width, 1);
    // About 256 KiB a block, a few of them: the thread runs well ahead
    // between hand-overs, the rows handed over are still in the cache, and
    // memory does not grow with the picture.
    rowsPerBlock_ = std::clamp<std::int32_t>((1 << 18) / (width * 3), 1, 1024);
    for (auto& b : pool_) free_.push_back(&b);
    thread_ = std::jthread([this] { decode(); });
  }
  ~ReadAhead() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
  }

 protected:
  Status decodeRows(std::int32_t, tpixel* out, std::ptrdiff_t stride, std::int32_t count) override {
    return take(count, [&](const tpixel* rows, std::int32_t n) {
      for (std::int32_t i = 0; i < n; ++i, out += stride)
        std::copy_n(rows + static_cast<std::ptrdiff_t>(i) * header().width, header().width, out);
    });
  }
  Status skip(std::int32_t, std::int32_t count) override {
    return take(count, [](const tpixel*, std::int32_t) {});
  }

 private:
  struct Block {
    std::vector<tpixel> rows;
    std::int32_t count = 0;
    Status status = success();
  };

  void decode() {
    const std::int32_t height = header().height;
    for (std::int32_t y = 0; y < height;) {
      Block* b = nullptr;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || !free_.empty(); });
        if (stopping_) return;
        b = free_.front();
        free_.pop_front();
      }
      // Filled here rather than by the caller, which is not kept waiting.
      b->rows.resize(static_cast<std::size_t>(rowsPerBlock_) * static_cast<std::size_t>(header().width));
      b->count = std::min(rowsPerBlock_, height - y);
      b->status = reader_->readRows(b->rows.data(), header().width, b->count);
      y += b->count;
      const bool failed = !b->status;
      {
        std::lock_guard lock(mutex_);
        ready_.push_back(b);
      }
      changed_.notify_all();
      if (failed) return;
    }
  }

  // count rows from the blocks decoded, each run of them handed to use.
  template <class Use>
  Status take(std::int32_t count, Use use) {
    while (count > 0) {
      if (!current_) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !ready_.empty(); });
        current_ = ready_.front();
        ready_.pop_front();
        used_ = 0;
      }
      if (!current_->status) return current_->status;
      const std::int32_t n = std::min(count, current_->count - used_);
      use(current_->rows.data() + static_cast<std::ptrdiff_t>(used_) * header().width, n);
      used_ += n;
      count -= n;
      if (used_ == current_->count) {
        {
          std::lock_guard lock(mutex_);
          free_.push_back(std::exchange(current_, nullptr));
        }
        changed_.notify_all();
      }
    }
    return success();
  }

  std::unique_ptr<PictureReader> reader_;
  std::int32_t rowsPerBlock_ = 1;
  Block pool_[6];
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block*> free_, ready_;
  bool stopping_ = false;
  Block* current_ = nullptr;  // the consumer's, outside both queues
  std::int32_t used_ = 0;
  std::jthread thread_;  // last: joined before the members it uses go
};

}  // namespace

std::unique_ptr<PictureReader> readAhead(std::unique_ptr<PictureReader> reader) {
  return std::make_unique<ReadAhead>(std::move(reader));
}
