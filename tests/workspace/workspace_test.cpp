// The workspace through its commands: each row runs commands on a fresh
// workspace in a folder of its own and states what the workspace then holds.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

#include "image/bmp.h"
#include "platform/profile.h"
#include "store/posfile.h"
#include "testing/tempdir.h"
#include "workspace/workspace.h"

namespace {

class Bench {
 public:
  tworkspace ws;

  // A width x height picture whose pixels tell where they are.
  std::string bmp(const std::string& name, int width, int height) {
    tbitmap picture(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) picture.setPixel(x, y, x * 7 & 255, y * 5 & 255, (x + y) & 255);
    EXPECT_TRUE(saveBmp(picture, path(name)).ok());
    return path(name);
  }
  std::string path(const std::string& name) const { return dir_ / name; }
  bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }
  // A pair aL.BMP / aR.BMP of 40 x 30 opened as Open does.
  void openPair(const std::string& base = "a") {
    ASSERT_TRUE(ws.openPair(bmp(base + "L.BMP", 40, 30), bmp(base + "R.BMP", 40, 30)));
  }

  // Pictures, files (by their names in the folder), position, then what is set.
  std::string state() const {
    auto picture = [](const tbitmap* p) {
      return p ? std::to_string(p->width) + "x" + std::to_string(p->height) : std::string("none");
    };
    auto name = [&](const std::string& f) { return f.starts_with(dir_.path()) ? f.substr(dir_.path().size() + 1) : f; };
    return picture(ws.leftImage()) + " " + name(ws.leftFileName()) + " | " + picture(ws.rightImage()) + " " +
           name(ws.rightFileName()) + " | " + std::to_string(ws.rightOffsetX()) + " " +
           std::to_string(ws.rightOffsetY()) + (ws.correction().none() ? "" : " corrected") +
           (ws.suppressPosWrite() ? " suppressed" : "");
  }
  // The state, then the refusal's message if the command refused.
  std::string after(const Status& s) const {
    std::string text = state() + (s ? "" : " / " + s.error().message);
    for (std::size_t at; (at = text.find(dir_.path() + "/")) != std::string::npos;)
      text.erase(at, dir_.path().size() + 1);
    return text;
  }

 private:
  TempDir dir_;
};

struct Case {
  const char* name;
  std::function<std::string(Bench&)> run;
  const char* expected;
};

