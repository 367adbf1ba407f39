#include "platform/window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "testing/dialogscript.h"
#include "platform/msgmap.h"
#include "testing/tempdir.h"

namespace {

using Log = std::vector<std::string>;

ResourceModule testModule() {
  ResourceModule m;
  m.menus.push_back({1, {{"&View", {{10, "&One", true}, {0, ""}, {11, "&Two", false}}}}});
  m.accelerators.push_back(
      {1, {{'L', ACCEL_CTRL, 10}, {'L', ACCEL_CTRL | ACCEL_SHIFT, 11}, {'P', ACCEL_ALT, 12}}});
  m.icons.push_back({1, 1, 1, {0, 0, 0, 255}});
  DialogTemplate d{5, "Values", 0, 0, 100, 60, "MS Sans Serif", 8, {}};
  d.controls = {{ControlKind::Static, -1, "label", 0, 0, 10, 10},
                {ControlKind::Static, 100, "Number:", 0, 0, 10, 10},
                {ControlKind::Edit, 101, "", 0, 0, 10, 10},
                {ControlKind::AutoCheckBox, 102, "Flag", 0, 0, 10, 10},
                {ControlKind::DefPushButton, IDOK, "OK", 0, 0, 10, 10},
                {ControlKind::PushButton, IDCANCEL, "Cancel", 0, 0, 10, 10}};
  m.dialogs.push_back(d);
  return m;
}

class Recorder : public TWindow {
 public:
  Recorder(Log& log, bool& destroyed) : log_(log), destroyed_(destroyed) {}
  ~Recorder() override { destroyed_ = true; }

  bool handleMessage(const TMessage& m) override;
  void paint(TDC& dc, bool erase, const TRect& r) override {
    log_.push_back("paint " + std::to_string(erase) + " " + std::to_string(r.width()) + "x" +
                   std::to_string(r.height()));
    dc.setPixel(0, 0, kBlack);
  }

  void evKeyDown(unsigned vk, unsigned flags) {
    log_.push_back("key " + std::to_string(vk) + (flags ? " " + std::to_string(flags) : ""));
  }
  void evSize(unsigned type, TSize s) {
    log_.push_back("size " + std::to_string(type) + " " + std::to_string(s.cx) + "x" + std::to_string(s.cy));
    invalidate();
  }
  void evLButtonDown(unsigned flags, TPoint p) {
    log_.push_back("ldown " + std::to_string(flags) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
    getDC().setPixel(p.x, p.y, rgbColor(1, 2, 3));
  }
  void evVScroll(unsigned code, int pos) {
    log_.push_back("vscroll " + std::to_string(code) + " " + std::to_string(pos));
  }
  void cmOne() { log_.push_back("cmd 10"); }
  void cmTwo() { log_.push_back("cmd 11"); }
  void cmHuge() { throw std::bad_alloc(); }
  void cmExit() {
    closeWindow();
    // still alive until the handler returns
    log_.push_back(destroyed_ ? "exit after destruction" : "exit");
  }

  static const TResponse<Recorder> responseTable[];

 private:
  Log& log_;
  bool& destroyed_;
};

const TResponse<Recorder> Recorder::responseTable[] = {
    EV_WM_KEYDOWN(evKeyDown), EV_WM_SIZE(evSize),     EV_WM_LBUTTONDOWN(evLButtonDown),
    EV_WM_VSCROLL(evVScroll), EV_COMMAND(10, cmOne),  EV_COMMAND(11, cmTwo),
    EV_COMMAND(98, cmHuge),   EV_COMMAND(99, cmExit),
};

bool Recorder::handleMessage(const TMessage& m) {
  return dispatchResponse(*this, responseTable, m) || TWindow::handleMessage(m);
}

class TestApp : public TApplication {
 public:
  TestApp(const ResourceModule& m, Backend& backend, Log& log, bool& destroyed)
      : TApplication("", m, backend), log_(log), destroyed_(destroyed) {}
  void createMainWindow() override {
    auto frame =
        std::make_unique<TFrameWindow>(nullptr, "Caption", std::make_unique<Recorder>(log_, destroyed_));
    frame->assignMenu(1);
    frame->setAcceleratorTable(1);
    frame->setIcon(1);
    setMainWindow(std::move(frame));
  }

