#include "platform/profile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/casefold.h"
#include "platform/decimal.h"
#include "platform/files.h"

namespace {}  // namespace

// The file as lines without their endings; section and key names ignore
// ASCII case, as Windows compares them; anything that is not a section
// header or a key is kept as it stands and otherwise ignored.
struct IniText {
  bool bom = false;
  bool crlf = false;
  std::vector<std::string> lines;

  static std::optional<std::string> sectionOf(const std::string& line) {
    const std::string t = trimmed(line);
    if (t.empty() || t[0] != '[') return std::nullopt;
    const auto close = t.find(']');
    return trimmed(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  }
  // key and value of a "key=value" line
  static std::optional<std::pair<std::string, std::string>> entryOf(const std::string& line) {
    const auto eq = line.find('=');
    if (eq == std::string::npos || sectionOf(line)) return std::nullopt;
    return std::pair{trimmed(line.substr(0, eq)), trimmed(line.substr(eq + 1))};
  }

  // Lines of the named section: [first, end) after its header; first == npos when absent.
  std::pair<std::size_t, std::size_t> sectionRange(const std::string& section) const {
    std::size_t i = 0;
    while (i < lines.size() && !(sectionOf(lines[i]) && equalsIgnoringCase(*sectionOf(lines[i]), section)))
      ++i;
    if (i == lines.size()) return {std::string::npos, 0};
    std::size_t end = i + 1;
    while (end < lines.size() && !sectionOf(lines[end])) ++end;
    return {i + 1, end};
  }

  // Index of the first line holding the key in the section, or npos.
  std::size_t entryLine(const std::string& section, const std::string& key) const {
    const auto [first, end] = sectionRange(section);
    if (first == std::string::npos) return std::string::npos;
    for (std::size_t i = first; i < end; ++i) {
      const auto e = entryOf(lines[i]);
      if (e && equalsIgnoringCase(e->first, key)) return i;
    }
    return std::string::npos;
  }

  static IniText parse(const std::vector<std::uint8_t>& bytes) {
    IniText ini;
    std::string text(bytes.begin(), bytes.end());
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
      ini.bom = true;
      text.erase(0, 3);
    }
    std::size_t start = 0;
    while (start < text.size()) {
      auto nl = text.find('\n', start);
      if (nl == std::string::npos) nl = text.size();
      std::string line = text.substr(start, nl - start);
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
        ini.crlf = true;
      }
      ini.lines.push_back(std::move(line));
      start = nl + 1;
    }
    return ini;
  }

  std::vector<std::uint8_t> bytes() const {
    std::string text = bom ? "\xEF\xBB\xBF" : "";
    for (const std::string& line : lines) text += line + (crlf ? "\r\n" : "\n");
    return {text.begin(), text.end()};
  }
};

namespace {

// A larger file is no profile of ours: unreadable, and so never overwritten.
constexpr std::size_t kMaxProfileBytes = 1 << 20;

// Nothing there is an empty profile; a file that cannot be read is none.
std::unique_ptr<IniText> load(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::make_unique<IniText>();
  auto bytes = readFile(path, kMaxProfileBytes);
  if (!bytes) return nullptr;
  return std::make_unique<IniText>(IniText::parse(*bytes));
}

}  // namespace

Profile::Profile(std::string path) : path_(std::move(path)), ini_(load(path_)) {}
Profile::~Profile() = default;
Profile::Profile(Profile&&) noexcept = default;
Profile& Profile::operator=(Profile&&) noexcept = default;

std::string Profile::defaultPath() {
  if (const char* p = std::getenv("BINOXA_PROFILE"); p && *p) return p;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/binoxa/binoxa.ini";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/binoxa/binoxa.ini";
}

std::string Profile::getString(const std::string& section, const std::string& key,
                               const std::string& def) const {
  if (!ini_) return def;
  const std::size_t line = ini_->entryLine(section, key);
  if (line == std::string::npos) return def;
  const std::string value = IniText::entryOf(ini_->lines[line])->second;
  return value.empty() ? def : value;
}

int Profile::getInt(const std::string& section, const std::string& key, int def) const {
  const std::string value = getString(section, key, "");
  return value.empty() ? def : leadingDecimal(value);
}

void Profile::setString(const std::string& section, const std::string& key, const std::string& text) {
  if (!ini_) return;
  IniText& ini = *ini_;
  // A line break in the text would forge further lines.
  const std::string value = text.substr(0, text.find_first_of("\r\n"));

  const std::size_t line = ini.entryLine(section, key);
  if (line != std::string::npos) {
    ini.lines[line] = IniText::entryOf(ini.lines[line])->first + "=" + value;
  } else if (auto [first, end] = ini.sectionRange(section); first != std::string::npos) {
    std::size_t at = end;
    while (at > first && trimmed(ini.lines[at - 1]).empty()) --at;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
  } else {
    if (!ini.lines.empty() && !trimmed(ini.lines.back()).empty()) ini.lines.emplace_back();
    ini.lines.push_back("[" + section + "]");
    ini.lines.push_back(key + "=" + value);
  }
}

bool Profile::save() {
  if (!ini_) return false;
  std::error_code ec;
  std::filesystem::create_directories(directoryOf(path_), ec);
  return writeFileAtomically(path_, ini_->bytes()).ok();
}

bool Profile::writeString(const std::string& section, const std::string& key, const std::string& text) {
  setString(section, key, text);
  return save();
}
