#pragma once
// The decimal rule of the profile and of the dialogs' number fields, as
// strtol with a 32-bit long: leading blanks, an optional sign, then decimal
// digits up to the first other character; no digits gives 0; a number past
// 32 bits saturates.
#include <cstdint>
#include <string_view>

std::int32_t leadingDecimal(std::string_view text);
