#include "tools/scenario/script.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <utility>

#include "platform/casefold.h"
#include "platform/profile.h"
#include "samples/sample.h"
#include "tools/scenario/testfiles.h"
#include "ui/tmyapp.h"

namespace {

template <class T>
struct Named {
  const char* name;
  T value;
};

template <class T, std::size_t N>
std::optional<T> lookUp(const Named<T> (&table)[N], const std::string& name) {
  for (const Named<T>& n : table)
    if (name == n.name) return n.value;
  return std::nullopt;
}

// A virtual-key code: a letter (its capital), a digit, + = or -, a key name
// or the code itself.
unsigned keyCode(const std::string& name) {
  static const Named<unsigned> kKeys[] = {
      {"enter", VK_RETURN}, {"return", VK_RETURN}, {"escape", VK_ESCAPE}, {"esc", VK_ESCAPE},
      {"left", VK_LEFT},    {"right", VK_RIGHT},   {"up", VK_UP},         {"down", VK_DOWN},
      {"pageup", VK_PRIOR}, {"pagedown", VK_NEXT}, {"+", VK_OEM_PLUS},    {"=", VK_OEM_PLUS},
      {"-", VK_OEM_MINUS},  {"[", VK_OEM_4},      {"]", VK_OEM_6}};
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return static_cast<unsigned>(std::toupper(static_cast<unsigned char>(name[0])));
  if (auto k = lookUp(kKeys, lowerAscii(name))) return *k;
  unsigned code = 0;
  auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), code);
  if (ec != std::errc() || end != name.data() + name.size() || code == 0 || code > 255)
    throw StepError{"unknown key " + quoted(name)};
  return code;
}

// "Ctrl+L", "Alt+P", "Ctrl+Shift+X", "Ctrl++"
std::pair<unsigned, unsigned> accelerator(const std::string& keys) {
  static const Named<unsigned> kModifiers[] = {
      {"ctrl", ACCEL_CTRL}, {"alt", ACCEL_ALT}, {"shift", ACCEL_SHIFT}};
  unsigned modifiers = 0;
  std::size_t from = 0;
  for (std::size_t plus; (plus = keys.find('+', from)) != std::string::npos && plus + 1 < keys.size();
       from = plus + 1) {
    auto m = lookUp(kModifiers, lowerAscii(keys.substr(from, plus - from)));
    if (!m) throw StepError{"unknown modifier in " + quoted(keys)};
    modifiers |= *m;
  }
  return {keyCode(keys.substr(from)), modifiers};
}

TMessage message(unsigned msg, unsigned id = 0) {
  TMessage m;
  m.msg = msg;
  m.id = id;
  return m;
}

std::string absoluteAgainstCurrent(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::current_path(ec) / p;
  return p.lexically_normal().string();
}

// W H PATTERN [pattern arguments]
TestPicture pictureFromArgs(ArgReader& a) {
  static const Named<Pattern> kPatterns[] = {{"gradient", Pattern::Gradient},
                                             {"solid", Pattern::Solid},
                                             {"noise", Pattern::Noise},
                                             {"checker", Pattern::Checker},
                                             {"texture", Pattern::Texture}};
  const int w = static_cast<int>(a.integer("width", 1, 16384));
  const int h = static_cast<int>(a.integer("height", 1, 16384));
  if (static_cast<std::int64_t>(w) * h > 64 << 20) throw StepError{"picture too large"};
  const std::string name = a.text("pattern");
  auto kind = lookUp(kPatterns, name);
  if (!kind) throw StepError{"unknown pattern " + quoted(name)};
  PatternArgs pattern{*kind};
  auto value = [&a](const char* what, std::int64_t lo, std::int64_t hi) {
    return static_cast<std::uint32_t>(a.integer(what, lo, hi));
  };
  if (pattern.kind == Pattern::Solid) {
    pattern.a = value("red", 0, 255);
    pattern.b = value("green", 0, 255);
    pattern.c = value("blue", 0, 255);
  } else if (pattern.kind == Pattern::Noise || pattern.kind == Pattern::Texture) {
    pattern.a = value("seed", 0, UINT32_MAX);
  } else if (pattern.kind == Pattern::Checker) {
    pattern.a = value("cell size", 1, 16384);
  }
  return makePicture(w, h, pattern);
}

int bitsFromArgs(ArgReader& a) {
  if (!a.more()) return 24;
  const auto bits = a.integer("bits per pixel", 8, 24);
  if (bits != 8 && bits != 24) throw StepError{"bits per pixel must be 8 or 24"};
  return static_cast<int>(bits);
}