const Case kCases[] = {
    // --- opening ---
    {"pair", [](Bench& b) { b.openPair(); return b.state(); }, "40x30 aL.BMP | 40x30 aR.BMP | 0 0"},
    {"files wait for a command that needs their pictures",
     [](Bench& b) {
       EXPECT_TRUE(b.ws.openFiles(b.bmp("l.BMP", 20, 10), b.bmp("r.BMP", 20, 10)));
       const std::string before = b.state();
       return before + " / " + b.after(b.ws.decode());
     },
     "none l.BMP | none r.BMP | 0 0 / 20x10 l.BMP | 20x10 r.BMP | 0 0"},
    {"pictures without files",
     [](Bench& b) {
       b.ws.openPictures(std::make_unique<tbitmap>(8, 6), nullptr);
       return b.state();
     },
     "8x6  | none  | 0 0"},
    {"cut of one picture, its corners put in order",
     [](Bench& b) {
       const tbitmap source(100, 50);
       const tarea a = b.ws.openCut(source, {{40, 10, 45, 5}, {60, 0}});
       return b.state() + " / " + std::to_string(a.x1) + " " + std::to_string(a.x2) + " " + std::to_string(a.y1) +
              " " + std::to_string(a.y2);
     },
     "30x40  | 30x40  | 0 0 suppressed / 10 40 5 45"},
    // --- refusals change nothing ---
    {"missing left file",
     [](Bench& b) {
       b.openPair();
       return b.after(b.ws.openLeft(b.path("missing.BMP")));
     },
     "40x30 aL.BMP | 40x30 aR.BMP | 0 0 / Cannot open missing.BMP: No such file or directory"},
    {"pair whose right file is not a picture",
     [](Bench& b) {
       b.openPair();
       std::ofstream(b.path("bR.BMP")) << "short";
       return b.after(b.ws.openPair(b.bmp("bL.BMP", 10, 10), b.path("bR.BMP")));
     },
     "40x30 aL.BMP | 40x30 aR.BMP | 0 0 / Cannot read bR.BMP: file is shorter than a bitmap header"},
    {"one picture where a stereo file's two are needed",
     [](Bench& b) {
       b.openPair();
       const std::string one = b.bmp("one.BMP", 10, 10);
       return b.after(b.ws.openStereo(one, loadPictureViews(one)));
     },
     "40x30 aL.BMP | 40x30 aR.BMP | 0 0 / Not a stereo photo (MPO or JPS): one.BMP"},
    {"export of a pair without its right picture",
     [](Bench& b) {
       EXPECT_TRUE(b.ws.openLeft(b.bmp("aL.BMP", 40, 30)));
       Status s = b.ws.exportTo(ExportKind::Anaglyph, b.path("out.BMP"));
       return b.after(s) + (b.exists("out.BMP") ? " written" : "");
     },
     "40x30 aL.BMP | none  | 0 0 / Right image not assigned"},
    // --- position ---
    {"position file read with the right picture",
     [](Bench& b) {
       EXPECT_TRUE(writePosition(b.path("aR.POS"), {-3, 4}));
       b.openPair();
       return b.state();
     },
     "40x30 aL.BMP | 40x30 aR.BMP | -3 4"},
    {"position files off: none read",
     [](Bench& b) {
       EXPECT_TRUE(writePosition(b.path("aR.POS"), {-3, 4}));
       tworkspacesettings s;
       s.usePosFiles = false;
       b.ws.applySettings(s);
       b.openPair();
       return b.state();
     },
     "40x30 aL.BMP | 40x30 aR.BMP | 0 0"},
    {"position stored beside the right picture",
     [](Bench& b) {
       b.openPair();
       b.ws.setPosition(5, -6);
       b.ws.storePosition();
       const auto p = readPosition(b.path("aR.POS"));
       return p ? std::to_string(p->dx) + " " + std::to_string(p->dy) : std::string("none");
     },
     "5 -6"},
    {"nudge held at the ends of the range",
     [](Bench& b) {
       b.openPair();
       b.ws.setPosition(INT32_MAX - 1, INT32_MIN + 1);
       b.ws.nudge(5, -5);
       return b.state();
     },
     "40x30 aL.BMP | 40x30 aR.BMP | 2147483647 -2147483648"},
    // --- correction ---
    {"correction resamples the right picture, not its source",
     [](Bench& b) {
       b.openPair();
       const tbitmap* source = b.ws.rightSource();
       b.ws.setCorrection({2.0, 1.0, 0, 0, 0});
       const bool changed = b.ws.rightImage() != source && b.ws.rightSource() == source;
       const std::string corrected = b.state();
       b.ws.setCorrection({});
       return corrected + (changed ? " / resampled / " : " / ? / ") + b.state() +
              (b.ws.rightImage() == source ? " as read" : "");
     },
     "40x30 aL.BMP | 40x30 aR.BMP | 0 0 corrected / resampled / 40x30 aL.BMP | 40x30 aR.BMP | 0 0 as read"},
    // --- swap ---
    {"swap exchanges the files and negates the position",
     [](Bench& b) {
       b.openPair();
       b.ws.setPosition(3, -2);
       EXPECT_TRUE(b.ws.swap());
       return b.state();
     },
     "40x30 aR.BMP | 40x30 aL.BMP | -3 2"},
    {"a second swap gives back the pair with its correction",
     [](Bench& b) {
       b.openPair();
       b.ws.setPosition(3, -2);
       b.ws.setCorrection({1.0, 1.0, 0, 0, 0});
       EXPECT_TRUE(b.ws.swap());
       const std::string once = b.state();
       EXPECT_TRUE(b.ws.swap());
       return once + " / " + b.state();
     },
     "40x30 aR.BMP | 40x30 aL.BMP | -3 2 / 40x30 aL.BMP | 40x30 aR.BMP | 3 -2 corrected"},
    // --- exports ---
    {"anaglyph written, the pair as it was",
     [](Bench& b) {
       b.openPair();
       b.ws.setPosition(4, 0);
       Status s = b.ws.exportTo(ExportKind::Anaglyph, b.path("out"));
       auto written = readPictureFile(b.path("out.BMP"));
       return b.after(s) + " / " + (written ? std::to_string((*written)->width) : std::string("unread"));
     },
     "40x30 aL.BMP | 40x30 aR.BMP | 4 0 / 36"},
    {"aligned picture written becomes the file of its side",
     [](Bench& b) {
       b.openPair();
       b.ws.setPosition(4, 0);
       return b.after(b.ws.exportTo(ExportKind::Right, b.path("cutR.BMP")));
     },
     "40x30 aL.BMP | 40x30 cutR.BMP | 4 0 suppressed"},
    {"a position that leaves nothing in common is refused",
     [](Bench& b) {
       b.openPair();
       b.ws.setPosition(41, 0);
       return b.after(b.ws.exportTo(ExportKind::Parallel, b.path("p.BMP"))) + (b.exists("p.BMP") ? " written" : "");
     },
     "40x30 aL.BMP | 40x30 aR.BMP | 41 0 / Change position of right picture first!"},
    // --- the library's neighbours ---
    {"next and previous pair of the folder, none past the ends",
     [](Bench& b) {
       for (const char* base : {"a", "c"}) {
         b.bmp(std::string(base) + "L.BMP", 4, 4);
         b.bmp(std::string(base) + "R.BMP", 4, 4);
       }
       b.openPair("b");
       auto base = [&](int step) {
         const auto p = b.ws.neighbourPair(step);
         return p ? p->baseName : std::string("none");
       };
       const std::string fromB = base(-1) + " " + base(1);
       b.openPair("c");
       return fromB + " " + base(1) + " " + base(-2);
     },
     "a c none a"},
    {"no neighbours before a pair is open", [](Bench& b) { return std::string(b.ws.neighbourPair(1) ? "some" : "none"); },
     "none"},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class WorkspaceCommands : public ::testing::TestWithParam<Case> {};

TEST_P(WorkspaceCommands, LeaveTheWorkspaceAsStated) {
  Bench b;
  EXPECT_EQ(GetParam().run(b), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Rows, WorkspaceCommands, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return "row" + std::to_string(row.index); });

// The profile's keys, read once into the settings the window, the CLI and batch start from.
TEST(WorkspaceSettings, ReadFromTheProfile) {
  TempDir dir;
  Profile p(dir / "binoxa.ini");
  for (auto [key, value] : {std::pair{"MLR", "10"}, {"VIEWSIZE", "321"}, {"SPACE", "7"}, {"SAVEPOS", "0"},
                            {"QUALITY", "55"}, {"MATCH", "1"}, {"METHOD", "gray"}})
    p.writeString(kProfileSection, key, value);
  const tworkspacesettings s = readWorkspaceSettings(p);
  EXPECT_EQ(s.exports.leftColour.red, 10u);
  EXPECT_EQ(s.exports.viewSize, 321u);
  EXPECT_EQ(s.exports.imageSpacing, 7);
  EXPECT_EQ(s.exports.method, AnaglyphMethod::Gray);
  EXPECT_EQ(s.quality, 55);
  EXPECT_FALSE(s.usePosFiles);
  EXPECT_TRUE(s.matchColours);
}

}  // namespace
