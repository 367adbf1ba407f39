#pragma once
// Text fields as the profile and the dialogs read them.
#include <cstdint>
#include <string>
#include <string_view>

// The decimal rule of the profile and of the dialogs' number fields, as
// strtol with a 32-bit long: leading blanks, an optional sign, then decimal
// digits up to the first other character; no digits gives 0; a number past
// 32 bits saturates.
std::int32_t leadingDecimal(std::string_view text);

// The text without the blanks at either end.
inline std::string trimmed(std::string_view text, std::string_view blanks = " \t\v\f") {
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}