// wheel X Y NOTCHES [ctrl] [shift]: NOTCHES > 0 turns away from the user.
TMessage wheel(ArgReader& a) {
  static const Named<unsigned> kHeld[] = {{"ctrl", MK_CONTROL}, {"shift", MK_SHIFT}};
  TMessage m = message(WM_MOUSEWHEEL);
  m.point.x = a.coordinate("x");
  m.point.y = a.coordinate("y");
  m.pos = static_cast<int>(a.integer("notches", -100, 100)) * WHEEL_DELTA;
  for (const std::string& held : a.rest()) {
    auto flag = lookUp(kHeld, held);
    if (!flag) throw StepError{"a held key is ctrl or shift, not " + quoted(held)};
    m.keyFlags |= *flag;
  }
  return m;
}

}  // namespace

std::string quoted(const std::string& text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + '"';
}

const Token& ArgReader::next(const char* what) {
  if (!more()) throw StepError{std::string("missing ") + what};
  return args_[at_++];
}

std::int64_t ArgReader::integer(const char* what, std::int64_t lo, std::int64_t hi, int base) {
  const std::string& t = next(what).text;
  std::int64_t v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, base);
  if (ec != std::errc() || end != t.data() + t.size())
    throw StepError{std::string(what) + " is not a number: " + quoted(t)};
  if (v < lo || v > hi)
    throw StepError{std::string(what) + " out of range " + std::to_string(lo) + ".." + std::to_string(hi) +
                    ": " + t};
  return v;
}

std::vector<std::string> ArgReader::rest() {
  std::vector<std::string> r;
  while (more()) r.push_back(args_[at_++].text);
  return r;
}

void ArgReader::end() {
  if (more()) throw StepError{"unexpected argument " + quoted(args_[at_].text)};
}

Script::Script(std::string file, std::string dir, Tally& tally)
    : file_(std::move(file)), dir_(std::move(dir)), tally_(tally) {
  setenv("BINOXA_PROFILE", profilePath().c_str(), 1);
}

Script::~Script() { app_.reset(); }

std::string Script::where() const { return file_ + ":" + std::to_string(line_); }
std::string Script::profilePath() const { return dir_ + "/binoxa.ini"; }

void Script::fail(const std::string& at, const std::string& message) {
  ++tally_.failed;
  std::cout << at << ": " << message << "\n";
}

void Script::check(bool ok, const std::string& expected, const std::string& seen) {
  if (ok)
    ++tally_.passed;
  else
    fail(where(), "expected " + expected + ", saw " + seen);
}

void Script::syntaxError(int line, const std::string& message) {
  line_ = line;
  fail(where(), "syntax error: " + message);
}

HeadlessFrame& Script::frame() {
  HeadlessFrame* f = backend_.frame();
  if (!app_ || !f || f->window().closed()) throw StepError{"no window: start it first"};
  return *f;
}

tmywindow& Script::window() {
  frame();
  tmywindow* w = app_->window();
  if (!w) throw StepError{"no window: start it first"};
  return *w;
}

void Script::step(int line, const Args& args) {
  using Family = void (Script::*)(const Args&);
  static const Named<Family> kSteps[] = {
      {"size", &Script::windowStep},     {"start", &Script::windowStep}, {"exit", &Script::windowStep},
      {"profile", &Script::profileStep}, {"cd", &Script::fileStep},      {"mkdir", &Script::fileStep},
      {"chmod", &Script::fileStep},      {"bmp", &Script::fileStep},     {"write", &Script::fileStep},
      {"open", &Script::answerStep},     {"save", &Script::answerStep},  {"dialog", &Script::dialogStep},
      {"command", &Script::inputStep},   {"accel", &Script::inputStep},  {"key", &Script::inputStep},
      {"drop", &Script::inputStep},      {"ldown", &Script::mouseStep},  {"lup", &Script::mouseStep},
      {"rdown", &Script::mouseStep},     {"rup", &Script::mouseStep},    {"move", &Script::mouseStep},
      {"vscroll", &Script::scrollStep},  {"hscroll", &Script::scrollStep}, {"wheel", &Script::mouseStep},  {"paint", &Script::paintStep},  {"snapshot", &Script::paintStep},
      {"expect", &Script::expectStep},   {"jpeg", &Script::fileStep},    {"png", &Script::fileStep},
      {"mpo", &Script::fileStep},        {"sample", &Script::fileStep},
  };
  line_ = line;
  auto family = lookUp(kSteps, args[0].text);
  if (!family) return syntaxError(line, "unknown step " + quoted(args[0].text));
  try {
    (this->*(*family))(args);
  } catch (const StepError& e) {
    fail(where(), e.message);
  } catch (const std::exception& e) {
    fail(where(), std::string("step failed: ") + e.what());
  }
  collectRecords();
}

