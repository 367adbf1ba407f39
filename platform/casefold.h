#pragma once
// Letter case as file names, profile keys and scenario words ignore it: ASCII
// letters only, whatever the locale.
#include <algorithm>
#include <string>

inline char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string lowerAscii(std::string s) {
  for (char& c : s) c = lowerAscii(c);
  return s;
}

inline bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}
