#pragma once
// The window-independent rules of the export commands: which checks each runs,
// what picture it writes and under which name. The window adds the file
// dialog, the message boxes and the workspace updates.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "image/tbitmap.h"
#include "platform/result.h"
#include "stereo/compose.h"
#include "stereo/methods.h"
#include "stereo/anaglyphmethod.h"

inline constexpr const char* kLeftImageNotAssigned = "Left image not assigned";
inline constexpr const char* kRightImageNotAssigned = "Right image not assigned";
inline constexpr const char* kLeftPhotoNotDefined = "Left photo not defined";
inline constexpr const char* kRightPhotoNotDefined = "Right photo not defined";
// kPositionDoesNotFit (compose.h) is the position check's message.

enum class ExportKind { Anaglyph, Parallel, Crossed, Left, Right, All };
// The five pictures in the order Save all writes them, each with the suffix
// of its name.
struct SavedExport {
  ExportKind kind;
  const char* suffix;
};
inline constexpr std::array<SavedExport, 5> kSaveAll = {{{ExportKind::Anaglyph, "_A.BMP"},
                                                         {ExportKind::Parallel, "_P.BMP"},
                                                         {ExportKind::Crossed, "_C.BMP"},
                                                         {ExportKind::Left, "_L.BMP"},
                                                         {ExportKind::Right, "_R.BMP"}}};

struct ExportSettings {
  ColourWeights leftColour;
  ColourWeights rightColour;
  std::uint32_t viewSize = 200;
  std::int32_t imageSpacing = 0;
  AnaglyphMethod method = AnaglyphMethod::Custom;
};

// The command's checks in order; the first failure's message. Pictures may be
// null (not loaded).
Status checkExport(ExportKind kind, const tbitmap* left, const tbitmap* right, std::int32_t dx,
                   std::int32_t dy);
// The picture of one kind (not All), after checkExport passed. The side-by-side
// pictures may still be refused for their settings.
Result<std::unique_ptr<tbitmap>> buildExport(ExportKind kind, const tbitmap* left, const tbitmap* right,
                                             std::int32_t dx, std::int32_t dy, const ExportSettings& s);

// The aligned pictures: cut to the common region, or the whole picture when
// the other one is absent.
std::unique_ptr<tbitmap> alignedLeft(const tbitmap& left, const tbitmap* right, std::int32_t dx,
                                     std::int32_t dy);
std::unique_ptr<tbitmap> alignedRight(const tbitmap* left, const tbitmap& right, std::int32_t dx,
                                      std::int32_t dy);

// The views of a handheld console's MPO (binoxa-cli pair --device 3ds): the
// common region's centred 4:3 part scaled to 640 x 480 by area averaging,
// enlarged when smaller (the console's own pictures are 640 x 480, smaller
// once aligned). Refused when that part has no rows.
inline constexpr std::int32_t kConsoleWidth = 640, kConsoleHeight = 480;
struct AlignedViews {
  std::unique_ptr<tbitmap> left, right;
};
Result<AlignedViews> consoleViews(const tbitmap& left, const tbitmap& right, std::int32_t dx,
                                  std::int32_t dy);

// A single export's name: ".BMP" appended when there is no extension.
std::string completeExportName(const std::string& name);
// Save all's five names in kSaveAll's order: base + suffix, the base being the chosen name with
// a final ".BMP" (any letter case) cut off; any other extension stays.
std::array<std::string, 5> saveAllNames(const std::string& chosen);