void Script::collectRecords() {
  while (messageLines_.size() < backend_.messages.size()) messageLines_.push_back(line_);
  for (; outcomesSeen_ < backend_.outcomes.size(); ++outcomesSeen_) {
    const HeadlessBackend::Outcome& o = backend_.outcomes[outcomesSeen_];
    if (o.passed)
      ++tally_.passed;
    else
      fail(o.where.empty() ? where() : o.where, o.detail);
  }
}

void Script::popMessage() {
  backend_.messages.pop_front();
  messageLines_.pop_front();
}

void Script::tearDown() {
  app_.reset();
  collectRecords();
}

void Script::finish() {
  tearDown();
  for (; !backend_.messages.empty(); popMessage()) {
    const auto& [title, text] = backend_.messages.front();
    fail(file_ + ":" + std::to_string(messageLines_.front()),
         "unexpected message box " + quoted(title) + " " + quoted(text));
  }
}

void Script::windowStep(const Args& args) {
  ArgReader a(args);
  const std::string& name = args[0].text;
  if (name == "size") {
    const int w = static_cast<int>(a.integer("width", 0, 8192));
    const int h = static_cast<int>(a.integer("height", 0, 8192));
    a.end();
    backend_.setClientSize(w, h);
    return;
  }
  a.end();
  if (name == "start") {
    if (app_ && backend_.frame() && !backend_.frame()->window().closed())
      throw StepError{"already started: exit first"};
    tearDown();
    app_ = std::make_unique<tmyapp>(backend_);
    app_->run();
    return;
  }
  frame().window().dispatch(message(WM_COMMAND, CM_EXIT));
  const bool closed = !backend_.frame() || backend_.frame()->window().closed();
  tearDown();
  if (!closed) throw StepError{"the window did not close on Exit"};
}

void Script::profileStep(const Args& args) {
  ArgReader a(args);
  const std::string key = a.text("key");
  const std::string value = a.text("value");
  a.end();
  if (!Profile(profilePath()).writeString("Binoxa", key, value))
    throw StepError{"cannot write the profile " + profilePath()};
}

void Script::fileStep(const Args& args) {
  ArgReader a(args);
  const std::string& name = args[0].text;
  if (name == "chmod") {
    const auto mode = static_cast<mode_t>(a.integer("mode", 0, 07777, 8));
    const std::string path = a.text("path");
    a.end();
    if (::chmod(path.c_str(), mode) != 0) throw StepError{"cannot chmod " + path};
    return;
  }
  const std::string path = a.text("path");
  std::error_code ec;
  if (name == "cd") {
    a.end();
    if (chdir(path.c_str()) != 0) throw StepError{"cannot change to " + path};
  } else if (name == "sample") {
    a.end();
    if (Status s = writeSampleLibrary(path); !s) throw StepError{s.error().message};
  } else if (name == "mkdir") {
    a.end();
    std::filesystem::create_directories(path, ec);
    if (ec) throw StepError{"cannot make " + path + ": " + ec.message()};
  } else if (name == "jpeg" || name == "png") {
    const TestPicture picture = pictureFromArgs(a);
    a.end();
    auto bytes = encodeByTool(picture, name);
    if (!bytes) throw StepError{bytes.error().message};
    if (auto s = writeBytes(path, *bytes); !s) throw StepError{s.error().message};
  } else if (name == "mpo") {
    const std::string left = a.text("left JPEG"), right = a.text("right JPEG");
    const auto padding = a.more() ? static_cast<std::size_t>(a.integer("padding", 0, 64)) : 0;
    a.end();
    const auto l = readBytes(left), r = readBytes(right);
    if (!l || !r) throw StepError{"cannot read " + left + " or " + right};
    auto bytes = assembleMpo(*l, *r, padding);
    if (!bytes) throw StepError{bytes.error().message};
    if (auto s = writeBytes(path, *bytes); !s) throw StepError{s.error().message};
  } else if (name == "bmp") {
    const TestPicture picture = pictureFromArgs(a);
    const int bits = bitsFromArgs(a);
    a.end();
    if (auto s = writeBytes(path, encodeBmp(picture, bits)); !s) throw StepError{s.error().message};
  } else {  // write
    auto bytes = parseHex(a.rest());
    if (!bytes) throw StepError{bytes.error().message};
    if (auto s = writeBytes(path, *bytes); !s) throw StepError{s.error().message};
  }
}

void Script::answerStep(const Args& args) {
  ArgReader a(args);
  const std::string path = a.text("path or cancel");
  a.end();
  if (path == "cancel")
    backend_.queueFileAnswer(std::nullopt);
  else
    backend_.queueFileAnswer(absoluteAgainstCurrent(path));
}

