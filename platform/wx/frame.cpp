// The main window on wx: a frame with the native menu bar, a client canvas
// that shows the framebuffer, the scroll bars beside and below it and the
// status bar under them.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/dnd.h>
#include <wx/frame.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/scrolbar.h>
#include <wx/sizer.h>
#include <wx/window.h>

#include "platform/window.h"
#include "platform/wx/menu.h"
#include "platform/wx/pixels.h"
#include "platform/wx/wxhost.h"

namespace {

// Windows virtual-key code of a wx key code, for the keys the accelerator
// table and the client window know; nothing for the rest, which the toolkit
// keeps (menu navigation, F10).
std::optional<unsigned> virtualKey(int code) {
  if (code >= 'a' && code <= 'z') return static_cast<unsigned>(code - 'a' + 'A');
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return static_cast<unsigned>(code);
  if (code == WXK_RETURN || code == WXK_NUMPAD_ENTER) return VK_RETURN;
  if (code == WXK_ESCAPE) return VK_ESCAPE;
  if (code == WXK_LEFT || code == WXK_NUMPAD_LEFT) return VK_LEFT;
  if (code == WXK_RIGHT || code == WXK_NUMPAD_RIGHT) return VK_RIGHT;
  if (code == WXK_UP || code == WXK_NUMPAD_UP) return VK_UP;
  if (code == WXK_DOWN || code == WXK_NUMPAD_DOWN) return VK_DOWN;
  if (code == WXK_PAGEUP || code == WXK_NUMPAD_PAGEUP) return VK_PRIOR;
  if (code == WXK_PAGEDOWN || code == WXK_NUMPAD_PAGEDOWN) return VK_NEXT;
  // Shifted or not, the key that bears + and =.
  if (code == '=' || code == '+') return VK_OEM_PLUS;
  if (code == '-') return VK_OEM_MINUS;
  if (code == '[' || code == '{') return VK_OEM_4;
  if (code == ']' || code == '}') return VK_OEM_6;
  if (code == WXK_NUMPAD_ADD) return VK_ADD;
  if (code == WXK_NUMPAD_SUBTRACT) return VK_SUBTRACT;
  return std::nullopt;
}

unsigned accelModifiers(const wxKeyEvent& e) {
  return (e.ControlDown() ? ACCEL_CTRL : 0u) | (e.AltDown() ? ACCEL_ALT : 0u) |
         (e.ShiftDown() ? ACCEL_SHIFT : 0u);
}

// MK_* flags from the real button state, so that a drag whose button was
// released outside the window is not taken as still held.
unsigned mouseFlags(const wxMouseEvent& e) {
  return (e.LeftIsDown() ? MK_LBUTTON : 0u) | (e.RightIsDown() ? MK_RBUTTON : 0u) |
         (e.ShiftDown() ? MK_SHIFT : 0u) | (e.ControlDown() ? MK_CONTROL : 0u);
}

class WxHost;
class Canvas;

// Files dropped anywhere on the frame, as WM_DROPFILES for the client.
class FileDrop : public wxFileDropTarget {
 public:
  explicit FileDrop(Canvas* canvas) : canvas_(canvas) {}
  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) override;

 private:
  Canvas* canvas_;
};

class Canvas : public wxWindow {
 public:
  Canvas(wxWindow* parent, WxHost* host);
  WxHost* host = nullptr;  // nullptr once the frame is closed

 private:
  void onPaint(wxPaintEvent&);
  void onSize(wxSizeEvent&);
  void onMouse(wxMouseEvent& e);
  void onWheel(wxMouseEvent& e);
  TPoint lastPoint_{-1, -1};  // of the last message sent, in client pixels
  ScreenCopy screen_;
};

class WxHost : public FrameHost {
 public:
  explicit WxHost(TFrameWindow& window);
  ~WxHost() override;

  TFrameWindow& window() { return window_; }
  // Inside the paint handler: the framebuffer is about to be shown anyway.
  bool painting = false;
  // The framebuffer changed since the screen's copy of it was made.
  bool changed = true;
  void show();
  void keyDown(wxKeyEvent& e);
  void scrolled(wxScrollEvent& e, unsigned code, bool horizontal);

