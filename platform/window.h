#pragma once
// The window framework the program is written against: application, frame
// window hosting one client window, windows with static message maps.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/placement.h"
#include "platform/resources.h"
#include "platform/types.h"

class Backend;
class FrameHost;
class TFrameWindow;
class TApplication;

class TWindow {
 public:
  explicit TWindow(TWindow* parent = nullptr, std::string title = {});
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  // Message map lookup: a class looks in its own table, then its base's.
  // Returns false when no table handles the message (default handling).
  virtual bool handleMessage(const TMessage& m);
  virtual void paint(TDC& dc, bool erase, const TRect& rect);
  // Whether paint sets every pixel of the client itself, so the frame need
  // not clear it to white first (a whole frame's worth of memory each time).
  virtual bool paintsWholeClient() const { return false; }
  // Asked before the window is closed; false keeps it open.
  virtual bool canClose();

  // Marks the whole client area for repainting; the next paint first fills it
  // with the window background (white).
  void invalidate(bool erase = true);
  TRect getClientRect() const;
  // Draws straight into the client area, outside the paint cycle.
  TDC getDC();
  void setScrollRange(int min, int max, bool redraw = true);
  void setScrollPos(int pos, bool redraw = true);
  // The horizontal scroll bar; it sends WM_HSCROLL.
  void setHScrollRange(int min, int max, bool redraw = true);
  void setHScrollPos(int pos, bool redraw = true);
  // Message box with one OK button, owned by the main window.
  int messageBox(const std::string& text, const std::string& title);
  void messageBeep(unsigned type);
  // Runs the close check, then destroys the window; a frame's client going
  // closes the frame.
  void closeWindow();

  TWindow* parent() const { return parent_; }
  const std::string& title() const { return title_; }
  TFrameWindow* frame() const { return frame_; }

 private:
  friend class TFrameWindow;
  TWindow* parent_;
  std::string title_;
  TFrameWindow* frame_ = nullptr;  // the frame this window is the client of
};

class TMenu {
 public:
  explicit TMenu(TFrameWindow* frame) : frame_(frame) {}
  // Also before the frame is created: the host then starts with the mark.
  void checkMenuItem(unsigned id, bool checked);

 private:
  TFrameWindow* frame_;
};

class TFrameWindow : public TWindow {
 public:
  TFrameWindow(TWindow* parent, std::string caption, std::unique_ptr<TWindow> client);
  ~TFrameWindow() override;

  void assignMenu(int resId);
  void setAcceleratorTable(int resId);
  void setIcon(int resId);
  void setCaption(const std::string& text);
  // The status line's text; kept for a host created later.
  void setStatusText(const std::string& text);
  const std::string& statusText() const { return status_; }
  // Where the frame first goes, given before create (see firstPlacement).
  void setSavedPlacement(std::optional<FramePlacement> p) { savedPlacement_ = std::move(p); }
  const std::optional<FramePlacement>& savedPlacement() const { return savedPlacement_; }
  // Where the frame is now; nothing without a host or a real screen.
  std::optional<FramePlacement> placement() const;
  TMenu getMenu() { return TMenu(this); }
  TWindow* client() const { return client_.get(); }

  // --- for back ends ---
  // Creates the host window through the back end; called by TApplication::run.
  void create();
  FrameHost* host() const { return host_.get(); }
  // A key press in the frame: accelerator table first, else WM_KEYDOWN to the
  // client with MK_SHIFT / MK_CONTROL as held. vk is the virtual-key code
  // ('A'..'Z' capitals), modifiers ACCEL_*. False for an Alt key the table
  // does not bind: the host's menu bar gets it.
  bool keyDown(unsigned vk, unsigned modifiers);
  // Any other message for the client window.
  void dispatch(const TMessage& m);
  // New client size: resizes the framebuffer, then sends WM_SIZE.
  void resizeClient(int width, int height);
  bool paintPending() const { return paintPending_; }
  // Runs the pending repaint, if any: background, then the client's paint.
  void paintNow();
  // The frame is closed (Exit or the window manager): the client is destroyed,
  // then the host is told.
  void close();
  bool closed() const { return closed_; }
  const std::string& caption() const { return caption_; }

 private:
  friend class TWindow;
  friend class TMenu;
  std::unique_ptr<TWindow> client_;
  std::unique_ptr<FrameHost> host_;
  std::string caption_;
  std::string status_;
  std::optional<FramePlacement> savedPlacement_;
  std::optional<MenuResource> menu_;
  std::optional<AccelTable> accel_;
  std::optional<IconResource> icon_;
  bool paintPending_ = false;
  bool drawnOutsidePaint_ = false;  // a getDC since the last message was shown
  bool closed_ = false;
  // A close asked for by a handler waits until that handler has returned, so
  // the client is never destroyed under its own running member function.
  int dispatchDepth_ = 0;
  void finishClose();
};

class TApplication {
 public:
  TApplication(std::string name, const ResourceModule& module, Backend& backend);
  virtual ~TApplication();

  // Called once at the start of run(): builds the main window.
  virtual void createMainWindow() = 0;

  // createMainWindow, create and show the main window, message loop until it
  // closes; the result is the process exit code.
  int run();
  // Files named on the command line: they reach the main window as dropped
  // files once it exists.
  void setStartFiles(std::vector<std::string> paths) { startFiles_ = std::move(paths); }
  void setMainWindow(std::unique_ptr<TFrameWindow> frame);
  TFrameWindow* mainWindow() const { return main_.get(); }
  const ResourceModule& module() const { return module_; }
  Backend& backend() const { return backend_; }
  // The main window is destroyed (its client's tear-down runs if not yet).
  void destroyMainWindow();

 private:
  std::string name_;
  const ResourceModule& module_;
  std::unique_ptr<TFrameWindow> main_;
  std::vector<std::string> startFiles_;
  Backend& backend_;
  friend class TBusyCursor;
  int busyDepth_ = 0;  // TBusyCursors alive
};

// The busy cursor while a load or a save runs; nested ones show it once.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// The running application, for resource lookups; nullptr outside a run.
TApplication* currentApplication();