 private:
  Log& log_;
  bool& destroyed_;
};

class FrameworkTest : public ::testing::Test {
 protected:
  FrameworkTest() : hb_(320, 200), app_(module_, hb_, log_, destroyed_) { app_.run(); }
  TFrameWindow& frame() { return *app_.mainWindow(); }
  HeadlessFrame& host() { return *hb_.frame(); }
  Log takeLog() { return std::exchange(log_, {}); }

  ResourceModule module_ = testModule();
  Log log_;
  bool destroyed_ = false;
  HeadlessBackend hb_;
  DialogScript dialogs_{hb_};
  TestApp app_;
};

TEST_F(FrameworkTest, StartAppliesCaptionMenuIconAndInitialSize) {
  EXPECT_EQ(currentApplication(), &app_);
  ASSERT_NE(hb_.frame(), nullptr);
  EXPECT_EQ(host().caption, "Caption");
  EXPECT_TRUE(host().hasIcon);
  EXPECT_EQ(host().checks, (std::map<unsigned, bool>{{10, true}, {11, false}}));
  EXPECT_EQ(takeLog(), (Log{"size 0 320x200"}));
  EXPECT_TRUE(frame().paintPending());
  frame().setCaption("Other");
  EXPECT_EQ(host().caption, "Other");
  frame().getMenu().checkMenuItem(11, true);
  EXPECT_TRUE(host().checks[11]);
}

TEST_F(FrameworkTest, MessageMapDecodesArgumentsAndFallsBack) {
  takeLog();
  frame().dispatch({WM_LBUTTONDOWN, 0, MK_LBUTTON | MK_SHIFT, {7, 9}, 0, {}});
  frame().dispatch({WM_VSCROLL, SB_THUMBTRACK, 0, {}, 42, {}});
  frame().dispatch({WM_COMMAND, 11, 0, {}, 0, {}});
  frame().dispatch({WM_COMMAND, 12345, 0, {}, 0, {}});      // no entry
  frame().dispatch({WM_RBUTTONDOWN, 0, 0, {1, 1}, 0, {}});  // no entry
  EXPECT_EQ(takeLog(), (Log{"ldown 5 7,9", "vscroll 5 42", "cmd 11"}));
  EXPECT_FALSE(frame().client()->handleMessage({WM_COMMAND, 12345, 0, {}, 0, {}}));
  // drawing outside paint lands in the framebuffer at once, and only the
  // message that drew is shown
  EXPECT_EQ(host().framebuffer().pixel(7, 9), rgbColor(1, 2, 3));
  EXPECT_EQ(host().presented, 1);
}

TEST_F(FrameworkTest, AnAllocationFailureInAHandlerIsOneMessageAndTheWindowGoesOn) {
  takeLog();
  frame().dispatch({WM_COMMAND, 98, 0, {}, 0, {}});
  ASSERT_EQ(hb_.messages.size(), 1u);
  EXPECT_EQ(hb_.messages.front(), (std::pair<std::string, std::string>{"Error", "Not enough memory"}));
  frame().dispatch({WM_COMMAND, 10, 0, {}, 0, {}});
  EXPECT_EQ(takeLog(), (Log{"cmd 10"}));
}

TEST_F(FrameworkTest, AcceleratorsNeedTheExactModifiers) {
  takeLog();
  const struct {
    unsigned vk, mods;
    const char* want;
    bool taken = true;  // false: left to the host's menu bar
  } keys[] = {
      {'L', ACCEL_CTRL, "cmd 10"},
      {'L', ACCEL_CTRL | ACCEL_SHIFT, "cmd 11"},
      {'L', ACCEL_CTRL | ACCEL_ALT, "", false},  // extra modifier: no accelerator
      {'F', ACCEL_ALT, "", false},
      {'L', 0, "key 76"},
      {'P', ACCEL_CTRL, "key 80 8"},
      {'P', ACCEL_ALT, ""},  // command 12 exists in the table but not in the map
      {VK_RETURN, 0, "key 13"},
      {VK_LEFT, ACCEL_SHIFT | ACCEL_CTRL, "key 37 12"},  // the client sees what is held
  };
  for (const auto& k : keys) {
    EXPECT_EQ(frame().keyDown(k.vk, k.mods), k.taken) << k.vk << " with " << k.mods;
    const Log seen = takeLog();
    EXPECT_EQ(seen, *k.want ? Log{k.want} : Log{}) << k.vk << " with " << k.mods;
  }
}

TEST_F(FrameworkTest, PaintRunsOnceOnAWhiteBackground) {
  takeLog();
  Framebuffer& fb = host().framebuffer();
  fb.fill(rgbColor(9, 9, 9));
  frame().paintNow();
  EXPECT_EQ(takeLog(), (Log{"paint 1 320x200"}));
  EXPECT_EQ(fb.pixel(0, 0), kBlack);
  EXPECT_EQ(fb.pixel(1, 0), kWhite);
  frame().paintNow();  // nothing pending
  EXPECT_TRUE(takeLog().empty());

  hb_.setClientSize(50, 40);
  EXPECT_EQ(takeLog(), (Log{"size 0 50x40"}));
  EXPECT_EQ(fb.width, 50);
  EXPECT_EQ(frame().client()->getClientRect().width(), 50);
  frame().paintNow();
  EXPECT_EQ(takeLog(), (Log{"paint 1 50x40"}));
}

TEST_F(FrameworkTest, CloseFromAHandlerWaitsForItThenTearsDown) {
  takeLog();
  frame().dispatch({WM_COMMAND, 99, 0, {}, 0, {}});
  EXPECT_EQ(takeLog(), (Log{"exit"}));
  EXPECT_TRUE(destroyed_);
  EXPECT_TRUE(frame().closed());
  EXPECT_EQ(frame().client(), nullptr);
  EXPECT_EQ(hb_.frame(), nullptr);
  frame().dispatch({WM_COMMAND, 10, 0, {}, 0, {}});  // a closed frame takes no more messages
  frame().close();
  EXPECT_TRUE(takeLog().empty());
  app_.destroyMainWindow();
  EXPECT_EQ(app_.mainWindow(), nullptr);
}

using A = DialogScript::Action;
A act(A::Kind kind, int control = 0, std::string text = {}, bool checked = false) {
  return {kind, control, std::move(text), checked, "here"};
}

class ValuesDialog : public TDialog {
 public:
  ValuesDialog(TWindow* parent, std::string initial, int& closeChecks, bool acceptOnce)
      : TDialog(parent, 5),
        number(this, 101, 5),
        flag(this, 102),
        initial_(std::move(initial)),
        closeChecks_(closeChecks),
        acceptOnce_(acceptOnce) {}
  void setupWindow() override {
    TDialog::setupWindow();
    number.setText(initial_);
    flag.setCheck(true);
  }
  bool canClose() override {
    seen = number.getText(100);
    return ++closeChecks_ > 1 || !acceptOnce_;
  }
  TEdit number;
  TCheckBox flag;
  std::string seen;

