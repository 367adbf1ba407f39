#include "store/settings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>


namespace {

// Unsigned settings travel through the profile as their 32-bit pattern, the
// way "%d" prints them.
std::uint32_t asUnsigned(int v) { return static_cast<std::uint32_t>(v); }

void writeIntSetting(Profile& profile, const char* key, std::int32_t value) {
  profile.setString(kProfileSection, key, std::to_string(value));
}

void writeIntSetting(Profile& profile, const char* key, std::uint32_t value) {
  writeIntSetting(profile, key, static_cast<std::int32_t>(value));
}

}  // namespace

tsettings readSettings(const Profile& profile) {
  const tsettings def;
  auto get = [&](const char* key, int d) { return profile.getInt(kProfileSection, key, d); };
  auto getU = [&](const char* key, std::uint32_t d) { return asUnsigned(get(key, static_cast<int>(d))); };
  tsettings s;
  s.leftColour.red = getU("MLR", def.leftColour.red);
  s.leftColour.green = getU("MLG", def.leftColour.green);
  s.leftColour.blue = getU("MLB", def.leftColour.blue);
  s.rightColour.red = getU("MRR", def.rightColour.red);
  s.rightColour.green = getU("MRG", def.rightColour.green);
  s.rightColour.blue = getU("MRB", def.rightColour.blue);
  s.viewSize = getU("VIEWSIZE", def.viewSize);
  s.imageSpacing = get("SPACE", def.imageSpacing);
  s.usePosFiles = get("SAVEPOS", def.usePosFiles ? 1 : 0) == 1;
  s.lockY = get("LOCKY", def.lockY ? 1 : 0) == 1;
  s.fitToWindow = get("FIT", def.fitToWindow ? 1 : 0) == 1;
  s.method = methodByName(profile.getString(kProfileSection, "METHOD", "")).value_or(def.method);
  return s;
}

int readQuality(const Profile& profile) {
  const int q = profile.getInt(kProfileSection, "QUALITY", kDefaultQuality);
  return q >= 1 && q <= 100 ? q : kDefaultQuality;
}

void writeQuality(Profile& profile, int quality) {
  writeIntSetting(profile, "QUALITY", std::int32_t{quality});
}

bool readMatchColours(const Profile& profile) { return profile.getInt(kProfileSection, "MATCH", 0) == 1; }

double readMaxDeviation(const Profile& profile) {
  return std::max(0, profile.getInt(kProfileSection, "MAXDEV", 33)) / 10.0;
}

void writeMatchColours(Profile& profile, bool on) { writeIntSetting(profile, "MATCH", std::int32_t{on}); }

void writeSettings(Profile& profile, const tsettings& s) {
  writeIntSetting(profile, "MLR", s.leftColour.red);
  writeIntSetting(profile, "MLG", s.leftColour.green);
  writeIntSetting(profile, "MLB", s.leftColour.blue);
  writeIntSetting(profile, "MRR", s.rightColour.red);
  writeIntSetting(profile, "MRG", s.rightColour.green);
  writeIntSetting(profile, "MRB", s.rightColour.blue);
  writeIntSetting(profile, "VIEWSIZE", s.viewSize);
  writeIntSetting(profile, "SPACE", s.imageSpacing);
  writeIntSetting(profile, "SAVEPOS", std::int32_t{s.usePosFiles ? 1 : 0});
  writeIntSetting(profile, "LOCKY", std::int32_t{s.lockY ? 1 : 0});
  writeIntSetting(profile, "FIT", std::int32_t{s.fitToWindow ? 1 : 0});
  profile.setString(kProfileSection, "METHOD", methodName(s.method));
}

std::optional<FramePlacement> readPlacement(const Profile& profile) {
  constexpr int kMissing = INT32_MIN;
  int v[4];
  const char* keys[] = {"WINX", "WINY", "WINW", "WINH"};
  for (int i = 0; i < 4; ++i)
    if ((v[i] = profile.getInt(kProfileSection, keys[i], kMissing)) == kMissing) return std::nullopt;
  if (v[2] <= 0 || v[3] <= 0 || v[0] > INT32_MAX - v[2] || v[1] > INT32_MAX - v[3]) return std::nullopt;
  return FramePlacement{{v[0], v[1], v[0] + v[2], v[1] + v[3]},
                        profile.getInt(kProfileSection, "WINMAX", 0) == 1};
}

void writePlacement(Profile& profile, const FramePlacement& p) {
  writeIntSetting(profile, "WINX", p.rect.left);
  writeIntSetting(profile, "WINY", p.rect.top);
  writeIntSetting(profile, "WINW", p.rect.width());
  writeIntSetting(profile, "WINH", p.rect.height());
  writeIntSetting(profile, "WINMAX", p.maximised ? 1 : 0);
}
