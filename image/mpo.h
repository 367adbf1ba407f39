#pragma once
// Multi-picture files: JPEGs one after the other, the first holding an APP2
// "MPF\0" index (a TIFF-style block) of where each one starts.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/jpeg.h"
#include "image/tbitmap.h"
#include "platform/result.h"

inline constexpr std::uint32_t kMpoDisparity = 0x020002;  // a view of a stereo pair
inline constexpr std::size_t kMpoMaxImages = 64;

struct MpoEntry {
  std::uint32_t attribute = 0;  // bits 26-24 format (0 JPEG), 23-0 type
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // from the index's byte-order mark; 0 for the first image
  std::uint32_t type() const { return attribute & 0xFFFFFF; }
  bool isJpeg() const { return (attribute >> 24 & 7) == 0; }
};

struct MpoIndex {
  std::uint64_t base = 0;  // position in the file of the byte-order mark
  std::vector<MpoEntry> entries;
};
// nullopt when the first JPEG has no MPF segment; an error when its index is
// broken (no images, too many, entries outside the segment).
Result<std::optional<MpoIndex>> readMpoIndex(const std::vector<JpegSegment>& segments);

// The bytes of the left and right views; nullopt when the index holds fewer
// than two JPEG views of a stereo pair (previews, gain maps, ...): the file is
// then the single picture its first image shows. An error for a view that
// starts past the end, inside the first image, or not at a JPEG.
struct MpoView {
  std::uint64_t start = 0, length = 0;
};
struct MpoViews {
  MpoView left, right;
};
Result<std::optional<MpoViews>> locateMpoViews(const ByteSource& file, const MpoIndex& index);

// A twin-lens camera's record of its geometry, in each image's MP attribute
// IFD; the rationals as stored (the angle's signed).
struct TiffRational {
  std::uint32_t numerator = 0, denominator = 0;
};
struct MpoAttributes {
  std::optional<TiffRational> convergenceAngle;  // degrees
  std::optional<TiffRational> baselineLength;    // metres
};
// The first image's; none for a broken index.
MpoAttributes readMpoAttributes(const std::vector<JpegSegment>& segments);

// The parallax a Fujifilm twin-lens camera recorded in the second image of
// a stereo MPO (fujifilmParallax); nullopt for any other file.
std::optional<double> cameraParallax(const ByteSource& file);

// A stereo pair as a twin-lens camera writes it: two baseline JPEGs of the
// given quality, each with the source's EXIF (a TIFF block, or none) and an
// MP attribute IFD (its number, base viewpoint 1, the attributes given), the
// first with the index of both, flagged as the representative image.
Result<std::vector<std::uint8_t>> encodeMpo(const tbitmap& left, const tbitmap& right, int quality,
                                            std::span<const std::uint8_t> exif = {},
                                            const MpoAttributes& attributes = {});
