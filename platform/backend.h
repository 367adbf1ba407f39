#pragma once
// What a back end provides: the host of the frame window, the message loop,
// modal dialogs, file dialogs, message boxes and the beep. Kept small so the
// headless and the wx back ends are thin translators.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/framebuffer.h"
#include "platform/placement.h"
#include "platform/resources.h"

class TApplication;
class TDialog;
class TFrameWindow;
class TWindow;

class FrameHost {
 public:
  virtual ~FrameHost() = default;
  virtual void setCaption(const std::string& text) = 0;
  virtual void setMenu(const MenuResource& menu) = 0;
  virtual void checkMenuItem(unsigned id, bool checked) = 0;
  virtual void setIcon(const IconResource& icon) = 0;
  virtual Framebuffer& framebuffer() = 0;  // the client area
  // A repaint is wanted (TFrameWindow::paintNow at the host's next chance).
  virtual void invalidate() = 0;
  // Pixels were drawn outside paint: show the framebuffer as it is.
  virtual void showDrawing() = 0;
  // Vertical scroll bar of the client; a range of min == max hides it.
  virtual void setScrollRange(int min, int max, bool redraw) = 0;
  virtual void setScrollPos(int pos, bool redraw) = 0;
  // The horizontal one, below the client; the same rules.
  virtual void setHScrollRange(int min, int max, bool redraw) = 0;
  virtual void setHScrollPos(int pos, bool redraw) = 0;
  // The status line below the client area; it takes nothing from the client.
  virtual void setStatusText(const std::string& text) = 0;
  // Where the frame is on the screen, for keeping it in the profile; nothing
  // where there is no real screen.
  virtual std::optional<FramePlacement> placement() const = 0;
  // The frame's client is gone: close the window and end the message loop.
  virtual void close() = 0;
};

enum class FileDialogKind { Open, Save };

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<FrameHost> createFrame(TFrameWindow& frame) = 0;
  // Shows the main window and runs the message loop until it closes.
  virtual int runLoop(TApplication& app) = 0;
  // Builds the dialog's controls from its template, calls dialog.attach,
  // runs it; on OK asks dialog.canClose(). Returns IDOK or IDCANCEL.
  virtual int runModal(TDialog& dialog) = 0;
  // An absolute path, or nothing when cancelled.
  virtual std::optional<std::string> chooseFile(FileDialogKind kind, const std::string& filter,
                                                TWindow* owner) = 0;
  virtual int messageBox(TWindow* owner, const std::string& text, const std::string& title) = 0;
  virtual void beep(unsigned type) = 0;
  // The busy cursor over the program's windows, on or off (TBusyCursor nests
  // them). Dialogs and message boxes show the normal cursor meanwhile.
  virtual void setBusy(bool busy) = 0;
  // Whether post works: not where the back end runs nothing between the
  // messages it is given (headless, so scripts stay deterministic); work
  // that would report back through post is then done at once.
  virtual bool canPost() const { return false; }
  // job on the UI thread at the message loop's next chance; callable from any thread.
  virtual void post(std::function<void()>) {}
};

// The running application's back end (TApplication is given it).
Backend& backend();
