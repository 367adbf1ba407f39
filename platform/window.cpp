#include "platform/window.h"

#include <cassert>
#include <new>
#include <utility>

#include "platform/backend.h"

namespace {

TApplication* g_application = nullptr;

// The frame whose client area a window draws in: its own frame, or itself when it is one.
TFrameWindow* drawingFrame(TWindow& w) { return w.frame() ? w.frame() : dynamic_cast<TFrameWindow*>(&w); }

FrameHost* hostOf(const TWindow& w) {
  const TFrameWindow* f = w.frame() ? w.frame() : dynamic_cast<const TFrameWindow*>(&w);
  return f ? f->host() : nullptr;
}

const ResourceModule& module() {
  assert(g_application && "resources are looked up during a run");
  return g_application->module();
}

}  // namespace

Backend& backend() {
  assert(g_application && "the back end is the running application's");
  return g_application->backend();
}

TApplication* currentApplication() { return g_application; }

// --- TWindow ---

TWindow::TWindow(TWindow* parent, std::string title) : parent_(parent), title_(std::move(title)) {}

TWindow::~TWindow() = default;

bool TWindow::handleMessage(const TMessage&) { return false; }

void TWindow::paint(TDC&, bool, const TRect&) {}

bool TWindow::canClose() { return true; }

void TWindow::invalidate(bool) {
  TFrameWindow* f = drawingFrame(*this);
  if (!f) return;
  f->paintPending_ = true;
  if (f->host_) f->host_->invalidate();
}

TRect TWindow::getClientRect() const {
  FrameHost* h = hostOf(*this);
  if (!h) return {};
  return {0, 0, h->framebuffer().width, h->framebuffer().height};
}

TDC TWindow::getDC() {
  // A window without a client area draws into nothing.
  static Framebuffer nowhere;
  TFrameWindow* f = drawingFrame(*this);
  if (!f || !f->host_) return TDC(nowhere);
  f->drawnOutsidePaint_ = true;
  return TDC(f->host_->framebuffer());
}

void TWindow::setScrollRange(int min, int max, bool redraw) {
  if (FrameHost* h = hostOf(*this)) h->setScrollRange(min, max, redraw);
}

void TWindow::setScrollPos(int pos, bool redraw) {
  if (FrameHost* h = hostOf(*this)) h->setScrollPos(pos, redraw);
}

void TWindow::setHScrollRange(int min, int max, bool redraw) {
  if (FrameHost* h = hostOf(*this)) h->setHScrollRange(min, max, redraw);
}

void TWindow::setHScrollPos(int pos, bool redraw) {
  if (FrameHost* h = hostOf(*this)) h->setHScrollPos(pos, redraw);
}

int TWindow::messageBox(const std::string& text, const std::string& title) {
  TWindow* owner = g_application && g_application->mainWindow() ? g_application->mainWindow() : this;
  return backend().messageBox(owner, text, title);
}

void TWindow::messageBeep(unsigned type) { backend().beep(type); }

void TWindow::closeWindow() {
  if (!canClose()) return;
  if (TFrameWindow* f = drawingFrame(*this)) f->close();
}

// --- TMenu ---

void TMenu::checkMenuItem(unsigned id, bool checked) {
  if (frame_->menu_)
    for (MenuPopup& popup : frame_->menu_->popups)
      for (MenuItem& item : popup.items)
        if (item.id == id) item.checked = checked;
  if (frame_->host_) frame_->host_->checkMenuItem(id, checked);
}

// --- TFrameWindow ---

TFrameWindow::TFrameWindow(TWindow* parent, std::string caption, std::unique_ptr<TWindow> client)
    : TWindow(parent, caption), client_(std::move(client)), caption_(std::move(caption)) {
  if (client_) client_->frame_ = this;
}

TFrameWindow::~TFrameWindow() {
  client_.reset();
  host_.reset();
}

void TFrameWindow::assignMenu(int resId) {
  const MenuResource* m = module().menu(resId);
  assert(m && "menu resource exists");
  menu_ = *m;
  if (host_) host_->setMenu(*menu_);
}

void TFrameWindow::setAcceleratorTable(int resId) {
  const AccelTable* t = module().accelTable(resId);
  assert(t && "accelerator table exists");
  accel_ = *t;
}

void TFrameWindow::setIcon(int resId) {
  const IconResource* i = module().icon(resId);
  assert(i && "icon resource exists");
  icon_ = *i;
  if (host_) host_->setIcon(*icon_);
}

