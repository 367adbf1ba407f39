#include "platform/headless/headless.h"

#include <algorithm>

#include "platform/dialog.h"
#include "platform/window.h"

HeadlessBackend::HeadlessBackend(int clientWidth, int clientHeight)
    : width_(clientWidth), height_(clientHeight) {}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::queueFileAnswer(std::optional<std::string> absolutePath) {
  fileAnswers_.push_back(std::move(absolutePath));
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
  if (!answerer_) {
    outcomes.push_back(
        {false, "",
         "dialog " + std::to_string(dialog.dialogTemplate().id) + " shown with nobody to answer it"});
    return IDCANCEL;
  }
  HeadlessDialog controls(dialog.dialogTemplate());
  dialog.attach(&controls);
  const int result = answerer_(dialog, controls);
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
