#pragma once
// The real main window on the headless back end, with a profile and a current
// directory of its own for each test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "image/bmp.h"
#include "image/picture.h"
#include "image/tbitmap.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "testing/dialogscript.h"
#include "testing/tempdir.h"
#include "ui/tmyapp.h"

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : oldDirectory_(currentDirectory()) {
    ::setenv("BINOXA_PROFILE", profilePath().c_str(), 1);
    setCurrentDirectory(dir_.path());
  }
  ~WindowTest() override {
    app_.reset();
    setCurrentDirectory(oldDirectory_);
    ::unsetenv("BINOXA_PROFILE");
  }

  // Starts the program and runs its first paint, so that a later pending
  // repaint is the doing of what the test did.
  void start() {
    app_ = std::make_unique<tmyapp>(hb_);
    app_->run();
    paint();
  }
  tmywindow& w() { return *app_->window(); }
  TFrameWindow& frame() { return *app_->mainWindow(); }
  HeadlessFrame& host() { return *hb_.frame(); }
  std::string profilePath() const { return dir_ / "binoxa.ini"; }
  std::string path(const std::string& name) const { return dir_ / name; }

  void command(unsigned id) { frame().dispatch({WM_COMMAND, id, 0, {}, 0, {}}); }
  void mouse(unsigned msg, int x, int y, unsigned flags = 0) {
    frame().dispatch({msg, 0, flags, {x, y}, 0, {}});
  }
  void paint() { frame().paintNow(); }
  TColor pixel(int x, int y) { return host().framebuffer().pixel(x, y); }

  // Answers for the next modal dialog on a template.
  using Action = DialogScript::Action;
  void act(int dialog, Action::Kind kind, int control = 0, std::string text = {}, bool checked = false) {
    dialogs_.queue(dialog, {kind, control, std::move(text), checked, {}});
  }
  void set(int dialog, int control, const std::string& text) { act(dialog, Action::Set, control, text); }
  void expectText(int dialog, int control, const std::string& text) {
    act(dialog, Action::ExpectText, control, text);
  }
  void press(int dialog, Action::Kind button) { act(dialog, button); }
  void allDialogExpectationsPassed() {
    for (const auto& o : hb_.outcomes) EXPECT_TRUE(o.passed) << o.where << ": " << o.detail;
  }

  // A w x h picture of one colour, written as a BMP file.
  std::string writePicture(const std::string& name, int width, int height, tpixel colour = {}) {
    tbitmap picture(width, height);
    picture.fillRect(0, 0, width, height, colour);
    EXPECT_TRUE(saveBmp(picture, path(name)).ok());
    return path(name);
  }
  // Pictures with no files, at 0 0.
  void pictures(bool left, bool right, int width = 100, int height = 80) {
    w().workspace().openPictures(left ? std::make_unique<tbitmap>(width, height) : nullptr,
                                 right ? std::make_unique<tbitmap>(width, height) : nullptr);
  }
  void position(int x, int y) { w().workspace().setPosition(x, y); }
  std::pair<std::string, std::string> popMessage() {
    if (hb_.messages.empty()) return {};
    auto m = hb_.messages.front();
    hb_.messages.pop_front();
    return m;
  }

  TempDir dir_;
  HeadlessBackend hb_;
  DialogScript dialogs_{hb_};
  std::unique_ptr<tmyapp> app_;

 private:
  std::string oldDirectory_;
};
