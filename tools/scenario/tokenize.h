#pragma once
// Splitting one script line into its arguments.
#include <string>
#include <vector>

#include "platform/result.h"

struct Token {
  std::string text;
  bool quoted = false;
};

// Blanks separate tokens; a token starting with '#' begins a comment that
// runs to the end of the line; "..." is one token with \" and \\ escaped
// (any other backslash is kept as it stands, so Windows-style paths read
// naturally). Every "$DIR" is replaced by dir, quoted texts included.
Result<std::vector<Token>> tokenizeLine(const std::string& line, const std::string& dir);
