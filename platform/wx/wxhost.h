#pragma once
// Shared by the files of the wx back end only: toolkit types stay in here.
#include <memory>
#include <string>

#include <wx/strconv.h>
#include <wx/string.h>

#include "platform/backend.h"

class TDialog;
class wxWindow;

// Texts hold file names, and a file name need not be UTF-8: what UTF-8 cannot
// take goes through the toolkit's file-name conversion, never to an empty text.
inline wxString toWx(const std::string& s) {
  const wxString utf8 = wxString::FromUTF8(s.data(), s.size());
  return utf8.empty() && !s.empty() ? wxString(s.data(), *wxConvFileName, s.size()) : utf8;
}
inline std::string fromWx(const wxString& s) { return s.utf8_string(); }
// A path the toolkit gives (file dialog, drop): the bytes of the file's name.
inline std::string fileNameFromWx(const wxString& s) {
  const wxCharBuffer bytes = s.mb_str(*wxConvFileName);
  return bytes.length() || s.empty() ? std::string(bytes.data(), bytes.length()) : fromWx(s);
}

std::unique_ptr<FrameHost> createWxFrame(TFrameWindow& frame);
// Shows the frame of this host (created by createWxFrame).
void showWxFrame(FrameHost& host);
// The dialog built from its template, run modally over parent: IDOK or IDCANCEL.
int runWxDialog(TDialog& dialog, wxWindow* parent);

// BINOXA_TRACE_PAINT set: one line on stderr per event, with the wall-clock
// time in microseconds, for measuring repaint latency and start-up time and
// for the end-to-end tests to see what the window shows.
bool tracing();
void trace(const char* event, const std::string& detail = {});
