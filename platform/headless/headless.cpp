#include "platform/headless/headless.h"

#include <algorithm>

#include "platform/dialog.h"
#include "platform/window.h"

namespace {

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// The controls of a running dialog as plain values.
class HeadlessPeer : public DialogPeer {
 public:
  explicit HeadlessPeer(const DialogTemplate& t) {
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

}  // namespace

HeadlessBackend::HeadlessBackend(int clientWidth, int clientHeight)
    : width_(clientWidth), height_(clientHeight) {}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::queueFileAnswer(std::optional<std::string> absolutePath) {
  fileAnswers_.push_back(std::move(absolutePath));
}

void HeadlessBackend::queueDialogAction(int templateId, DialogAction action) {
  dialogActions_[templateId].push_back(std::move(action));
}

void HeadlessBackend::setClientSize(int w, int h) {
  width_ = w;
  height_ = h;
  if (frame_) frame_->window().resizeClient(w, h);
}

std::unique_ptr<FrameHost> HeadlessBackend::createFrame(TFrameWindow& frame) {
  auto host = std::make_unique<HeadlessFrame>(*this, frame, width_, height_);
  frame_ = host.get();
  return host;
}

int HeadlessBackend::runLoop(TApplication&) { return 0; }

int HeadlessBackend::runModal(TDialog& dialog) {
  const int id = dialog.dialogTemplate().id;
  const std::string name = "dialog " + std::to_string(id);
  std::deque<DialogAction>& queue = dialogActions_[id];
  if (queue.empty()) {
    outcomes.push_back({false, "", name + " shown with no queued answer"});
    return IDCANCEL;
  }
  HeadlessPeer peer(dialog.dialogTemplate());
  dialog.attach(&peer);
  int result = 0;
  std::string lastWhere;
  while (result == 0 && !queue.empty()) {
    const DialogAction a = std::move(queue.front());
    queue.pop_front();
    lastWhere = a.where;
    const std::string control = name + " control " + std::to_string(a.control);
    const bool needsControl = a.kind != DialogAction::Ok && a.kind != DialogAction::Cancel;
    if (needsControl && !peer.has(a.control)) {
      outcomes.push_back({false, a.where, name + " has no control " + std::to_string(a.control)});
      continue;
    }
    switch (a.kind) {
      case DialogAction::Set:
        peer.type(a.control, a.text);
        break;
      case DialogAction::Check:
        peer.setCheck(a.control, a.checked);
        break;
      case DialogAction::ExpectText: {
        const std::string seen = peer.getText(a.control);
        outcomes.push_back(
            {seen == a.text, a.where, control + ": expected " + quoted(a.text) + ", saw " + quoted(seen)});
        break;
      }
      case DialogAction::ExpectCheck: {
        const bool seen = peer.getCheck(a.control);
        outcomes.push_back(
            {seen == a.checked, a.where,
             control + ": expected check " + std::to_string(a.checked) + ", saw " + std::to_string(seen)});
        break;
      }
      case DialogAction::Ok:
        if (dialog.canClose()) result = IDOK;
        break;
      case DialogAction::Cancel:
        result = IDCANCEL;
        break;
    }
  }
  if (result == 0) {
    outcomes.push_back({false, lastWhere, name + " still open after its queued actions"});
    result = IDCANCEL;
  }
  dialog.detach();
  return result;
}

std::optional<std::string> HeadlessBackend::chooseFile(FileDialogKind, const std::string&, TWindow*) {
  if (fileAnswers_.empty()) {
    outcomes.push_back({false, "", "file dialog shown with no queued answer"});
    return std::nullopt;
  }
  auto answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

int HeadlessBackend::messageBox(TWindow*, const std::string& text, const std::string& title) {
  messages.emplace_back(title, text);
  return IDOK;
}

void HeadlessBackend::beep(unsigned) { ++beeps; }

// --- HeadlessFrame ---

HeadlessFrame::HeadlessFrame(HeadlessBackend& backend, TFrameWindow& frame, int w, int h)
    : backend_(backend), window_(frame) {
  fb_.resize(w, h);
}

HeadlessFrame::~HeadlessFrame() {
  if (backend_.frame_ == this) backend_.frame_ = nullptr;
}

void HeadlessFrame::setMenu(const MenuResource& m) {
  menu = &m;
  checks.clear();
  for (const MenuPopup& popup : m.popups)
    for (const MenuItem& item : popup.items)
      if (item.id != 0) checks[item.id] = item.checked;
}

// A new range pulls the position into it, as the system's scroll bar does.
void HeadlessFrame::setScrollRange(int min, int max, bool) {
  scrollMin = min;
  scrollMax = max;
  scrollPos = std::clamp(scrollPos, min, std::max(min, max));
}

void HeadlessFrame::setHScrollRange(int min, int max, bool) {
  hscrollMin = min;
  hscrollMax = max;
  hscrollPos = std::clamp(hscrollPos, min, std::max(min, max));
}

void HeadlessFrame::close() {
  if (backend_.frame_ == this) backend_.frame_ = nullptr;
}
