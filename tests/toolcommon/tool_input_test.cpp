#include "common/tool_input.h"

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "common/run_main.h"
#include "common/temp_dir.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// The code and message of the ToolError that f throws; {-1, ""} when it throws none.
template <typename F>
std::pair<int, std::string> Failure(F f) {
  try {
    f();
  } catch (const tools::ToolError& e) {
    return {e.code(), e.what()};
  }
  return {-1, ""};
}

}  // namespace

TEST(ToolInput, PathArgumentsAreTakenExactlyOrRefused) {
  EXPECT_EQ(tools::PathArgument(u8"表示.txt"), "\x95\x5C\x8E\xA6.txt");
  EXPECT_EQ(Failure([] { tools::PathArgument(u8"a\U0001F600.txt"); }),
            std::make_pair(2, std::string(u8"a\U0001F600.txt: cannot be written in code page 932")));
  // U+301C has no exact code page 932 form (0x8160 reads back as U+FF5E).
  EXPECT_EQ(Failure([] { tools::PathArgument(u8"a\u301C.txt"); }).first, 2);
}

TEST(ToolInput, ReadInputGivesTheBytesOrSaysWhyNot) {
  TempDir dir;
  const std::string bytes("a\0b\r\n\x95\x5C", 7);
  WriteFileBytes(dir / "in.bin", bytes);
  const std::string file = enc::SjisToUtf8(dir / "in.bin");
  EXPECT_EQ(tools::ReadInput(file), bytes);

  const std::string missing = enc::SjisToUtf8(dir / "missing.bin");
  EXPECT_EQ(Failure([&] { tools::ReadInput(missing); }), std::make_pair(2, missing + ": no such file"));
  const std::string folder = enc::SjisToUtf8(dir.Path().substr(0, dir.Path().size() - 1));
  EXPECT_EQ(Failure([&] { tools::ReadInput(folder); }), std::make_pair(2, folder + ": is a folder"));
  EXPECT_EQ(Failure([] { tools::ReadInput(u8"\U0001F600"); }).first, 2);
}

TEST(ToolInput, ErrorDetailDropsOnlyTheLeadingNameOfTheFile) {
  const std::string path = "C:\\\x95\x5C\\game.dat";
  const struct {
    std::string message;
    std::string detail;
  } rows[] = {
      {path + ":壊れています", u8"壊れています"},
      {path + ":", ""},
      {"壊れています", u8"壊れています"},
      {path + "2:壊れています", enc::SjisToUtf8(path) + u8"2:壊れています"},  // another file's name
      {"D:\\other.dat:壊れています", u8"D:\\other.dat:壊れています"},
      {path, enc::SjisToUtf8(path)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    EXPECT_EQ(tools::ErrorDetail(row.message, path), row.detail);
  }
}
