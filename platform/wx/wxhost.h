#pragma once
// Shared by the files of the wx back end only: toolkit types stay in here.
#include <memory>
#include <string>

#include <wx/string.h>

#include "platform/backend.h"

class TDialog;
class wxWindow;

inline wxString toWx(const std::string& s) { return wxString::FromUTF8(s.data(), s.size()); }
inline std::string fromWx(const wxString& s) { return s.utf8_string(); }

std::unique_ptr<FrameHost> createWxFrame(TFrameWindow& frame);
// Shows the frame of this host (created by createWxFrame).
void showWxFrame(FrameHost& host);
// The dialog built from its template, run modally over parent: IDOK or IDCANCEL.
int runWxDialog(TDialog& dialog, wxWindow* parent);

// BINOXA_TRACE_PAINT set: one line on stderr per event, with the wall-clock
// time in microseconds, for measuring repaint latency and start-up time.
bool tracing();
void trace(const char* event, const std::string& detail = {});