  void setCaption(const std::string& text) override {
    if (frame_) frame_->SetTitle(toWx(text));
  }
  void setMenu(const MenuResource& menu) override;
  void checkMenuItem(unsigned id, bool checked) override;
  void setIcon(const IconResource& icon) override;
  Framebuffer& framebuffer() override { return fb_; }
  // Paints are merged by the toolkit; the paint handler composes only when
  // one is pending, so showDrawing just shows the framebuffer again.
  void invalidate() override { refresh(); }
  void showDrawing() override {
    changed = true;
    refresh();
  }
  void setScrollRange(int min, int max, bool redraw) override;
  void setScrollPos(int pos, bool redraw) override;
  void setHScrollRange(int min, int max, bool redraw) override;
  void setHScrollPos(int pos, bool redraw) override;
  void setStatusText(const std::string& text) override {
    if (!frame_) return;
    frame_->SetStatusText(toWx(text));
    if (tracing()) {  // where the bar is on the screen (x y width height) and what it holds
      const wxStatusBar* bar = frame_->GetStatusBar();
      const wxRect r = bar->GetScreenRect();
      trace("status", std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.width) + " " +
                          std::to_string(r.height) + " " + fromWx(bar->GetStatusText()));
    }
  }
  std::optional<FramePlacement> placement() const override;
  void close() override;

 private:
  void command(wxCommandEvent& e);
  void closeRequested(wxCloseEvent& e);
  void destroyFrame();
  void refresh() {
    if (canvas_ && !painting) canvas_->Refresh(false);
  }

  TFrameWindow& window_;
  wxFrame* frame_;
  Canvas* canvas_;
  // A bar of the client, in Windows terms.
  struct Bar {
    wxScrollBar* bar = nullptr;
    int min = 0, max = 0, pos = 0;
  };
  void setRange(Bar& b, int min, int max);
  void setPos(Bar& b, int pos);
  Bar vertical_, horizontal_;
  Framebuffer fb_;
  // The frame's rectangle when last neither maximised nor minimised.
  wxRect restored_;
  // The check marks as the program set them: GTK toggles a check item
  // itself when it is chosen, Windows menus do not.
  std::map<int, bool> checks_;
  // While a menu is open its keys (arrows, Enter) are the menu's.
  int menusOpen_ = 0;
};

Canvas::Canvas(wxWindow* parent, WxHost* h)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE | wxBORDER_NONE),
      host(h) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  // Each paint covers the whole client in one transfer, so GTK's buffer
  // would only add a copy of it on the server.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_set_double_buffered(m_wxwindow, FALSE);
  G_GNUC_END_IGNORE_DEPRECATIONS
  Bind(wxEVT_PAINT, &Canvas::onPaint, this);
  Bind(wxEVT_SIZE, &Canvas::onSize, this);
  for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_RIGHT_DOWN, wxEVT_RIGHT_UP, wxEVT_MOTION})
    Bind(type, &Canvas::onMouse, this);
  Bind(wxEVT_MOUSEWHEEL, &Canvas::onWheel, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
}

void Canvas::onPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (!host) return;
  TFrameWindow& w = host->window();
  const auto start = std::chrono::steady_clock::now();
  if (w.paintPending()) {
    host->painting = true;
    w.paintNow();
    if (!host) return;  // the paint closed the window
    host->painting = false;
  }
  const auto drawn = std::chrono::steady_clock::now();
  Framebuffer& fb = host->framebuffer();
  if (fb.width > 0 && fb.height > 0) {
    screen_.present(dc, fb, host->changed);
    host->changed = false;
  }
  if (tracing()) {
    const wxPoint origin = ClientToScreen(wxPoint(0, 0));
    // The stages in microseconds: the program's drawing, the transfer to the screen.
    auto us = [](auto d) {
      return std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(d).count());
    };
    trace("paint", std::to_string(origin.x) + " " + std::to_string(origin.y) + " " +
                       std::to_string(fb.width) + " " + std::to_string(fb.height) + " " + us(drawn - start) +
                       " " + us(std::chrono::steady_clock::now() - drawn));
  }
}

void Canvas::onSize(wxSizeEvent& e) {
  const wxSize s = GetClientSize();
  if (host && s.x > 0 && s.y > 0) host->window().resizeClient(s.x, s.y);
  e.Skip();
}

