#include <filesystem>
#include <fstream>

#include "platform/profile.h"
#include "store/posfile.h"
#include "tests/ui/window_fixture.h"

namespace fs = std::filesystem;

namespace {

TEST_F(WindowTest, OpenCompletesTheNameAndRefusesWhatItCannotRead) {
  start();
  const std::string tree = writePicture("tree.BMP", 8, 6);
  fs::create_directories(path("pics.old"));
  writePicture("pics.old/tree.BMP", 8, 6);

  hb_.queueFileAnswer(path("tree"));
  command(CM_OPENLEFT);
  EXPECT_EQ(w().workspace().leftFileName(), tree);
  ASSERT_TRUE(w().workspace().leftImage());
  EXPECT_EQ(host().caption, "Binoxa - left: " + tree);

  // The folder's dot plays no part: "tree" still gets ".BMP".
  hb_.queueFileAnswer(path("pics.old/tree"));
  command(CM_OPENRIGHT);
  EXPECT_EQ(w().workspace().rightFileName(), path("pics.old/tree.BMP"));

  const tbitmap* before = w().workspace().leftImage();
  { std::ofstream(path("bad.BMP")) << "short"; }
  for (const char* name : {"missing.BMP", "bad.BMP"}) {
    hb_.queueFileAnswer(path(name));
    command(CM_OPENLEFT);
    EXPECT_EQ(popMessage().first, "Error") << name;
    EXPECT_EQ(w().workspace().leftImage(), before);
    EXPECT_EQ(w().workspace().leftFileName(), tree);
  }

  hb_.queueFileAnswer(std::nullopt);
  command(CM_OPENLEFT);
  EXPECT_EQ(w().workspace().leftImage(), before);
  EXPECT_TRUE(hb_.messages.empty());
}

TEST_F(WindowTest, OpenRightStoresTheOldPositionAndReadsTheNewOne) {
  start();
  const std::string first = writePicture("firstR.BMP", 20, 10);
  const std::string second = writePicture("secondR.BMP", 20, 10);
  ASSERT_TRUE(writePosition(path("secondR.POS"), {-12, 7}));

  hb_.queueFileAnswer(first);
  command(CM_OPENRIGHT);
  EXPECT_EQ(w().workspace().rightOffsetX(), 0);  // no position file: (0, 0)
  // A written aligned right picture suppresses the position file.
  hb_.queueFileAnswer(writePicture("firstL.BMP", 20, 10));
  command(CM_OPENLEFT);
  position(5, 6);
  hb_.queueFileAnswer(path("alignedR.BMP"));
  command(CM_SAVERIGHT);
  ASSERT_TRUE(w().workspace().suppressPosWrite());

  // Suppressed: nothing written; the new picture's file is read.
  hb_.queueFileAnswer(second);
  command(CM_OPENRIGHT);
  EXPECT_FALSE(fs::exists(path("firstR.POS")));
  EXPECT_FALSE(fs::exists(path("alignedR.POS")));
  EXPECT_EQ(w().workspace().rightOffsetX(), -12);
  EXPECT_EQ(w().workspace().rightOffsetY(), 7);
  EXPECT_FALSE(w().workspace().suppressPosWrite());

  // Cancelled: the current pair's position is still stored.
  position(250, 0);
  hb_.queueFileAnswer(std::nullopt);
  command(CM_OPENRIGHT);
  EXPECT_EQ(readPosition(path("secondR.POS")), (tposition{250, 0}));

  // Position files off: neither written nor read.
  tworkspacesettings off = w().workspace().allSettings();
  off.usePosFiles = false;
  w().workspace().applySettings(off);
  position(1, 0);
  hb_.queueFileAnswer(first);
  command(CM_OPENRIGHT);
  EXPECT_EQ(w().workspace().rightOffsetX(), 1);
  EXPECT_EQ(readPosition(path("secondR.POS")), (tposition{250, 0}));
}

TEST_F(WindowTest, OpenSingleSetsTheAreasAndEntersTheSplit) {
  start();
  struct Case {
    int w, h;
    tarea area;
    tareaorigin origin;
  };
  const Case cases[] = {{800, 600, {20, 380, 30, 570}, {420, 30}}, {799, 599, {19, 379, 29, 569}, {419, 29}}};
  command(CM_VIEWCROSSED);
  for (const Case& c : cases) {
    hb_.queueFileAnswer(writePicture("single.BMP", c.w, c.h));
    w().leftButtonDown = true;
    command(CM_OPENSINGLE);
    EXPECT_EQ(w().leftArea.x1, c.area.x1);
    EXPECT_EQ(w().leftArea.x2, c.area.x2);
    EXPECT_EQ(w().leftArea.y1, c.area.y1);
    EXPECT_EQ(w().leftArea.y2, c.area.y2);
    EXPECT_EQ(w().rightAreaOrigin.x, c.origin.x);
    EXPECT_EQ(w().rightAreaOrigin.y, c.origin.y);
    EXPECT_EQ(w().viewMode, ViewMode::Split);
    EXPECT_EQ(w().savedViewMode, ViewMode::Crossed);  // kept over a second opening
    EXPECT_FALSE(w().leftButtonDown);
  }
  EXPECT_EQ(host().caption, "Binoxa");
}

TEST_F(WindowTest, ExitWritesThePositionFileAndTheSettings) {
  start();
  ASSERT_TRUE(w().workspace().openRight(writePicture("gardenR.BMP", 20, 10)));
  position(-12, 7);
  tworkspacesettings s = w().workspace().allSettings();
  s.exports.viewSize = 321;
  w().workspace().applySettings(s);
  command(CM_EXIT);
  EXPECT_EQ(readPosition(path("gardenR.POS")), (tposition{-12, 7}));
  Profile profile(profilePath());
  EXPECT_EQ(profile.getInt("Binoxa", "VIEWSIZE", 0), 321);
  EXPECT_EQ(profile.getInt("Binoxa", "SAVEPOS", 0), 1);
}

TEST_F(WindowTest, ExitAfterASplitWritesNoPositionFile) {
  start();
  writePicture("garden.BMP", 40, 10);
  hb_.queueFileAnswer(path("garden.BMP"));
  command(CM_OPENSINGLE);
  frame().dispatch({WM_KEYDOWN, VK_RETURN, 0, {}, 0, {}});
  ASSERT_TRUE(w().workspace().suppressPosWrite());
  command(CM_EXIT);
  EXPECT_FALSE(fs::exists(path("gardenR.POS")));
  EXPECT_EQ(Profile(profilePath()).getInt("Binoxa", "MLR", 0), 255);
}

struct CheckCase {
  unsigned command;
  bool left, right;
  int dx;
  const char* message;  // nullptr: the save dialog opens
};

TEST_F(WindowTest, ExportChecksComeBeforeTheDialog) {
  const CheckCase cases[] = {
      {CM_SAVEPARALLEL, false, false, 0, "Left image not assigned"},
      {CM_SAVEPARALLEL, true, false, 0, "Right image not assigned"},
      {CM_SAVECROSSED, true, false, 0, "Right image not assigned"},
      {CM_SAVEANAGLYPH, false, true, 0, "Left image not assigned"},
      {CM_SAVELEFT, false, true, 0, "Left photo not defined"},
      {CM_SAVELEFT, true, false, 500, nullptr},
      {CM_SAVERIGHT, true, false, 0, "Right photo not defined"},
      {CM_SAVERIGHT, false, true, 500, nullptr},
      {CM_SAVEALL, false, true, 0, "Left photo not defined"},
      {CM_SAVEALL, true, false, 0, "Right photo not defined"},
      {CM_SAVEPARALLEL, true, true, 101, "Change position of right picture first!"},
      {CM_SAVELEFT, true, true, 101, "Change position of right picture first!"},
      {CM_SAVEALL, true, true, 101, "Change position of right picture first!"},
      {CM_SAVEANAGLYPH, true, true, 100, nullptr},
  };
  start();
  for (const CheckCase& c : cases) {
    pictures(c.left, c.right);
    position(c.dx, 0);
    if (!c.message) hb_.queueFileAnswer(std::nullopt);
    command(c.command);
    if (c.message) {
      EXPECT_EQ(popMessage(), std::make_pair(std::string("Error"), std::string(c.message))) << c.command;
    }
    EXPECT_EQ(hb_.pendingFileAnswers(), 0u) << c.command;
    EXPECT_TRUE(hb_.messages.empty()) << c.command;
  }
  // A dialog shown without a queued answer would be recorded as a failure.
  allDialogExpectationsPassed();
}

TEST_F(WindowTest, SaveAllWritesFiveFilesAndAdoptsTheAlignedOnes) {
  start();
  ASSERT_TRUE(w().workspace().openLeft(writePicture("aL.BMP", 100, 80)));
  ASSERT_TRUE(w().workspace().openRight(writePicture("aR.BMP", 100, 80)));
  position(-10, 0);
  fs::create_directories(path("out"));
  hb_.queueFileAnswer(path("out/pair.bmp"));
  command(CM_SAVEALL);
  for (const char* suffix : {"_A", "_P", "_C", "_L", "_R"})
    EXPECT_TRUE(fs::exists(path(std::string("out/pair") + suffix + ".BMP"))) << suffix;
  auto left = readPictureFile(path("out/pair_L.BMP"));
  ASSERT_TRUE(left.ok());
  EXPECT_EQ((*left)->width, 90);
  EXPECT_EQ(w().workspace().leftFileName(), path("out/pair_L.BMP"));
  EXPECT_EQ(w().workspace().rightFileName(), path("out/pair_R.BMP"));
  EXPECT_EQ(host().caption,
            "Binoxa - left: " + path("out/pair_L.BMP") + " - right: " + path("out/pair_R.BMP"));
  EXPECT_TRUE(w().workspace().suppressPosWrite());
  EXPECT_EQ(w().workspace().leftImage()->width, 100);  // the pictures in memory stay whole
  command(CM_EXIT);
  EXPECT_FALSE(fs::exists(path("out/pair_R.POS")));
}

TEST_F(WindowTest, SingleExportsCompleteTheName) {
  start();
  pictures(true, true, 10, 10);
  const std::pair<const char*, const char*> names[] = {
      {"one", "one.BMP"}, {"two.bmp", "two.bmp"}, {"three.txt", "three.txt"}};
  for (const auto& [chosen, written] : names) {
    hb_.queueFileAnswer(path(chosen));
    command(CM_SAVEANAGLYPH);
    EXPECT_TRUE(fs::exists(path(written))) << chosen;
  }
  EXPECT_TRUE(w().workspace().leftFileName().empty());
  EXPECT_FALSE(w().workspace().suppressPosWrite());
}

TEST_F(WindowTest, FailedWriteIsReportedAndStopsSaveAll) {
  start();
  ASSERT_TRUE(w().workspace().openLeft(writePicture("aL.BMP", 10, 10)));
  ASSERT_TRUE(w().workspace().openRight(writePicture("aR.BMP", 10, 10)));
  { std::ofstream(path("file")) << "x"; }  // not a folder, even for root

  hb_.queueFileAnswer(path("file/left.BMP"));
  command(CM_SAVELEFT);
  EXPECT_EQ(popMessage().first, "Error");
  EXPECT_EQ(w().workspace().leftFileName(), path("aL.BMP"));
  EXPECT_FALSE(w().workspace().suppressPosWrite());

  hb_.queueFileAnswer(path("file/pair"));
  command(CM_SAVEALL);
  EXPECT_EQ(popMessage().first, "Error");
  EXPECT_TRUE(hb_.messages.empty());  // stopped at the first file
  EXPECT_EQ(w().workspace().rightFileName(), path("aR.BMP"));
}

TEST_F(WindowTest, RefusedSideBySideExportIsAMessage) {
  Profile(profilePath()).writeString("Binoxa", "VIEWSIZE", "0");
  start();
  pictures(true, true, 10, 10);
  hb_.queueFileAnswer(path("p"));
  command(CM_SAVEPARALLEL);
  EXPECT_EQ(popMessage().first, "Error");
  EXPECT_FALSE(fs::exists(path("p.BMP")));
}

}  // namespace
