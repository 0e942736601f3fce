#include "install/readme_rules.h"

#include <gtest/gtest.h>

#include "common/temp_dir.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

TEST(Readme, ShownByTheShellOrInTheProgramsWindow) {
  const struct {
    const char* file;
    unsigned code_page;
    TReadmeView view;
  } rows[] = {
      {"readme.txt", 1252, TReadmeView::kOwnWindow},
      {"doc\\README.TXT", 1252, TReadmeView::kOwnWindow},
      {"manual.text", 1251, TReadmeView::kOwnWindow},
      {"readme.txt", 932, TReadmeView::kShell},  // the shell's editor reads Shift-JIS there
      {"manual.html", 1252, TReadmeView::kShell},
      {"manual.pdf", 1252, TReadmeView::kShell},
      {"readme.txt.lnk", 1252, TReadmeView::kShell},
      {"txt\\readme", 1252, TReadmeView::kShell},  // a folder's extension is not the file's
      {"\x83\x5ctxt", 1252, TReadmeView::kShell},   // ソtxt: no dot, only a trail byte 0x5C
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.file) + " " + std::to_string(row.code_page));
    EXPECT_EQ(ReadmeViewFor(row.file, row.code_page), row.view);
  }
}

TEST(Readme, TextAsTheWindowShowsIt) {
  const struct {
    std::string bytes;
    std::u16string text;
  } rows[] = {
      {"\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\r\n\x83\x5C\x83\x74\x83\x67", u"こんにちは\r\nソフト"},
      {"a\nb\rc\r\n\r\nd", u"a\r\nb\r\nc\r\n\r\nd"},
      {std::string("a\0b", 3), u"a b"},
      {"\xEF\xBB\xBF\xC3\xAB\n", u"\u00EB\r\n"},
      {std::string("\xFF\xFE\xEB\x00\n\x00", 6), u"\u00EB\r\n"},
      {"", u""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bytes);
    EXPECT_EQ(ReadmeDisplayText(row.bytes), row.text);
  }
}

TEST(Readme, ReadWholeOrRefusedWithAReason) {
  const TempDir dir;
  WriteFileBytes(dir / "readme.txt", "\x93\xC7\x82\xDD\x82\xDC\x82\xB7\n");  // 読みます
  WriteFileBytes(dir / "large.txt", std::string(kReadmeMaxBytes, 'x'));
  WriteFileBytes(dir / "too large.txt", std::string(kReadmeMaxBytes + 1, 'x'));

  const TReadmeText ok = LoadReadme(dir / "readme.txt");
  EXPECT_EQ(ok.text, u"読みます\r\n");
  EXPECT_EQ(ok.error, "");
  EXPECT_EQ(LoadReadme(dir / "large.txt").text.size(), static_cast<size_t>(kReadmeMaxBytes));

  const TReadmeText large = LoadReadme(dir / "too large.txt");
  EXPECT_EQ(large.text, u"");
  EXPECT_EQ(large.error, dir / "too large.txt" +
                             "\r\nは大きすぎるため表示できません（1048577 バイト、表示できるのは 1048576 バイトまでです）");
  const TReadmeText missing = LoadReadme(dir / "missing.txt");
  EXPECT_EQ(missing.error, dir / "missing.txt" + "\r\nを読み込めません");
}
