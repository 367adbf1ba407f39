#pragma once
// Reading pictures: header, then rows on demand. A reader is opened on a byte
// source with its header read and checked against the source's size; rows are
// then decoded top first, straight into the caller's memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "image/tbitmap.h"
#include "platform/result.h"
#include "platform/source.h"

struct PictureHeader {
  std::int32_t width = 0;   // 1 or more
  std::int32_t height = 0;  // 1 or more
  int views = 1;            // pictures the file holds (a stereo file holds two)
};

class PictureReader {
 public:
  explicit PictureReader(PictureHeader header) : header_(header) {}
  virtual ~PictureReader() = default;
  PictureReader(const PictureReader&) = delete;
  PictureReader& operator=(const PictureReader&) = delete;

  const PictureHeader& header() const { return header_; }
  std::int32_t nextRow() const { return next_; }  // picture row the next read gives
  // The next count rows into out, rows `stride` pixels apart, header().width
  // pixels each. Error: one line naming the source; no rows are then left.
  Status readRows(tpixel* out, std::ptrdiff_t stride, std::int32_t count);
  // Passes over the next count rows; cheaper than reading them where the format allows.
  Status skipRows(std::int32_t count);

 protected:
  // first: picture row of the first of count rows, all inside the picture.
  virtual Status decodeRows(std::int32_t first, tpixel* out, std::ptrdiff_t stride, std::int32_t count) = 0;
  virtual Status skip(std::int32_t first, std::int32_t count);  // default: decode and drop

 private:
  Status take(std::int32_t count);
  PictureHeader header_;
  std::int32_t next_ = 0;
};

// One file format. A decoder is picked by the first bytes of the source; the
// last one of the table takes whatever no other recognises.
struct PictureDecoder {
  // head: the first kPictureSniffBytes bytes, fewer for a shorter source.
  bool (*recognises)(std::span<const std::uint8_t> head);
  // What the loading commands refuse before reading (with their own
  // messages), beyond what open refuses.
  Status (*check)(const ByteSource& source);
  // A reader of one view, 0 <= view < header().views; the source outlives it.
  Result<std::unique_ptr<PictureReader>> (*open)(const ByteSource& source, int view);
  // The first view reduced, at least minSide a side, where the format has a
  // cheaper way than reading every row; nullptr: open(source, 0).
  Result<std::unique_ptr<PictureReader>> (*preview)(const ByteSource& source, int minSide) = nullptr;
  // A view decoded reduced by the format's own cheap scaling, as far as both
  // sides stay at least minSide; nullptr: the format has none.
  Result<std::unique_ptr<PictureReader>> (*reduced)(const ByteSource& source, int view,
                                                    int minSide) = nullptr;
};
inline constexpr std::size_t kPictureSniffBytes = 32;  // a HEIF file's brands too
inline Status noCheck(const ByteSource&) { return success(); }  // for formats whose open says it all

const PictureDecoder& decoderFor(const ByteSource& source);
inline Result<std::unique_ptr<PictureReader>> openPicture(const ByteSource& source, int view = 0) {
  return decoderFor(source).open(source, view);
}
// "Cannot read <name>: <reason>", the readers' one-line error.
Error unreadable(const ByteSource& source, const std::string& reason);

// What the library's thumbnails read: a reduced first view where the format
// offers one, else the first view.
Result<std::unique_ptr<PictureReader>> openPreview(const ByteSource& source, int minSide);

// Both views of a stereo file, or the one picture with right null.
struct StereoViews {
  std::unique_ptr<tbitmap> left, right;
};
Result<StereoViews> readPictureViews(const ByteSource& source);
// As loadPicture, with both views of a stereo file.
Result<StereoViews> loadPictureViews(const std::string& path);
// The views decoded reduced by the format's cheap scaling (JPEG: 1/2, 1/4,
// 1/8), both at once: the most reduction that still fills a box of
// boxWidth x boxHeight as the full first view fitted into it would. Error
// where the format has no such scaling.
struct ReducedViews {
  StereoViews views;
  int denominator = 1;                         // full size / reduced size
  std::int32_t fullWidth = 0, fullHeight = 0;  // of the first view
};
Result<ReducedViews> readReducedViews(const ByteSource& source, int boxWidth, int boxHeight);

// Every row of one view into a new picture.
Result<std::unique_ptr<tbitmap>> readPicture(const ByteSource& source, int view = 0);
// The same from a file, without the loading commands' check.
Result<std::unique_ptr<tbitmap>> readPictureFile(const std::string& path);

// A picture file opened once: its decoder picked once by the first bytes,
// the loading commands' check made, the first view's header read once; the
// readers of its views share the file.
class PictureFile {
 public:
  // Errors are one line for the user.
  static Result<PictureFile> open(const std::string& path);
  // The file opened for a thumbnail: its first reader (and header) that of
  // openPreview, with no loading check.
  static Result<PictureFile> openPreview(const std::string& path, int minSide);
  const ByteSource& source() const { return *file_; }
  const PictureHeader& header() const { return header_; }  // of the first view
  // A reader of a view, from its first row (0 <= view < header().views).
  Result<std::unique_ptr<PictureReader>> reader(int view = 0);
  // That view whole; a single picture for any view.
  Result<std::unique_ptr<tbitmap>> read(int view = 0);
  // Both views of a stereo file, or the one picture with right null.
  Result<StereoViews> readViews();

 private:
  PictureFile(std::unique_ptr<FileSource> file, const PictureDecoder& decoder,
              std::unique_ptr<PictureReader> first);
  std::unique_ptr<FileSource> file_;
  const PictureDecoder* decoder_;
  std::unique_ptr<PictureReader> first_;  // handed out by the first reader(0)
  PictureHeader header_;
  bool firstTaken_ = false;
};

// As the window and the CLI load a picture: PictureFile::open, then read.
Result<std::unique_ptr<tbitmap>> loadPicture(const std::string& path, int view = 0);
