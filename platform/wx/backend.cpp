// The wx back end: toolkit start and stop, the message loop, file dialogs,
// message boxes, the beep and the busy cursor.
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/init.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "platform/window.h"
#include "platform/wx/wxbackend.h"
#include "platform/wx/wxhost.h"

namespace {

class WxApp : public wxApp {
 public:
  // The toolkit gets no command-line arguments: the program entry has them.
  bool OnInit() override { return true; }
};

// GTK matches filter patterns with letter case; Windows does not, so each
// letter becomes a bracket of both cases ("*.BMP" -> "*.[Bb][Mm][Pp]").
wxString caseInsensitiveFilter(const std::string& filter) {
  std::string out;
  bool inPattern = false;  // "description|pattern|description|pattern"
  for (char ch : filter) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (ch == '|') {
      inPattern = !inPattern;
      out += ch;
    } else if (inPattern && std::isalpha(c)) {
      out += '[';
      out += static_cast<char>(std::toupper(c));
      out += static_cast<char>(std::tolower(c));
      out += ']';
    } else {
      out += ch;
    }
  }
  return toWx(out);
}

wxWindow* mainWindow() { return wxTheApp ? wxTheApp->GetTopWindow() : nullptr; }

class WxBackend : public Backend {
 public:
  ~WxBackend() override {
    wxTheApp->OnExit();
    wxEntryCleanup();
  }

  std::unique_ptr<FrameHost> createFrame(TFrameWindow& frame) override { return createWxFrame(frame); }

  int runLoop(TApplication& app) override {
    TFrameWindow* frame = app.mainWindow();
    if (!frame || frame->closed() || !frame->host()) return 0;
    showWxFrame(*frame->host());
    return wxTheApp->OnRun();
  }

  // A dialog asks for the user: never under the busy cursor.
  int runModal(TDialog& dialog) override {
    wxBusyCursorSuspender normal;
    return runWxDialog(dialog, mainWindow());
  }

  std::optional<std::string> chooseFile(FileDialogKind kind, const std::string& filter, TWindow*) override {
    // Open: no must-exist check, a typed name may not exist yet. Save: no
    // overwrite question. The platform layer makes the folder current.
    const long style = kind == FileDialogKind::Open ? wxFD_OPEN : wxFD_SAVE;
    wxBusyCursorSuspender normal;
    wxFileDialog dlg(mainWindow(), wxFileSelectorPromptStr, wxEmptyString, wxEmptyString,
                     caseInsensitiveFilter(filter), style);
    if (dlg.ShowModal() != wxID_OK) return std::nullopt;
    trace("chosen");  // where the time to open a file starts
    return fileNameFromWx(dlg.GetPath());
  }

  int messageBox(TWindow*, const std::string& text, const std::string& title) override {
    wxBusyCursorSuspender normal;
    wxMessageBox(toWx(text), toWx(title), wxOK, mainWindow());
    return IDOK;
  }

  void beep(unsigned) override { wxBell(); }

  bool canPost() const override { return true; }
  void post(std::function<void()> job) override {
    wxTheApp->CallAfter([job = std::move(job)] {
      trace("posted");
      job();
    });
  }

  void setBusy(bool busy) override {
    if (busy) {
      wxBeginBusyCursor();
    } else if (wxIsBusy()) {
      wxEndBusyCursor();
    }
  }
};

}  // namespace

std::unique_ptr<Backend> createWxBackend() {
  wxApp::SetInstance(new WxApp);
  int argc = 1;
  char name[] = "binoxa";
  char* argv[] = {name, nullptr};
  if (!wxEntryStart(argc, argv)) {
    wxEntryCleanup();
    return nullptr;
  }
  if (!wxTheApp->CallOnInit()) {
    wxEntryCleanup();
    return nullptr;
  }
  return std::make_unique<WxBackend>();
}

bool tracing() {
  static const bool on = std::getenv("BINOXA_TRACE_PAINT") != nullptr;
  return on;
}

void trace(const char* event, const std::string& detail) {
  if (!tracing()) return;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const long long us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
  std::fprintf(stderr, "binoxa-trace %s %lld%s%s\n", event, us, detail.empty() ? "" : " ", detail.c_str());
}
