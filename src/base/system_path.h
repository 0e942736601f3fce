// The forms a full path takes at the system's file calls. Without the
// "\\?\" prefix a call refuses a path of MAX_PATH (260) units or more; with
// it, the system takes the path as it is (no "/" turned into "\", no "."
// or ".." resolved), up to about 32767 units.
#pragma once

#include <string>
#include <string_view>

// The units a path may have without the prefix: MAX_PATH less its end mark.
constexpr size_t kMaxPlainPath = 259;

// path itself when it is short enough or is not a full path of a drive
// ("C:\...") or a share ("\\server\share\..."); else its prefixed form
// ("\\?\C:\...", "\\?\UNC\server\share\..."), "/" turned into "\".
std::u16string LongPathForm(std::u16string_view path);

// A name the system gave in prefixed form back in the plain one
// ("\\?\C:\x" is "C:\x", "\\?\UNC\server\share" is "\\server\share").
std::u16string WithoutLongPathPrefix(std::u16string_view path);
