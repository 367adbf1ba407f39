#pragma once
// Static message maps: one table per window class from a message (or, for
// WM_COMMAND, a command id) to a member function, looked up before the base
// class's. Handlers get the decoded arguments.
//
//   const TResponse<tmywindow> tmywindow::responseTable[] = {
//       EV_WM_KEYDOWN(evKeyDown), EV_COMMAND(CM_EXIT, cmExit), ...};
//   bool tmywindow::handleMessage(const TMessage& m) {
//     return dispatchResponse(*this, responseTable, m) || TWindow::handleMessage(m);
//   }
#include <cstddef>

#include "platform/types.h"

template <class T>
struct TResponse {
  unsigned msg;
  unsigned id;  // command id for WM_COMMAND, else 0
  void (*call)(T&, const TMessage&);
};

template <class T, std::size_t N>
bool dispatchResponse(T& window, const TResponse<T> (&table)[N], const TMessage& m) {
  for (const TResponse<T>& r : table) {
    if (r.msg == m.msg && (m.msg != WM_COMMAND || r.id == m.id)) {
      r.call(window, m);
      return true;
    }
  }
  return false;
}

#define EV_COMMAND(cmd, fn)                                     \
  {                                                             \
    WM_COMMAND, (cmd), [](auto& w, const TMessage&) { w.fn(); } \
  }
#define EV_WM_KEYDOWN(fn)                                                     \
  {                                                                           \
    WM_KEYDOWN, 0, [](auto& w, const TMessage& m) { w.fn(m.id, m.keyFlags); } \
  }
#define EV_MOUSE_(msg, fn)                                                  \
  {                                                                         \
    (msg), 0, [](auto& w, const TMessage& m) { w.fn(m.keyFlags, m.point); } \
  }
#define EV_WM_LBUTTONDOWN(fn) EV_MOUSE_(WM_LBUTTONDOWN, fn)
#define EV_WM_LBUTTONUP(fn) EV_MOUSE_(WM_LBUTTONUP, fn)
#define EV_WM_MOUSEMOVE(fn) EV_MOUSE_(WM_MOUSEMOVE, fn)
#define EV_WM_RBUTTONDOWN(fn) EV_MOUSE_(WM_RBUTTONDOWN, fn)
#define EV_WM_VSCROLL(fn)                                                \
  {                                                                      \
    WM_VSCROLL, 0, [](auto& w, const TMessage& m) { w.fn(m.id, m.pos); } \
  }
#define EV_WM_HSCROLL(fn)                                                \
  {                                                                      \
    WM_HSCROLL, 0, [](auto& w, const TMessage& m) { w.fn(m.id, m.pos); } \
  }
// fn(keyFlags, turn in WHEEL_DELTA units, client point)
#define EV_WM_MOUSEWHEEL(fn)                                                                  \
  {                                                                                           \
    WM_MOUSEWHEEL, 0, [](auto& w, const TMessage& m) { w.fn(m.keyFlags, m.pos, m.point); } \
  }
#define EV_WM_SIZE(fn)                                                                      \
  {                                                                                         \
    WM_SIZE, 0, [](auto& w, const TMessage& m) { w.fn(m.id, TSize{m.point.x, m.point.y}); } \
  }
#define EV_WM_DROPFILES(fn)                                            \
  {                                                                    \
    WM_DROPFILES, 0, [](auto& w, const TMessage& m) { w.fn(m.files); } \
  }