void Canvas::onMouse(wxMouseEvent& e) {
  if (!host) return;
  const unsigned held = mouseFlags(e);
  const TPoint p{e.GetX(), e.GetY()};
  const wxEventType type = e.GetEventType();
  unsigned msg = WM_MOUSEMOVE;
  unsigned button = 0;  // the button of a press or release
  if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_UP) {
    msg = type == wxEVT_LEFT_DOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    button = MK_LBUTTON;
  } else if (type == wxEVT_RIGHT_DOWN || type == wxEVT_RIGHT_UP) {
    msg = type == wxEVT_RIGHT_DOWN ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    button = MK_RBUTTON;
  }
  const bool press = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN;
  // The flags say what is held after the event; the toolkit's state may
  // still be the one before it.
  const unsigned flags = msg == WM_MOUSEMOVE ? held : press ? held | button : held & ~button;
  auto send = [this](unsigned message, unsigned keyFlags, TPoint point) {
    TMessage m;
    m.msg = message;
    m.keyFlags = keyFlags;
    m.point = point;
    lastPoint_ = point;
    host->window().dispatch(m);
  };
  if (msg == WM_MOUSEMOVE) {
    trace("move");
    send(msg, flags, p);
    return;
  }
  // GTK may merge the last moves of a drag into the release: the pointer got
  // there with the buttons as they were before, so say so first.
  if (p != lastPoint_) send(WM_MOUSEMOVE, press ? flags & ~button : flags | button, p);
  if (!host) return;
  // Keep getting the moves of a drag that leaves the window.
  if (press) {
    SetFocus();
    if (!HasCapture()) CaptureMouse();
  } else if (!(flags & (MK_LBUTTON | MK_RBUTTON)) && HasCapture()) {
    ReleaseMouse();
  }
  send(msg, flags, p);
}

// Turns in WHEEL_DELTA units whatever the device's step; a sideways turn
// (tilt wheel, touchpad) is Shift with the wheel, as on Windows.
void Canvas::onWheel(wxMouseEvent& e) {
  if (!host || e.GetWheelDelta() <= 0) return;
  TMessage m;
  m.msg = WM_MOUSEWHEEL;
  m.keyFlags = mouseFlags(e);
  m.point = {e.GetX(), e.GetY()};
  m.pos = e.GetWheelRotation() * WHEEL_DELTA / e.GetWheelDelta();
  if (e.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL) {
    m.keyFlags |= MK_SHIFT;
    m.pos = -m.pos;
  }
  if (m.pos != 0) host->window().dispatch(m);
}

// The work areas of every screen, the primary one first.
std::vector<TRect> workAreas() {
  std::vector<TRect> areas;
  const unsigned n = wxDisplay::GetCount();
  for (unsigned i = 0; i < n; ++i) {
    const wxDisplay d(i);
    const wxRect a = d.GetClientArea();
    const TRect r{a.x, a.y, a.x + a.width, a.y + a.height};
    if (d.IsPrimary())
      areas.insert(areas.begin(), r);
    else
      areas.push_back(r);
  }
  return areas;
}

