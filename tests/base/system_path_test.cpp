#include "base/system_path.h"

#include <gtest/gtest.h>

TEST(SystemPath, LongPathsTakeThePrefixedForm) {
  const std::u16string at_limit = u"C:\\" + std::u16string(kMaxPlainPath - 3, u'a');
  const std::u16string beyond = at_limit + u"b";
  const std::u16string share = u"\\\\server\\share\\" + std::u16string(kMaxPlainPath, u'x');
  const struct {
    const char* what;
    std::u16string path, form;
  } rows[] = {
      {"short", u"C:\\Games\\x", u"C:\\Games\\x"},
      {"259 units stay plain", at_limit, at_limit},
      {"260 units are prefixed", beyond, u"\\\\?\\" + beyond},
      {"slashes become delimiters", u"d:/" + beyond.substr(3), u"\\\\?\\d:\\" + beyond.substr(3)},
      {"a share", share, u"\\\\?\\UNC" + share.substr(1)},
      {"already prefixed", u"\\\\?\\" + beyond, u"\\\\?\\" + beyond},
      {"a device path", u"\\\\.\\" + beyond, u"\\\\.\\" + beyond},
      {"relative: left to the system", u"Games\\" + beyond, u"Games\\" + beyond},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(LongPathForm(row.path), row.form);
  }
  EXPECT_EQ(WithoutLongPathPrefix(u"\\\\?\\UNC\\host\\s\\x"), u"\\\\host\\s\\x");
  EXPECT_EQ(WithoutLongPathPrefix(u"\\\\?\\C:\\x"), u"C:\\x");
  EXPECT_EQ(WithoutLongPathPrefix(u"C:\\x"), u"C:\\x");
}
