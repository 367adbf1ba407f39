#pragma once
// The user settings kept in the profile section "Binoxa".
#include <cstdint>

#include "image/colour.h"
#include "stereo/anaglyphmethod.h"
#include <optional>

#include "platform/placement.h"
#include "platform/profile.h"

struct tsettings {
  ColourWeights leftColour{255, 0, 0};             // MLR MLG MLB
  ColourWeights rightColour{0, 192, 128};          // MRR MRG MRB
  std::uint32_t viewSize = 200;                    // VIEWSIZE
  std::int32_t imageSpacing = 0;                   // SPACE
  bool usePosFiles = true;                         // SAVEPOS: on only when exactly 1
  bool lockY = true;                               // LOCKY: on only when exactly 1
  bool fitToWindow = false;                        // FIT: on only when exactly 1
  AnaglyphMethod method = AnaglyphMethod::Custom;  // METHOD: its name; unknown means Custom
};

inline constexpr const char* kProfileSection = "Binoxa";

// Reads the keys in their fixed order; missing keys give the defaults.
tsettings readSettings(const Profile& profile);
// QUALITY, the JPEG quality of saved pictures: 1..100, default 92. Kept
// apart from the others so the profile written at exit stays as it was until a
// quality is chosen.
inline constexpr int kDefaultQuality = 92;
int readQuality(const Profile& profile);
void writeQuality(Profile& profile, int quality);
// MATCH, the right picture's colours matched to the left's: on only when
// exactly 1, default off; kept apart as QUALITY is.
bool readMatchColours(const Profile& profile);
// MAXDEV, the deviation above which a pair may be hard to fuse, in tenths of
// a percent (default 33); as a percentage, never below 0.
double readMaxDeviation(const Profile& profile);
void writeMatchColours(Profile& profile, bool on);
// Sets all keys in their fixed order, numbers as "%d" text, METHOD by name;
// the profile's save writes them.
void writeSettings(Profile& profile, const tsettings& s);

// The main frame's place: WINX WINY WINW WINH and WINMAX (on only when
// exactly 1). Nothing when a key is missing or the size is not positive.
std::optional<FramePlacement> readPlacement(const Profile& profile);
void writePlacement(Profile& profile, const FramePlacement& p);