void TFrameWindow::setCaption(const std::string& text) {
  caption_ = text;
  if (host_) host_->setCaption(caption_);
}

void TFrameWindow::setStatusText(const std::string& text) {
  if (text == status_) return;  // set after every message: the toolkit only hears of changes
  status_ = text;
  if (host_) host_->setStatusText(status_);
}

std::optional<FramePlacement> TFrameWindow::placement() const {
  return host_ ? host_->placement() : std::nullopt;
}

void TFrameWindow::create() {
  host_ = backend().createFrame(*this);
  host_->setCaption(caption_);
  host_->setStatusText(status_);
  if (menu_) host_->setMenu(*menu_);
  if (icon_) host_->setIcon(*icon_);
  resizeClient(host_->framebuffer().width, host_->framebuffer().height);
}

bool TFrameWindow::keyDown(unsigned vk, unsigned modifiers) {
  if (accel_) {
    for (const AccelEntry& e : accel_->entries) {
      if (e.key == vk && e.modifiers == modifiers) {
        dispatch({WM_COMMAND, e.command, 0, {}, 0, {}});
        return true;
      }
    }
  }
  // An unbound Alt key is a system key: the menu bar's, not the client's.
  if (modifiers & ACCEL_ALT) return false;
  const unsigned held =
      (modifiers & ACCEL_SHIFT ? MK_SHIFT : 0u) | (modifiers & ACCEL_CTRL ? MK_CONTROL : 0u);
  dispatch({WM_KEYDOWN, vk, held, {}, 0, {}});
  return true;
}

void TFrameWindow::dispatch(const TMessage& m) {
  if (closed_ || !client_) return;
  ++dispatchDepth_;
  try {
    client_->handleMessage(m);
  } catch (const std::bad_alloc&) {
    // Whatever the handler was building is dropped; the window goes on.
    client_->messageBox("Not enough memory", "Error");
  }
  --dispatchDepth_;
  if (closed_) {
    if (dispatchDepth_ == 0) finishClose();
    return;
  }
  // Only a handler that drew has something new to show: converting the
  // whole framebuffer after every mouse move would cost a full frame each.
  if (host_ && std::exchange(drawnOutsidePaint_, false)) host_->showDrawing();
}

void TFrameWindow::resizeClient(int width, int height) {
  if (!host_ || closed_) return;
  host_->framebuffer().resize(width, height);
  dispatch({WM_SIZE, 0, 0, {width, height}, 0, {}});
}

void TFrameWindow::paintNow() {
  if (!paintPending_ || closed_ || !client_ || !host_) return;
  paintPending_ = false;
  Framebuffer& fb = host_->framebuffer();
  if (!client_->paintsWholeClient()) fb.fill(kWhite);
  TDC dc(fb);
  ++dispatchDepth_;
  client_->paint(dc, true, {0, 0, fb.width, fb.height});
  --dispatchDepth_;
  if (closed_) {
    if (dispatchDepth_ == 0) finishClose();
    return;
  }
  host_->showDrawing();
}

void TFrameWindow::close() {
  if (closed_) return;
  closed_ = true;
  if (dispatchDepth_ == 0) finishClose();
}

void TFrameWindow::finishClose() {
  if (!client_) return;
  client_.reset();
  if (host_) host_->close();
}

// --- TApplication ---

TApplication::TApplication(std::string name, const ResourceModule& module, Backend& backend)
    : name_(std::move(name)), module_(module), backend_(backend) {}

TApplication::~TApplication() {
  main_.reset();
  if (g_application == this) g_application = nullptr;
}

int TApplication::run() {
  g_application = this;
  createMainWindow();
  assert(main_ && "createMainWindow sets the main window");
  main_->create();
  if (!startFiles_.empty()) {
    TMessage drop;
    drop.msg = WM_DROPFILES;
    drop.files = std::move(startFiles_);
    main_->dispatch(drop);
  }
  return backend_.runLoop(*this);
}

void TApplication::setMainWindow(std::unique_ptr<TFrameWindow> frame) { main_ = std::move(frame); }

void TApplication::destroyMainWindow() { main_.reset(); }

TBusyCursor::TBusyCursor() {
  if (g_application && g_application->busyDepth_++ == 0) backend().setBusy(true);
}

TBusyCursor::~TBusyCursor() {
  if (g_application && --g_application->busyDepth_ == 0) backend().setBusy(false);
}
