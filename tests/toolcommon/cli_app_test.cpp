#include "common/cli_app.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/cli.h"
#include "common/json_pretty.h"

namespace {

struct Parsed {
  int code;
  std::string out, err;
  bool ran = false;
  int level = 0;
};

// A tool with one command, "run [--level N] FILE".
Parsed Parse(const std::vector<std::string>& args) {
  tools::SetProgramName("tool");
  CLI::App app;
  tools::ConfigureApp(app, "A test tool.");
  Parsed p;
  std::string file;
  CLI::App* run = app.add_subcommand("run", "runs");
  run->add_option("--level", p.level, "how much")->check(CLI::Range(0, 9));
  run->add_option("FILE", file, "the input")->required();
  std::ostringstream out, err;
  p.code = tools::ParseCommandLine(app, args, out, err);
  p.ran = p.code < 0 && run->parsed();
  p.out = out.str();
  p.err = err.str();
  return p;
}

}  // namespace

TEST(ToolCliApp, HelpAndVersionGoToStandardOutputWithZero) {
  Parsed p = Parse({"--help"});
  EXPECT_EQ(p.code, 0);
  EXPECT_NE(p.out.find("run"), std::string::npos) << p.out;
  EXPECT_NE(p.out.find("Exit codes: 0 success"), std::string::npos) << p.out;
  p = Parse({"run", "--help"});
  EXPECT_EQ(p.code, 0);
  EXPECT_NE(p.out.find("Usage: tool run [OPTIONS] FILE"), std::string::npos) << p.out;
  EXPECT_NE(p.out.find("--level INT:INT in [0 - 9]=0"), std::string::npos) << p.out;  // the default shown
  p = Parse({"--version"});
  EXPECT_EQ(p.code, 0);
  EXPECT_EQ(p.out, std::string("tool ") + tools::kToolsVersion + "\n");
  EXPECT_EQ(p.err, "");
}

TEST(ToolCliApp, UsageErrorsAreOneLineWithTwo) {
  const struct {
    std::vector<std::string> args;
    std::string err;
  } rows[] = {
      {{}, "tool: A subcommand is required (see tool --help)\n"},
      {{"walk"}, "tool: unknown command \"walk\" (see tool --help)\n"},
      {{"run"}, "tool: run: FILE is required (see tool run --help)\n"},
      {{"run", "--level", "12", "f"}, "tool: run: --level: Value 12 not in range 0 to 9 (see tool run --help)\n"},
      {{"run", "a", "b"}, "tool: run: The following argument was not expected: b (see tool run --help)\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.err);
    const Parsed p = Parse(row.args);
    EXPECT_EQ(p.code, 2);
    EXPECT_EQ(p.err, row.err);
    EXPECT_EQ(p.out, "");
  }
  const Parsed ok = Parse({"run", "--level", "3", "-"});  // "-" is a value, not an option
  EXPECT_EQ(ok.code, -1) << ok.err;
  EXPECT_TRUE(ok.ran);
  EXPECT_EQ(ok.level, 3);
}

TEST(ToolCliApp, ProgressFiguresAndPrettyJson) {
  EXPECT_EQ(tools::HumanBytes(312), "312 bytes");
  EXPECT_EQ(tools::HumanBytes(12 << 10), "12 KiB");
  EXPECT_EQ(tools::HumanBytes(int64_t{412} << 20), "412 MiB");
  EXPECT_EQ(tools::HumanBytes(int64_t{11} << 30), "11.0 GiB");
  tools::Verbosity quiet;
  quiet.quiet = quiet.progress = true;
  EXPECT_FALSE(tools::ShowProgress(quiet));
  tools::Verbosity asked;
  asked.progress = true;
  EXPECT_TRUE(tools::ShowProgress(asked));

  tools::Json doc = tools::Json::Object();
  doc.Add("Title", tools::Json::String("a\"b"));
  doc.Add("Sizes", tools::Json::Array({tools::Json::Integer(1), tools::Json::Integer(2)}));
  doc.Add("Files", tools::Json::Array({tools::Json::String("x")}));
  doc.Add("Empty", tools::Json::Array());
  EXPECT_EQ(tools::PrettyJson(doc),
            "{\n  \"Title\": \"a\\\"b\",\n  \"Sizes\": [1,2],\n  \"Files\": [\n    \"x\"\n  ],\n  \"Empty\": []\n}\n");
}
