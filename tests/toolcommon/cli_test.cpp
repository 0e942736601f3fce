#include "common/cli.h"

#include <gtest/gtest.h>

TEST(ToolCli, Utf8ToSjisRefusesWhatCodePage932CannotSpell) {
  std::string out;
  ASSERT_TRUE(tools::Utf8ToSjisExact(u8"表示.txt", &out));
  EXPECT_EQ(out, "\x95\x5C\x8E\xA6.txt");
  EXPECT_EQ(tools::SjisToUtf8(out), u8"表示.txt");
  EXPECT_FALSE(tools::Utf8ToSjisExact(u8"\U0001F600.txt", &out));  // no code page 932 form
  EXPECT_FALSE(tools::Utf8ToSjisExact("\xFF", &out));                // not UTF-8
}
