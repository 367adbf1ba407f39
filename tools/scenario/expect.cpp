#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <sstream>

#include "platform/casefold.h"
#include "platform/decimal.h"
#include "store/library.h"
#include "tools/scenario/script.h"
#include "tools/scenario/testfiles.h"
#include "ui/tmyapp.h"

namespace {

using Values = std::vector<std::string>;

std::string joined(const Values& v, bool quote) {
  std::string s;
  for (const std::string& part : v) {
    if (!s.empty()) s += ' ';
    s += quote ? quoted(part) : part;
  }
  return s.empty() ? "nothing" : s;
}

Values num(std::int64_t v) { return {std::to_string(v)}; }
Values flag(bool b) { return {b ? "1" : "0"}; }
Values picture(const tbitmap* p) {
  return {p ? std::to_string(p->width) + "x" + std::to_string(p->height) : "none"};
}
Values colour(const ColourWeights& c) {
  return {std::to_string(c.red), std::to_string(c.green), std::to_string(c.blue)};
}
Values mode(ViewMode m) {
  switch (m) {
    case ViewMode::Anaglyph:
      return {"Anaglyph"};
    case ViewMode::Parallel:
      return {"Parallel"};
    case ViewMode::Crossed:
      return {"Crossed"};
    case ViewMode::Split:
      return {"Split"};
    case ViewMode::Depth:
      return {"Depth"};
  }
  return num(static_cast<std::int32_t>(m));
}
Values entry(const tlibraryentry* e) { return {e ? e->baseName : "none"}; }

struct Field {
  const char* name;
  bool text;  // shown quoted
  std::function<Values(const tmywindow&)> read;
};

#define NUM(f)                                             \
  {                                                        \
#f, false, [](const tmywindow& w) { return num(w.f); } \
  }
#define FLAG(f)                                             \
  {                                                         \
#f, false, [](const tmywindow& w) { return flag(w.f); } \
  }
#define PICTURE(f)                                             \
  {                                                            \
#f, false, [](const tmywindow& w) { return picture(w.f.get()); } \
  }
#define TEXT(f)                                              \
  {                                                          \
#f, true, [](const tmywindow& w) { return Values{w.f}; } \
  }
// The workspace's, by the same names.
#define WS_NUM(f)                                                      \
  {                                                                    \
#f, false, [](const tmywindow& w) { return num(w.workspace().f()); } \
  }
#define WS_FLAG(f)                                                      \
  {                                                                     \
#f, false, [](const tmywindow& w) { return flag(w.workspace().f()); } \
  }
#define WS_PICTURE(f)                                                      \
  {                                                                        \
#f, false, [](const tmywindow& w) { return picture(w.workspace().f()); } \
  }
#define WS_TEXT(f)                                                       \
  {                                                                      \
#f, true, [](const tmywindow& w) { return Values{w.workspace().f()}; } \
  }

const Field kFields[] = {
    FLAG(leftButtonDown),
    WS_FLAG(suppressPosWrite),
    WS_PICTURE(leftImage),
    WS_TEXT(leftFileName),
    PICTURE(sourceImage),
    TEXT(sourceFileName),
    FLAG(libraryMode),
    FLAG(lockY),
    {"viewMode", false, [](const tmywindow& w) { return mode(w.viewMode); }},
    FLAG(dragFirstCorner),
    {"leftArea", false,
     [](const tmywindow& w) {
       const tarea& a = w.leftArea;
       return Values{std::to_string(a.x1), std::to_string(a.x2), std::to_string(a.y1), std::to_string(a.y2)};
     }},
    {"rightAreaOrigin", false,
     [](const tmywindow& w) {
       return Values{std::to_string(w.rightAreaOrigin.x), std::to_string(w.rightAreaOrigin.y)};
     }},
    {"leftColour", false, [](const tmywindow& w) { return colour(w.workspace().settings().leftColour); }},
    {"rightColour", false, [](const tmywindow& w) { return colour(w.workspace().settings().rightColour); }},
    WS_NUM(rightOffsetX),
    WS_NUM(rightOffsetY),
    {"savedViewMode", false, [](const tmywindow& w) { return mode(w.savedViewMode); }},
    NUM(dragStartOffsetX),
    NUM(dragStartOffsetY),
    WS_PICTURE(rightImage),
    WS_TEXT(rightFileName),
    WS_NUM(libraryCount),
    WS_FLAG(usePosFiles),
    NUM(displayDivisor),
    {"libraryScrollRow", false, [](const tmywindow& w) { return num(w.libraryView().scrollRow); }},
    {"viewSize", false, [](const tmywindow& w) { return num(w.workspace().settings().viewSize); }},
    {"imageSpacing", false, [](const tmywindow& w) { return num(w.workspace().settings().imageSpacing); }},
    {"libraryEntries", false, [](const tmywindow& w) { return entry(w.workspace().libraryEntries()); }},
    {"libraryFirstShown", false, [](const tmywindow& w) { return entry(w.libraryView().firstShown); }},
    FLAG(fitToWindow),
    {"correction", false,
     [](const tmywindow& w) {
       const Correction& c = w.workspace().correction();
       auto fixed = [](double v, int digits) {
         char text[32];
         const double unit = std::pow(10.0, digits);
         std::snprintf(text, sizeof text, "%.*f", digits, std::round(v * unit) / unit + 0.0);  // no "-0"

         return std::string(text);
       };
       return Values{fixed(c.roll, 2), fixed(c.zoom * 100, 2), fixed(c.shift, 2), fixed(c.keystoneV, 3),
                     fixed(c.keystoneH, 3)};
     }},
    {"matchColours", false, [](const tmywindow& w) { return flag(w.workspace().coloursMatched()); }},
};

#undef NUM
#undef FLAG
#undef PICTURE
#undef TEXT
#undef WS_NUM
#undef WS_FLAG
#undef WS_PICTURE
#undef WS_TEXT

constexpr std::string_view kBlanks = " \t\r";

// Our own reading of the INI text (section and key ignoring case), so the
// check does not go through the code it checks.
std::optional<std::string> iniValue(const std::string& path, const std::string& section,
                                    const std::string& key) {
  auto bytes = readBytes(path);
  if (!bytes) return std::nullopt;
  std::istringstream in(std::string(bytes->begin(), bytes->end()));
  bool inSection = false;
  for (std::string line; std::getline(in, line);) {
    line = trimmed(line, kBlanks);
    if (!line.empty() && line.front() == '[' && line.back() == ']') {
      inSection = equalsIgnoringCase(trimmed(line.substr(1, line.size() - 2), kBlanks), section);
    } else if (const auto eq = line.find('='); inSection && eq != std::string::npos) {
      if (equalsIgnoringCase(trimmed(line.substr(0, eq), kBlanks), key))
        return trimmed(line.substr(eq + 1), kBlanks);
    }
  }
  return std::nullopt;
}

std::string shortHex(const Bytes& b) {
  constexpr std::size_t kShown = 48;
  if (b.size() <= kShown) return b.empty() ? "an empty file" : toHex(b);
  return toHex(Bytes(b.begin(), b.begin() + kShown)) + " ... (" + std::to_string(b.size()) + " bytes)";
}

std::string rgbText(TColor c) {
  return std::to_string(redOf(c)) + " " + std::to_string(greenOf(c)) + " " + std::to_string(blueOf(c));
}

}  // namespace

