#include "tools/scenario/tokenize.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void substituteDir(std::string& text, const std::string& dir) {
  static const std::string kVar = "$DIR";
  for (std::size_t at = text.find(kVar); at != std::string::npos; at = text.find(kVar, at)) {
    text.replace(at, kVar.size(), dir);
    at += dir.size();
  }
}

}  // namespace

Result<std::vector<Token>> tokenizeLine(const std::string& line, const std::string& dir) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    if (isBlank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    Token t;
    if (line[i] == '"') {
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) c = line[i++];
        t.text += c;
      }
      if (!closed) return Error{"unterminated quoted text"};
      if (i < line.size() && !isBlank(line[i])) return Error{"a quoted text must be followed by a blank"};
    } else {
      while (i < line.size() && !isBlank(line[i])) {
        if (line[i] == '"') return Error{"a quote inside a word"};
        t.text += line[i++];
      }
    }
    substituteDir(t.text, dir);
    tokens.push_back(std::move(t));
  }
  return tokens;
}