void Script::dialogStep(const Args& args) {
  using Action = DialogScript::Action;
  ArgReader a(args);
  const int id = static_cast<int>(a.integer("dialog template id", 0, 65535));
  const std::string verb = a.text("dialog action");
  static const Named<Action::Kind> kVerbs[] = {{"set", Action::Set},
                                               {"check", Action::Check},
                                               {"expect", Action::ExpectText},
                                               {"expect-check", Action::ExpectCheck},
                                               {"ok", Action::Ok},
                                               {"cancel", Action::Cancel}};
  auto kind = lookUp(kVerbs, verb);
  if (!kind) throw StepError{"unknown dialog action " + quoted(verb)};
  Action action{};
  action.kind = *kind;
  action.where = where();
  if (*kind != Action::Ok && *kind != Action::Cancel) {
    action.control = static_cast<int>(a.integer("control id", -1, 65535));
    if (*kind == Action::Set || *kind == Action::ExpectText)
      action.text = a.text("text");
    else
      action.checked = a.flag("check state");
  }
  a.end();
  dialogs_.queue(id, std::move(action));
}

void Script::inputStep(const Args& args) {
  ArgReader a(args);
  const std::string& name = args[0].text;
  TFrameWindow& w = frame().window();
  if (name == "command") {
    const auto id = static_cast<unsigned>(a.integer("command id", 0, 65535));
    a.end();
    w.dispatch(message(WM_COMMAND, id));
    return;
  }
  if (name == "drop") {  // files as a file manager drops them: absolute paths
    TMessage m = message(WM_DROPFILES);
    for (const std::string& path : a.rest()) m.files.push_back(absoluteAgainstCurrent(path));
    w.dispatch(m);
    return;
  }
  const std::string keys = a.text("key");
  a.end();
  if (name == "accel") {
    auto [vk, modifiers] = accelerator(keys);
    w.keyDown(vk, modifiers);
  } else {
    w.dispatch(message(WM_KEYDOWN, keyCode(keys)));
  }
}

void Script::mouseStep(const Args& args) {
  struct MouseStep {
    unsigned msg;
    unsigned ownButton;  // set for presses and moves, as Windows reports them
  };
  static const Named<MouseStep> kSteps[] = {{"ldown", {WM_LBUTTONDOWN, MK_LBUTTON}},
                                            {"lup", {WM_LBUTTONUP, 0}},
                                            {"rdown", {WM_RBUTTONDOWN, MK_RBUTTON}},
                                            {"rup", {WM_RBUTTONUP, 0}},
                                            {"move", {WM_MOUSEMOVE, 0}}};
  static const Named<unsigned> kHeld[] = {{"l", MK_LBUTTON}, {"r", MK_RBUTTON}};
  ArgReader a(args);
  if (args[0].text == "wheel") return frame().window().dispatch(wheel(a));
  const MouseStep s = *lookUp(kSteps, args[0].text);
  TMessage m = message(s.msg);
  m.point.x = a.coordinate("x");
  m.point.y = a.coordinate("y");
  m.keyFlags = s.ownButton;
  for (const std::string& held : a.rest()) {
    auto flag = lookUp(kHeld, held);
    if (!flag) throw StepError{"a held button is l or r, not " + quoted(held)};
    m.keyFlags |= *flag;
  }
  frame().window().dispatch(m);
}

void Script::scrollStep(const Args& args) {
  static const Named<unsigned> kCodes[] = {
      {"lineup", SB_LINEUP},     {"linedown", SB_LINEDOWN},     {"pageup", SB_PAGEUP},
      {"pagedown", SB_PAGEDOWN}, {"thumbtrack", SB_THUMBTRACK}, {"thumbposition", SB_THUMBPOSITION},
      {"top", SB_TOP},           {"bottom", SB_BOTTOM},         {"endscroll", SB_ENDSCROLL}};
  ArgReader a(args);
  const std::string name = a.text("scroll code");
  auto code = lookUp(kCodes, name);
  if (!code) throw StepError{"unknown scroll code " + quoted(name)};
  TMessage m = message(args[0].text == "hscroll" ? WM_HSCROLL : WM_VSCROLL, *code);
  if (a.more()) m.pos = a.coordinate("thumb position");
  a.end();
  frame().window().dispatch(m);
}

void Script::paintStep(const Args& args) {
  ArgReader a(args);
  if (args[0].text == "paint") {
    a.end();
    frame().window().paintNow();
    return;
  }
  const std::string path = a.text("file");
  a.end();
  if (auto s = writeBytes(path, encodeBmp(pictureOf(frame().framebuffer()), 24)); !s)
    throw StepError{s.error().message};
}
