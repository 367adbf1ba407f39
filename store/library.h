#pragma once
// The library directory: the list of pairs (base + "L.BMP" / base + "R.BMP",
// the same with JPEG and PNG files, and each MPO, JPS or stereo HEIF file),
// their 64 x 64 thumbnails.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/picture.h"
#include "platform/result.h"
#include "platform/types.h"

inline constexpr int kThumbnailSide = 64;
inline constexpr std::size_t kThumbnailPlane = kThumbnailSide * kThumbnailSide;
inline constexpr std::size_t kThumbnailBytes = 3 * kThumbnailPlane;  // 12,288

struct tlibraryentry {
  bool thumbnailReady = false;
  std::string baseName;             // the left file's name without "L.BMP"; may be empty
  std::string leftFile, rightFile;  // names in the directory; one stereo file is both
  // Planes red, green, blue; column p, row q of a plane at p * 64 + q.
  std::unique_ptr<std::uint8_t[]> thumbnail;
  std::unique_ptr<tlibraryentry> next;
  tlibraryentry* previous = nullptr;

  tlibraryentry() = default;
  tlibraryentry(const tlibraryentry&) = delete;
  tlibraryentry& operator=(const tlibraryentry&) = delete;
  // Frees the rest of the list one entry at a time, so a long list cannot
  // exhaust the stack.
  ~tlibraryentry();
};

struct tlibrarypair {
  std::string baseName, leftFile, rightFile;
};
// The pairs among file names, in their order: a BMP, JPEG (.jpg, .jpeg) or
// PNG name whose character before the extension is 'L' or 'l' and whose
// partner, the same name with that character 'r', is among the names too
// (letter case ignored), named base + "L.BMP" / base + "R.BMP" for BMP and as
// found otherwise; and each MPO or JPS file, and each HEIF file of dir with a
// stereo group, its base the name without the extension.
std::vector<tlibrarypair> libraryPairs(const std::vector<std::string>& fileNames, const std::string& dir = ".");

// The pairs among the files of dir, as the library view lists them.
std::vector<tlibrarypair> libraryPairsIn(const std::string& dir);

// Entries for the pairs, linked both ways; nullptr for none.
std::unique_ptr<tlibraryentry> makeLibraryList(const std::vector<tlibrarypair>& pairs);

// Both pictures of a pair, checked and read as Open does, the left first; a stereo file (left == right)
// gives its two views. together: the two files decoded at once, on two cores.
// Error: the first failure's one-line message, the left's when both fail.
Result<StereoViews> readLibraryPair(const std::string& left, const std::string& right, bool together = true);

// n entries further (or back), stopping at the last entry (or the head).
const tlibraryentry* stepForward(const tlibraryentry* e, std::int64_t n);
const tlibraryentry* stepBack(const tlibraryentry* e, std::int64_t n);

// The directory prefix of a pair's files: dir and one '/' unless dir is "/".
std::string libraryPrefix(const std::string& dir);

// Reduces the left picture at path into entry.thumbnail, reading the headers
// and only the rows kept (a JPEG's thumbnail or reduced decode). Unreadable or malformed files leave it
// white; thumbnailReady stays off only when the store could not be allocated.
void buildThumbnail(tlibraryentry& entry, const std::string& path);