void Script::expectStep(const Args& args) {
  using Kind = void (Script::*)(ArgReader&);
  static const struct {
    const char* name;
    Kind run;
  } kKinds[] = {
      {"caption", &Script::expectCaption},
      {"message", &Script::expectMessage},
      {"no-message", &Script::expectNoMessage},
      {"beeps", &Script::expectBeeps},
      {"busy", &Script::expectBusy},
      {"field", &Script::expectField},
      {"library", &Script::expectLibrary},
      {"pixel", &Script::expectPixel},
      {"checked", &Script::expectChecked},
      {"scroll", &Script::expectScroll},
      {"hscroll", &Script::expectHScroll},
      {"status", &Script::expectStatus},
      {"profile", &Script::expectProfile},
      {"file", &Script::expectFile},
      {"same", &Script::expectSame},
  };
  ArgReader a(args);
  const std::string kind = a.text("what to expect");
  if (kind == "white" || kind == "nonwhite") return expectRect(a, kind == "white");
  for (const auto& k : kKinds)
    if (kind == k.name) return (this->*k.run)(a);
  throw StepError{"unknown expectation " + quoted(kind)};
}

void Script::expectCaption(ArgReader& a) {
  const std::string want = a.text("caption");
  a.end();
  const std::string& seen = frame().caption;
  check(seen == want, "caption " + quoted(want), quoted(seen));
}

