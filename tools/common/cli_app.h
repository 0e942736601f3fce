// The command line of every publisher's tool, built on CLI11 so that all of
// them behave alike: "--help" (also after a command: each option with its
// default) and "--version" on standard output with exit code 0; a usage error
// as one line on standard error with exit code 2:
//   vftool: list: The following argument was not expected: --jsn (see vftool list --help)
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>
#include <vector>

namespace tools {

// The version every tool reports.
extern const char kToolsVersion[];

// The text after every help page: exit codes, names and patterns.
std::string HelpFooter();

// A tool's top level: name, one-line description, --version, help of each
// command showing the defaults of its options, exactly one command required.
void ConfigureApp(CLI::App& app, const std::string& description);

// -q/--quiet, -v/--verbose (list the names handled, on standard output) and
// --progress (show progress even when standard error is not a terminal).
struct Verbosity {
  bool quiet = false;
  bool verbose = false;
  bool progress = false;
};
void AddVerbosityOptions(CLI::App& command, Verbosity* v);
// Progress is shown on a terminal, or when asked, and never with --quiet.
bool ShowProgress(const Verbosity& v);

// Parses args (UTF-8, after the program name). Returns -1 when the chosen
// command is to run; otherwise the exit code, having printed help or the
// version on out (0) or a one-line usage error on err (2).
int ParseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tools
