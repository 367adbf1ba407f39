#include "cli/batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include <unistd.h>

#include "cli/align.h"
#include "image/picture.h"
#include "platform/parallel.h"
#include "store/library.h"

namespace {

struct Batch {
  std::string dir, outDir;
  std::vector<SavedExport> exports;  // in Save all's order
  unsigned jobs;
  PositionOptions position;
};

std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) { interrupted = true; }

// The progress bar on a terminal, and the lines of failed pairs above it.
class Report {
 public:
  Report(std::size_t total) : total_(total), bar_(isatty(STDERR_FILENO)), start_(Clock::now()) {}

  void pairDone(const std::optional<std::string>& failure) {
    std::lock_guard lock(mutex_);
    ++done_;
    if (failure) {
      ++failed_;
      std::cerr << (bar_ ? "\r\033[K" : "") << *failure << "\n";
    }
    draw();
  }
  std::size_t done() const { return done_; }
  std::size_t failed() const { return failed_; }
  void finish() {
    if (bar_) std::cerr << "\r\033[K" << std::flush;
  }

 private:
  using Clock = std::chrono::steady_clock;
  void draw() {
    if (!bar_) return;
    constexpr std::size_t kWidth = 30;
    const std::size_t filled = total_ ? done_ * kWidth / total_ : kWidth;
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
    const auto left = rate > 0 ? static_cast<long>(static_cast<double>(total_ - done_) / rate + 0.5) : 0L;
    char line[160];
    std::snprintf(line, sizeof line, "\r[%s%s] %zu/%zu pairs  %.1f pairs/s  %ld:%02ld left",
                  std::string(filled, '#').c_str(), std::string(kWidth - filled, '.').c_str(), done_, total_,
                  rate, left / 60, left % 60);
    std::cerr << line << std::flush;
  }

  std::mutex mutex_;
  const std::size_t total_;
  const bool bar_;
  const Clock::time_point start_;
  std::size_t done_ = 0, failed_ = 0;
};

// The pair's failure line, or nothing when all its pictures were written.
std::optional<std::string> exportPair(const Batch& b, const tlibrarypair& pair,
                                      const tworkspacesettings& settings, Decoding decoding) {
  const std::string& base = pair.baseName;
  const std::string prefix = libraryPrefix(b.dir);
  tworkspace ws(settings);
  if (Status s = ws.openPair(prefix + pair.leftFile, prefix + pair.rightFile, decoding); !s)
    return base + ": " + s.error().message;
  if (Status s = applyPosition(ws, b.position); !s) return base + ": " + s.error().message;
  std::vector<std::string> names;
  for (const SavedExport& e : b.exports) names.push_back(libraryPrefix(b.outDir) + base + e.suffix);
  if (Status s = ws.exportEach(b.exports, names); !s) return base + ": " + s.error().message;
  return std::nullopt;
}

// A pair too large for the memory left fails alone; the others go on.
std::optional<std::string> exportPairOrRefuse(const Batch& b, const tlibrarypair& pair,
                                              const tworkspacesettings& settings, Decoding decoding) {
  try {
    return exportPair(b, pair, settings, decoding);
  } catch (const std::bad_alloc&) {
    return pair.baseName + ": Not enough memory";
  }
}

}  // namespace

int runBatch(const Invocation& inv) {
  const Batch b{inv.inputs[0], inv.output,
                inv.exports.value_or(std::vector<SavedExport>(kSaveAll.begin(), kSaveAll.end())),
                inv.jobs.value_or(std::max(1u, std::thread::hardware_concurrency())), inv.position};
  std::error_code ec;
  if (!std::filesystem::is_directory(b.dir, ec)) {
    std::cerr << "Not a folder: " << b.dir << "\n";
    return 1;
  }
  const std::vector<tlibrarypair> bases = libraryPairsIn(b.dir);
  if (bases.empty()) {
    std::cerr << "No pairs (NAMEL.BMP with NAMER.BMP) in " << b.dir << "\n";
    return 1;
  }
  if (std::filesystem::create_directories(b.outDir, ec); ec) {
    std::cerr << "Cannot make folder " << b.outDir << ": " << ec.message() << "\n";
    return 1;
  }
  const tworkspacesettings settings = settingsOf(inv);

  // An interrupt lets the pairs under way finish, so no file is left half
  // written, and starts no more.
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
  Report report(bases.size());
  std::atomic<std::size_t> next{0};
  // -j counts the cores in use: a pair's two pictures decode at once only
  // where the pairs leave cores free.
  const std::size_t count = std::min<std::size_t>(b.jobs, bases.size());
  const Decoding decoding = b.jobs >= 2 * count ? Decoding::Together : Decoding::InTurn;
  auto work = [&] {
    for (std::size_t i; !interrupted && (i = next++) < bases.size();)
      report.pairDone(exportPairOrRefuse(b, bases[i], settings, decoding));
  };
  eachAtOnce(static_cast<int>(count), [&](int) { work(); });
  report.finish();

  const std::size_t exported = report.done() - report.failed();
  std::cout << exported << " of " << bases.size() << " pairs exported";
  if (report.failed()) std::cout << ", " << report.failed() << " failed";
  if (interrupted) std::cout << ", interrupted";
  std::cout << "\n";
  return report.failed() || interrupted ? 1 : 0;
}