void Script::expectMessage(ArgReader& a) {
  const std::string title = a.text("title");
  std::optional<std::string> text;
  if (a.more()) text = a.text("text");
  a.end();
  const std::string want = "message box " + quoted(title) + (text ? " " + quoted(*text) : "");
  if (backend_.messages.empty()) return check(false, want, "none");
  const auto [seenTitle, seenText] = backend_.messages.front();
  popMessage();
  check(seenTitle == title && (!text || seenText == *text), want, quoted(seenTitle) + " " + quoted(seenText));
}

void Script::expectNoMessage(ArgReader& a) {
  a.end();
  std::string seen;
  // Consumed here, so the end of the script does not report them again.
  for (; !backend_.messages.empty(); popMessage())
    seen += (seen.empty() ? "" : ", ") + quoted(backend_.messages.front().first) + " " +
            quoted(backend_.messages.front().second);
  check(seen.empty(), "no message box", seen);
}

void Script::expectBeeps(ArgReader& a) {
  const auto n = a.integer("beeps", 0, 1000000);
  a.end();
  check(backend_.beeps == n, std::to_string(n) + " beeps", std::to_string(backend_.beeps));
}

// expect busy N: the busy cursor was turned on N times so far and is off now.
void Script::expectBusy(ArgReader& a) {
  const auto n = a.integer("times shown", 0, 1000000);
  a.end();
  check(backend_.busyShown == n && !backend_.busy,
        "busy cursor shown " + std::to_string(n) + " times, now off",
        std::to_string(backend_.busyShown) + (backend_.busy ? ", still on" : ""));
}

void Script::expectField(ArgReader& a) {
  const std::string name = a.text("field name");
  const Values want = a.rest();
  const auto* field =
      std::find_if(std::begin(kFields), std::end(kFields), [&](const Field& f) { return name == f.name; });
  if (field == std::end(kFields)) throw StepError{"unknown field " + quoted(name)};
  const Values seen = field->read(window());
  check(seen == want, name + " " + joined(want, field->text), joined(seen, field->text));
}

void Script::expectLibrary(ArgReader& a) {
  const Values want = a.rest();
  Values seen;
  for (const tlibraryentry* e = window().workspace().libraryEntries(); e; e = e->next.get())
    seen.push_back(e->baseName);
  check(seen == want, "library " + joined(want, true), joined(seen, true));
}

void Script::expectPixel(ArgReader& a) {
  const int x = a.coordinate("x"), y = a.coordinate("y");
  const auto r = a.integer("red", 0, 255), g = a.integer("green", 0, 255), b = a.integer("blue", 0, 255);
  a.end();
  const Framebuffer& fb = frame().framebuffer();
  if (!fb.contains(x, y)) throw StepError{"pixel outside the client area"};
  const TColor want = rgbColor(static_cast<unsigned>(r), static_cast<unsigned>(g), static_cast<unsigned>(b));
  const TColor seen = fb.pixel(x, y);
  check(seen == want, "pixel " + rgbText(want), rgbText(seen));
}

void Script::expectRect(ArgReader& a, bool white) {
  const int x = a.coordinate("x"), y = a.coordinate("y");
  const int w = a.coordinate("width"), h = a.coordinate("height");
  a.end();
  const Framebuffer& fb = frame().framebuffer();
  if (w <= 0 || h <= 0 || !fb.contains(x, y) || !fb.contains(x + w - 1, y + h - 1))
    throw StepError{"rectangle not inside the client area"};
  std::optional<TPoint> found;  // a non-white pixel
  for (int row = y; row < y + h && !found; ++row)
    for (int col = x; col < x + w && !found; ++col)
      if (fb.pixel(col, row) != kWhite) found = TPoint{col, row};
  const std::string rect =
      std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(x) + "," + std::to_string(y);
  if (white)
    check(!found, "all white " + rect,
          found ? rgbText(fb.pixel(found->x, found->y)) + " at " + std::to_string(found->x) + "," +
                      std::to_string(found->y)
                : "");
  else
    check(found.has_value(), "something not white in " + rect, "only white");
}

