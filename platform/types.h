#pragma once
// Geometry, colours and the window-message constants. Message, key and scroll
// values keep their Windows numbers so handlers and scripts read the same.
#include <cstdint>
#include <string>
#include <vector>

struct TPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// left and top inclusive, right and bottom exclusive
struct TRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// Colour reference: red in the low byte, green in the second, blue in the third.
using TColor = std::uint32_t;
constexpr TColor rgbColor(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | (g & 0xFFu) << 8 | (b & 0xFFu) << 16;
}
constexpr unsigned redOf(TColor c) { return c & 0xFFu; }
constexpr unsigned greenOf(TColor c) { return c >> 8 & 0xFFu; }
constexpr unsigned blueOf(TColor c) { return c >> 16 & 0xFFu; }
constexpr TColor kWhite = rgbColor(255, 255, 255);
constexpr TColor kBlack = rgbColor(0, 0, 0);

enum : unsigned {
  WM_SIZE = 5,
  WM_PAINT = 15,
  WM_CLOSE = 16,
  WM_KEYDOWN = 256,
  WM_COMMAND = 273,
  WM_HSCROLL = 276,
  WM_VSCROLL = 277,
  WM_MOUSEMOVE = 512,
  WM_LBUTTONDOWN = 513,
  WM_LBUTTONUP = 514,
  WM_RBUTTONDOWN = 516,
  WM_RBUTTONUP = 517,
  WM_MOUSEWHEEL = 522,
  WM_DROPFILES = 563,
};

// key flags of mouse messages
enum : unsigned { MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8 };

enum : unsigned {
  SB_LINEUP = 0,
  SB_LINEDOWN = 1,
  SB_PAGEUP = 2,
  SB_PAGEDOWN = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
};

enum : unsigned {
  VK_RETURN = 13,
  VK_ESCAPE = 27,
  VK_PRIOR = 33,  // Page Up
  VK_NEXT = 34,   // Page Down
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_ADD = 107,       // keypad +
  VK_SUBTRACT = 109,  // keypad -
  VK_OEM_PLUS = 187,  // the = and + key
  VK_OEM_MINUS = 189,
  VK_OEM_4 = 219,  // [ and {
  VK_OEM_6 = 221,  // ] and }
};

// One notch of the mouse wheel, as WM_MOUSEWHEEL counts it.
constexpr int WHEEL_DELTA = 120;

enum : int { IDOK = 1, IDCANCEL = 2 };

// One window message with its arguments already decoded; back ends build these.
struct TMessage {
  unsigned msg = 0;
  unsigned id = 0;                 // WM_COMMAND: command id; WM_KEYDOWN: virtual-key code;
                                   // WM_VSCROLL, WM_HSCROLL: scroll code; WM_SIZE: size type
  unsigned keyFlags = 0;           // mouse messages: MK_* buttons held; WM_KEYDOWN: MK_SHIFT, MK_CONTROL
  TPoint point;                    // mouse messages: client pixels, origin top-left;
                                   // WM_SIZE: new client width and height
  int pos = 0;                     // WM_VSCROLL, WM_HSCROLL: thumb position; WM_MOUSEWHEEL: the
                                   // turn in WHEEL_DELTA units, positive away from the user
  std::vector<std::string> files;  // WM_DROPFILES: absolute paths, as dropped
};
