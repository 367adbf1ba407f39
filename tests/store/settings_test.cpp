#include "store/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "testing/tempdir.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  Profile profile() const { return Profile(dir_ / "binoxa.ini"); }

  TempDir dir_;
};

int stored(const Profile& p, const char* key) { return p.getInt(kProfileSection, key, -12345); }

TEST_F(SettingsTest, EmptyProfileGivesDefaultsAndWritesAllTenKeys) {
  Profile p = profile();
  const tsettings s = readSettings(p);
  EXPECT_EQ(s.leftColour, (ColourWeights{255, 0, 0}));
  EXPECT_EQ(s.rightColour, (ColourWeights{0, 192, 128}));
  EXPECT_EQ(s.viewSize, 200u);
  EXPECT_EQ(s.imageSpacing, 0);
  EXPECT_TRUE(s.usePosFiles);
  EXPECT_TRUE(s.lockY);

  writeSettings(p, s);
  ASSERT_TRUE(p.save());
  p = profile();
  const std::pair<const char*, int> expected[] = {
      {"MLR", 255}, {"MLG", 0},        {"MLB", 0},   {"MRR", 0},     {"MRG", 192},
      {"MRB", 128}, {"VIEWSIZE", 200}, {"SPACE", 0}, {"SAVEPOS", 1}, {"LOCKY", 1}};
  for (const auto& [key, value] : expected) EXPECT_EQ(stored(p, key), value) << key;
}

TEST_F(SettingsTest, SwitchesAreOnOnlyForExactlyOne) {
  const std::pair<const char*, bool> cases[] = {{"1", true},   {"0", false},   {"2", false},
                                                {"-1", false}, {"abc", false}, {" 1", true}};
  for (const auto& [text, on] : cases) {
    Profile p = profile();
    p.writeString(kProfileSection, "SAVEPOS", text);
    p.writeString(kProfileSection, "LOCKY", text);
    const tsettings s = readSettings(p);
    EXPECT_EQ(s.usePosFiles, on) << text;
    EXPECT_EQ(s.lockY, on) << text;
  }
}

TEST_F(SettingsTest, OutOfRangeValuesSurviveARoundTripUnchanged) {
  Profile p = profile();
  p.writeString(kProfileSection, "MLR", "300");
  p.writeString(kProfileSection, "SAVEPOS", "2");
  tsettings s = readSettings(p);
  EXPECT_EQ(s.leftColour.red, 300u);
  EXPECT_FALSE(s.usePosFiles);

  s.imageSpacing = -7;
  s.viewSize = 4294967295u;  // stored as its 32-bit pattern, "%d" style
  writeSettings(p, s);
  ASSERT_TRUE(p.save());
  p = profile();
  EXPECT_EQ(stored(p, "MLR"), 300);
  EXPECT_EQ(stored(p, "SAVEPOS"), 0);
  EXPECT_EQ(stored(p, "SPACE"), -7);
  EXPECT_EQ(stored(p, "VIEWSIZE"), -1);
  EXPECT_EQ(readSettings(p).viewSize, 4294967295u);
}

TEST_F(SettingsTest, UnwritableProfileIsQuiet) {
  // A regular file where its folder should be: no write can succeed, even as root.
  { std::ofstream(dir_ / "file") << "x"; }
  Profile p(dir_ / "file/binoxa.ini");
  tsettings s;
  s.viewSize = 5;
  writeSettings(p, s);
  EXPECT_FALSE(p.save());
  EXPECT_EQ(readSettings(Profile(dir_ / "file/binoxa.ini")).viewSize, 200u);
}

}  // namespace
