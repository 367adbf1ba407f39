#pragma once
// The headless back end: a framebuffer of a set size, events fed by the
// caller, queued answers for file dialogs and modal dialogs, and a record of
// everything a user would have seen. Deterministic; used by the scenario
// runner, the tests and binoxa-cli.
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/dialog.h"

class HeadlessFrame;

// The controls of a running dialog as plain values.
class HeadlessDialog : public DialogPeer {
 public:
  explicit HeadlessDialog(const DialogTemplate& t) {
    for (const ControlTemplate& c : t.controls) {
      Control& control = controls_[c.id];
      if (c.kind == ControlKind::DropDownList) {
        for (std::size_t at = 0; at <= c.text.size();) {
          const std::size_t end = std::min(c.text.find('\n', at), c.text.size());
          control.items.push_back(c.text.substr(at, end - at));
          at = end + 1;
        }
        control.text = control.items.empty() ? std::string() : control.items.front();
      } else if (c.kind != ControlKind::Edit) {
        control.text = c.text;
      }
    }
  }

  bool has(int id) const { return controls_.count(id) != 0; }
  // What typing does: the whole text replaced, cut at the limit.
  void type(int id, const std::string& text) {
    Control& c = controls_[id];
    if (!c.items.empty())
      setText(id, text);
    else
      c.text = c.limit ? text.substr(0, c.limit) : text;
  }

  std::string getText(int id) override { return controls_[id].text; }
  void setText(int id, const std::string& text) override {
    Control& c = controls_[id];
    if (c.items.empty() || std::find(c.items.begin(), c.items.end(), text) != c.items.end()) c.text = text;
  }
  bool getCheck(int id) override { return controls_[id].checked; }
  void setCheck(int id, bool checked) override { controls_[id].checked = checked; }
  void setTextLimit(int id, std::size_t maxChars) override { controls_[id].limit = maxChars; }

 private:
  struct Control {
    std::string text;
    bool checked = false;
    std::size_t limit = 0;
    std::vector<std::string> items;  // a drop-down list's
  };
  std::map<int, Control> controls_;
};

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(int clientWidth = 800, int clientHeight = 600);
  ~HeadlessBackend() override;

  struct Outcome {  // a failure of the back end, or a check of whoever answers its dialogs
    bool passed;
    std::string where;
    std::string detail;  // what was seen / what went wrong
  };

  // --- answers ---
  void queueFileAnswer(std::optional<std::string> absolutePath);  // nullopt: cancel
  // Who runs each modal dialog on its controls and gives IDOK or IDCANCEL;
  // without one a dialog is a failure, cancelled.
  using DialogAnswerer = std::function<int(TDialog& dialog, HeadlessDialog& controls)>;
  void answerDialogs(DialogAnswerer answerer) { answerer_ = std::move(answerer); }

  // --- records ---
  std::deque<std::pair<std::string, std::string>> messages;  // (title, text), oldest first
  int beeps = 0;
  bool busy = false;              // the busy cursor is shown
  int busyShown = 0;              // times it was turned on
  std::vector<Outcome> outcomes;  // in order
  std::size_t pendingFileAnswers() const { return fileAnswers_.size(); }

  // --- the frame (nullptr before start and after it closed) ---
  HeadlessFrame* frame() const { return frame_; }
  int clientWidth() const { return width_; }
  int clientHeight() const { return height_; }
  // Sets the client size; with a frame, resizes it and sends WM_SIZE.
  void setClientSize(int w, int h);

  // Backend
  std::unique_ptr<FrameHost> createFrame(TFrameWindow& frame) override;
  int runLoop(TApplication& app) override;  // returns at once: the caller drives
  int runModal(TDialog& dialog) override;
  std::optional<std::string> chooseFile(FileDialogKind kind, const std::string& filter,
                                        TWindow* owner) override;
  int messageBox(TWindow* owner, const std::string& text, const std::string& title) override;
  void beep(unsigned type) override;
  void setBusy(bool on) override {
    busyShown += on ? 1 : 0;
    busy = on;
  }

 private:
  friend class HeadlessFrame;
  int width_, height_;
  HeadlessFrame* frame_ = nullptr;
  std::deque<std::optional<std::string>> fileAnswers_;
  DialogAnswerer answerer_;
};

class HeadlessFrame : public FrameHost {
 public:
  HeadlessFrame(HeadlessBackend& backend, TFrameWindow& frame, int w, int h);
  ~HeadlessFrame() override;

  TFrameWindow& window() { return window_; }
  std::string caption;
  std::map<unsigned, bool> checks;  // menu check marks by command id
  int scrollMin = 0, scrollMax = 0, scrollPos = 0;
  int hscrollMin = 0, hscrollMax = 0, hscrollPos = 0;
  std::string status;
  const MenuResource* menu = nullptr;
  bool hasIcon = false;
  int presented = 0;  // showDrawing calls

  void setCaption(const std::string& text) override { caption = text; }
  void setMenu(const MenuResource& m) override;
  void checkMenuItem(unsigned id, bool checked) override { checks[id] = checked; }
  void setIcon(const IconResource&) override { hasIcon = true; }
  Framebuffer& framebuffer() override { return fb_; }
  void invalidate() override {}
  void showDrawing() override { ++presented; }
  void setScrollRange(int min, int max, bool) override;
  void setScrollPos(int pos, bool) override { scrollPos = pos; }
  void setHScrollRange(int min, int max, bool) override;
  void setHScrollPos(int pos, bool) override { hscrollPos = pos; }
  void setStatusText(const std::string& text) override { status = text; }
  // No screen: nothing to keep.
  std::optional<FramePlacement> placement() const override { return std::nullopt; }
  void close() override;

 private:
  HeadlessBackend& backend_;
  TFrameWindow& window_;
  Framebuffer fb_;
};
