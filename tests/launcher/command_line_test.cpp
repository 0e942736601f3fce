#include "launcher/command_line.h"

#include <gtest/gtest.h>

using Params = std::vector<std::string>;

TEST(CommandLine, QuotesGroupAndAreDropped) {
  EXPECT_EQ(SplitCommandLine("install.exe"), Params({"install.exe"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Temp\\~zinstall.exe\" \"D:\\My Game\\\""),
            Params({"C:\\Temp\\~zinstall.exe", "D:\\My Game\\"}));  // the final backslash escapes nothing
  EXPECT_EQ(SplitCommandLine("  a   b\tc  "), Params({"a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine("x a\"b c\"d"), Params({"x", "ab cd"}));
  EXPECT_EQ(SplitCommandLine("x \"\""), Params({"x", ""}));
  EXPECT_EQ(SplitCommandLine(""), Params());
}

TEST(CommandLine, ShiftJisTrailBytesAreOrdinary) {
  // 表 ends in 0x5C and ソ too; neither ends a parameter or escapes a quote.
  EXPECT_EQ(SplitCommandLine("p \"C:\\表\\ソ\\\" next"), Params({"p", "C:\\表\\ソ\\", "next"}));
}
