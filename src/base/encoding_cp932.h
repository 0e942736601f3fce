// The platforms' own code page 932 tables (encoding_win.cpp: the system's,
// encoding_posix.cpp: iconv's), for encoding.cpp. Neither is trusted to be
// exact towards code page 932 (both have one-way mappings such as U+00A5 to
// 0x5C); encoding.cpp checks every result by reading it back.
#pragma once

#include <string>
#include <string_view>

namespace enc::platform {

// Characters the table cannot take at all become "?".
std::string ToCp932(std::u16string_view text);
std::u16string FromCp932(std::string_view sjis);

}  // namespace enc::platform