WxHost::WxHost(TFrameWindow& window) : window_(window) {
  const FramePlacement place = firstPlacement(workAreas(), window.savedPlacement());
  const TRect& r = place.rect;
  frame_ = new wxFrame(nullptr, wxID_ANY, toWx(window.caption()), wxPoint(r.left, r.top),
                       wxSize(r.width(), r.height()));
  restored_ = frame_->GetRect();
  if (place.maximised) frame_->Maximize();
  frame_->CreateStatusBar(1);
  canvas_ = new Canvas(frame_, this);
  vertical_.bar = new wxScrollBar(frame_, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSB_VERTICAL);
  horizontal_.bar = new wxScrollBar(frame_, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSB_HORIZONTAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(canvas_, 1, wxEXPAND);
  row->Add(vertical_.bar, 0, wxEXPAND);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(row, 1, wxEXPAND);
  sizer->Add(horizontal_.bar, 0, wxEXPAND);
  frame_->SetSizer(sizer);
  vertical_.bar->Hide();
  horizontal_.bar->Hide();
  auto keepRestored = [this](wxEvent& e) {
    if (frame_ && !frame_->IsMaximized() && !frame_->IsIconized()) restored_ = frame_->GetRect();
    e.Skip();
  };
  frame_->Bind(wxEVT_SIZE, keepRestored);
  frame_->Bind(wxEVT_MOVE, keepRestored);
  frame_->SetDropTarget(new FileDrop(canvas_));

  // Keys anywhere in the frame go through our accelerator table first, as a
  // Windows frame translates them in its message loop.
  frame_->Bind(wxEVT_CHAR_HOOK, &WxHost::keyDown, this);
  frame_->Bind(wxEVT_MENU, &WxHost::command, this);
  frame_->Bind(wxEVT_MENU_OPEN, [this](wxMenuEvent& e) {
    ++menusOpen_;
    e.Skip();
  });
  frame_->Bind(wxEVT_MENU_CLOSE, [this](wxMenuEvent& e) {
    menusOpen_ = std::max(0, menusOpen_ - 1);
    e.Skip();
  });
  frame_->Bind(wxEVT_CLOSE_WINDOW, &WxHost::closeRequested, this);
  frame_->Bind(wxEVT_ACTIVATE, [this](wxActivateEvent& e) {
    if (e.GetActive() && canvas_) canvas_->SetFocus();
    e.Skip();
  });
  const std::pair<wxEventTypeTag<wxScrollEvent>, unsigned> codes[] = {
      {wxEVT_SCROLL_LINEUP, SB_LINEUP},
      {wxEVT_SCROLL_LINEDOWN, SB_LINEDOWN},
      {wxEVT_SCROLL_PAGEUP, SB_PAGEUP},
      {wxEVT_SCROLL_PAGEDOWN, SB_PAGEDOWN},
      {wxEVT_SCROLL_THUMBTRACK, SB_THUMBTRACK},
      {wxEVT_SCROLL_THUMBRELEASE, SB_THUMBPOSITION},
      {wxEVT_SCROLL_TOP, SB_TOP},
      {wxEVT_SCROLL_BOTTOM, SB_BOTTOM},
      {wxEVT_SCROLL_CHANGED, SB_ENDSCROLL}};
  for (const auto& [type, code] : codes) {
    vertical_.bar->Bind(type, [this, code = code](wxScrollEvent& e) { scrolled(e, code, false); });
    horizontal_.bar->Bind(type, [this, code = code](wxScrollEvent& e) { scrolled(e, code, true); });
  }
}

WxHost::~WxHost() { destroyFrame(); }

bool FileDrop::OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) {
  TMessage m;
  m.msg = WM_DROPFILES;
  for (const wxString& name : names) m.files.push_back(fileNameFromWx(name));
  // The drop ends once the toolkit has its answer; what the files then do,
  // message boxes included, comes after. A closed frame's canvas has no host.
  canvas_->CallAfter([canvas = canvas_, m] {
    if (canvas->host) canvas->host->window().dispatch(m);
  });
  return true;
}

void WxHost::show() {
  if (!frame_) return;
  frame_->Show();
  canvas_->SetFocus();
}

void WxHost::destroyFrame() {
  if (!frame_) return;
  canvas_->host = nullptr;
  frame_->Unbind(wxEVT_CHAR_HOOK, &WxHost::keyDown, this);
  frame_->Unbind(wxEVT_MENU, &WxHost::command, this);
  frame_->Unbind(wxEVT_CLOSE_WINDOW, &WxHost::closeRequested, this);
  frame_->Destroy();
  frame_ = nullptr;
  canvas_ = nullptr;
  vertical_.bar = horizontal_.bar = nullptr;
}

void WxHost::close() {
  destroyFrame();
  wxTheApp->ExitMainLoop();
}

void WxHost::closeRequested(wxCloseEvent&) {
  // The same tear-down as Exit; it ends in close() above.
  window_.close();
}

void WxHost::keyDown(wxKeyEvent& e) {
  const std::optional<unsigned> vk = virtualKey(e.GetKeyCode());
  if (!vk || menusOpen_ > 0) {
    e.Skip();
    return;
  }
  if (!window_.keyDown(*vk, accelModifiers(e))) e.Skip();
}

void WxHost::command(wxCommandEvent& e) {
  const int id = e.GetId();
  if (wxMenuItem* item = frame_->GetMenuBar()->FindItem(id); item && item->IsCheckable())
    item->Check(checks_[id]);
  TMessage m;
  m.msg = WM_COMMAND;
  m.id = static_cast<unsigned>(id);
  window_.dispatch(m);
}