void Script::expectChecked(ArgReader& a) {
  const auto id = static_cast<unsigned>(a.integer("command id", 0, 65535));
  const bool want = a.flag("check mark");
  a.end();
  const HeadlessFrame& f = frame();
  const auto item = f.checks.find(id);
  if (item == f.checks.end()) throw StepError{"the menu has no item " + std::to_string(id)};
  const bool seen = item->second;
  check(seen == want, std::to_string(id) + (want ? " checked" : " unchecked"),
        seen ? "checked" : "unchecked");
}

void Script::expectScroll(ArgReader& a) {
  const HeadlessFrame& f = frame();
  checkScroll(a, "scroll", f.scrollMin, f.scrollMax, f.scrollPos);
}

void Script::expectHScroll(ArgReader& a) {
  const HeadlessFrame& f = frame();
  checkScroll(a, "hscroll", f.hscrollMin, f.hscrollMax, f.hscrollPos);
}

// MIN MAX POS of the bar
void Script::checkScroll(ArgReader& a, const char* bar, int min, int max, int pos) {
  const Values want{std::to_string(a.coordinate("min")), std::to_string(a.coordinate("max")),
                    std::to_string(a.coordinate("pos"))};
  a.end();
  const Values seen{std::to_string(min), std::to_string(max), std::to_string(pos)};
  check(seen == want, bar + (" " + joined(want, false)), joined(seen, false));
}

void Script::expectStatus(ArgReader& a) {
  const std::string want = a.text("status text");
  a.end();
  const std::string& seen = frame().status;
  check(seen == want, "status " + quoted(want), quoted(seen));
}

void Script::expectProfile(ArgReader& a) {
  const std::string key = a.text("key");
  const Token& value = a.next("value or absent");
  a.end();
  const auto seen = iniValue(profilePath(), "Binoxa", key);
  if (value.text == "absent" && !value.quoted)
    return check(!seen, key + " absent", seen ? quoted(*seen) : "");
  check(seen == value.text, key + " = " + quoted(value.text), seen ? quoted(*seen) : "it absent");
}

void Script::expectFile(ArgReader& a) {
  const std::string path = a.text("path");
  const auto seen = readBytes(path);
  const std::string seenText = seen ? shortHex(*seen) : "no file";
  const std::string form = a.peek() ? a.peek()->text : "";
  if (form == "absent") {
    a.next("absent");
    a.end();
    return check(!seen, path + " absent", seenText);
  }
  if (form == "bmp") {
    a.next("bmp");
    const auto w = a.integer("width", 0, INT32_MAX), h = a.integer("height", 0, INT32_MAX);
    a.end();
    std::optional<BmpSize> size;
    if (seen) size = bmpSize(*seen);
    const std::string got = size ? "a BMP " + std::to_string(size->width) + "x" + std::to_string(size->height)
                            : seen ? "no BMP"
                                   : "no file";
    return check(size && size->width == w && size->height == h,
                 path + " a BMP " + std::to_string(w) + "x" + std::to_string(h), got);
  }
  if (form == "format") {
    a.next("format");
    const std::string want = joined(a.rest(), false);
    return check(describeByTool(path) == want, path + " read by other programs as " + want,
                 seen ? describeByTool(path) : "no file");
  }
  auto want = parseHex(a.rest());
  if (!want) throw StepError{want.error().message};
  check(seen == *want, path + " holding " + shortHex(*want), seenText);
}

void Script::expectSame(ArgReader& a) {
  const std::string first = a.text("first file");
  const std::string second = a.text("second file");
  a.end();
  const auto b1 = readBytes(first);
  const auto b2 = readBytes(second);
  check(b1 && b2 && *b1 == *b2, first + " and " + second + " byte-identical",
        !b1   ? "no " + first
        : !b2 ? "no " + second
              : "they differ (" + std::to_string(b1->size()) + " and " + std::to_string(b2->size()) +
                    " bytes)");
}