 private:
  std::string initial_;
  int& closeChecks_;
  bool acceptOnce_;
};

TEST_F(FrameworkTest, DialogActionsRunInOrderAfterSetUp) {
  int checks = 0;
  const struct {
    std::vector<A> actions;
    bool refuseFirstOk;
    int result;
    std::string seen;
    std::vector<bool> outcomes;  // passed, in order
    int closeChecks;
  } cases[] = {
      // set-up ran first; typing is cut at the limit, as the limit came from the edit
      {{act(A::ExpectText, 101, "12"), act(A::ExpectCheck, 102, "", true), act(A::ExpectText, 100, "Number:"),
        act(A::Set, 101, "1234567"), act(A::ExpectText, 101, "1234"), act(A::Ok)},
       false,
       IDOK,
       "1234",
       {true, true, true, true},
       1},
      {{act(A::Set, 101, "9"), act(A::Cancel)}, false, IDCANCEL, "", {}, 0},
      // a refused OK leaves it open for the next actions
      {{act(A::Ok), act(A::Set, 101, "7"), act(A::Ok)}, true, IDOK, "7", {}, 2},
      {{act(A::ExpectText, 101, "wrong"), act(A::Check, 102, "", false), act(A::ExpectCheck, 102, "", true),
        act(A::Ok)},
       false,
       IDOK,
       "12",
       {false, false},
       1},
      // running out of actions while open is a failure
      {{act(A::Set, 101, "3")}, false, IDCANCEL, "", {false}, 0},
      {{act(A::Set, 77, "3"), act(A::Cancel)}, false, IDCANCEL, "", {false}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.actions.size());
    hb_.outcomes.clear();
    checks = 0;
    for (const A& a : c.actions) dialogs_.queue(5, a);
    ValuesDialog d(frame().client(), "12", checks, c.refuseFirstOk);
    EXPECT_EQ(d.execute(), c.result);
    EXPECT_EQ(d.seen, c.seen);
    EXPECT_EQ(checks, c.closeChecks);
    std::vector<bool> passed;
    for (const auto& o : hb_.outcomes) passed.push_back(o.passed);
    EXPECT_EQ(passed, c.outcomes);
    EXPECT_EQ(d.peer(), nullptr);
  }
}

TEST_F(FrameworkTest, DialogQueueIsPerTemplateAndKeepsWhatFollowsTheClose) {
  int checks = 0;
  for (const A& a : {act(A::Ok), act(A::Set, 101, "55"), act(A::Ok)}) dialogs_.queue(5, a);
  ValuesDialog first(frame().client(), "1", checks, false);
  EXPECT_EQ(first.execute(), IDOK);
  EXPECT_EQ(first.seen, "1");
  ValuesDialog second(frame().client(), "2", checks, false);
  EXPECT_EQ(second.execute(), IDOK);
  EXPECT_EQ(second.seen, "55");
  EXPECT_TRUE(hb_.outcomes.empty());

  ValuesDialog unanswered(frame().client(), "3", checks, false);
  EXPECT_EQ(unanswered.execute(), IDCANCEL);
  ASSERT_EQ(hb_.outcomes.size(), 1u);
  EXPECT_FALSE(hb_.outcomes[0].passed);
  EXPECT_EQ(hb_.outcomes[0].detail, "dialog 5 shown with no queued answer");
}

TEST_F(FrameworkTest, EditTextIsReadThroughTheBuffer) {
  struct Reader : ValuesDialog {
    using ValuesDialog::ValuesDialog;
    bool canClose() override {
      texts = {number.getText(0), number.getText(1), number.getText(3), number.getText(50)};
      return true;
    }
    std::vector<std::string> texts;
  };
  int checks = 0;
  dialogs_.queue(5, act(A::Ok));
  Reader d(frame().client(), "abcdefgh", checks, false);  // set by the program: not limited
  EXPECT_EQ(d.execute(), IDOK);
  EXPECT_EQ(d.texts, (std::vector<std::string>{"", "", "ab", "abcdefgh"}));
}

TEST_F(FrameworkTest, FileDialogsTakeQueuedAnswersAndChangeDirectory) {
  TempDir dir;
  std::filesystem::create_directory(dir / "pics");
  const std::string old = currentDirectory();
  hb_.queueFileAnswer(dir / "pics/a.bmp");
  hb_.queueFileAnswer(std::nullopt);
  TFileOpenDialog open(frame().client(), "Bitmap Files|*.BMP");
  EXPECT_EQ(open.execute(), IDOK);
  EXPECT_EQ(open.fileName(), dir / "pics/a.bmp");
  EXPECT_EQ(currentDirectory(), std::filesystem::canonical(dir / "pics").string());
  TFileSaveDialog save(frame().client(), "Bitmap Files|*.BMP");
  EXPECT_EQ(save.execute(), IDCANCEL);
  EXPECT_EQ(save.fileName(), "");
  EXPECT_EQ(save.execute(), IDCANCEL);  // nothing queued
  ASSERT_EQ(hb_.outcomes.size(), 1u);
  EXPECT_EQ(hb_.outcomes[0].detail, "file dialog shown with no queued answer");
  setCurrentDirectory(old);
}

}  // namespace