void WxHost::setMenu(const MenuResource& menu) {
  auto* bar = new wxMenuBar;
  checks_.clear();
  for (const MenuPopup& popup : menu.popups) {
    auto* m = new wxMenu;
    // GTK draws an empty box beside every unchecked check item: only a
    // popup that starts with a check mark (the views) gets them.
    const bool checkable =
        std::any_of(popup.items.begin(), popup.items.end(), [](const MenuItem& i) { return i.checked; });
    for (const MenuItem& item : popup.items) {
      if (item.id == 0) {
        m->AppendSeparator();
        continue;
      }
      // Our accelerator table alone drives the keys: no "\t" for wx.
      const std::size_t cut = item.text.find('\b');
      const std::string label = item.text.substr(0, cut);
      const int id = static_cast<int>(item.id);
      wxMenuItem* mi = checkable ? m->AppendCheckItem(id, toWx(label)) : m->Append(id, toWx(label));
      if (checkable) mi->Check(item.checked);
      if (cut != std::string::npos) showShortcut(mi, label, item.text.substr(cut + 1));
      checks_[id] = item.checked;
    }
    bar->Append(m, toWx(popup.text));
  }
  frame_->SetMenuBar(bar);
}

void WxHost::checkMenuItem(unsigned id, bool checked) {
  const int wid = static_cast<int>(id);
  checks_[wid] = checked;
  if (wxMenuBar* bar = frame_ ? frame_->GetMenuBar() : nullptr)
    if (wxMenuItem* item = bar->FindItem(wid); item && item->IsCheckable()) item->Check(checked);
}

void WxHost::setIcon(const IconResource& icon) {
  const std::size_t pixels = static_cast<std::size_t>(icon.width) * icon.height;
  if (icon.width <= 0 || icon.height <= 0 || icon.rgba.size() != pixels * 4) return;
  wxImage image(icon.width, icon.height);
  image.InitAlpha();
  unsigned char* rgb = image.GetData();
  unsigned char* alpha = image.GetAlpha();
  for (std::size_t i = 0; i < pixels; ++i) {
    for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = icon.rgba[i * 4 + c];
    alpha[i] = icon.rgba[i * 4 + 3];
  }
  wxIcon wicon;
  wicon.CopyFromBitmap(wxBitmap(image));
  frame_->SetIcon(wicon);
}

// Windows positions run min..max inclusive; wx ones 0..range-1 with a thumb
// of 1, so a wx position is the distance from min.
// The toolkit lays the frame out again, and so repaints the whole client,
// whenever a bar is set, even to what it shows: only changes reach it.
void WxHost::setRange(Bar& b, int min, int max) {
  if (!b.bar || (min == b.min && max == b.max)) return;
  b.min = min;
  b.max = max;
  const bool shown = min < max;
  if (shown) {
    b.pos = std::clamp(b.pos, min, max);
    b.bar->SetScrollbar(b.pos - min, 1, max - min + 1, 1);
  }
  if (shown != b.bar->IsShown()) {
    b.bar->Show(shown);
    frame_->Layout();
  }
}

void WxHost::setPos(Bar& b, int pos) {
  if (!b.bar || pos == b.pos) return;
  b.pos = pos;
  if (b.min < b.max) b.bar->SetThumbPosition(std::clamp(pos, b.min, b.max) - b.min);
}

void WxHost::setScrollRange(int min, int max, bool) { setRange(vertical_, min, max); }
void WxHost::setScrollPos(int pos, bool) { setPos(vertical_, pos); }
void WxHost::setHScrollRange(int min, int max, bool) { setRange(horizontal_, min, max); }
void WxHost::setHScrollPos(int pos, bool) { setPos(horizontal_, pos); }

void WxHost::scrolled(wxScrollEvent& e, unsigned code, bool horizontal) {
  TMessage m;
  m.msg = horizontal ? WM_HSCROLL : WM_VSCROLL;
  m.id = code;
  m.pos = e.GetPosition() + (horizontal ? horizontal_ : vertical_).min;
  window_.dispatch(m);
}

std::optional<FramePlacement> WxHost::placement() const {
  if (!frame_) return std::nullopt;
  const wxRect& r = restored_;
  return FramePlacement{{r.x, r.y, r.x + r.width, r.y + r.height}, frame_->IsMaximized()};
}

}  // namespace

std::unique_ptr<FrameHost> createWxFrame(TFrameWindow& frame) { return std::make_unique<WxHost>(frame); }

void showWxFrame(FrameHost& host) { static_cast<WxHost&>(host).show(); }
