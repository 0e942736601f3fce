#include "base/system_path.h"

namespace {

bool IsDelimiter(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

std::u16string LongPathForm(std::u16string_view path) {
  if (path.size() <= kMaxPlainPath) return std::u16string(path);
  const bool drive = path.size() >= 3 && path[1] == u':' && IsDelimiter(path[2]) &&
                     ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
  const bool share = IsDelimiter(path[0]) && IsDelimiter(path[1]) && path[2] != u'?' && path[2] != u'.' &&
                     !IsDelimiter(path[2]);
  if (!drive && !share) return std::u16string(path);
  std::u16string result = drive ? u"\\\\?\\" : u"\\\\?\\UNC";
  for (size_t i = drive ? 0 : 1; i < path.size(); ++i) result += path[i] == u'/' ? u'\\' : path[i];
  return result;
}

std::u16string WithoutLongPathPrefix(std::u16string_view path) {
  if (path.substr(0, 8) == u"\\\\?\\UNC\\") return u"\\" + std::u16string(path.substr(7));
  if (path.substr(0, 4) == u"\\\\?\\") return std::u16string(path.substr(4));
  return std::u16string(path);
}
