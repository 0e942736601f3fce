#include "common/cli_app.h"

#include <algorithm>
#include <ostream>

#include "common/cli.h"
#include "version.h"

namespace tools {

const char kToolsVersion[] = ZI_VERSION_STRING;

std::string HelpFooter() {
  return "Paths may use \"/\" or \"\\\"; \"-\" stands for standard input or output where the command says so.\n"
         "Exit codes: 0 success, 1 an entry not found or a check failed, 2 a usage error or input that\n"
         "cannot be read, is damaged or cannot be written.";
}

void ConfigureApp(CLI::App& app, const std::string& description) {
  app.name(ProgramName());
  // "/evil.txt" is an entry name, not a Windows-style option.
  app.allow_windows_style_options(false);
  app.description(description);
  app.set_version_flag("--version", ProgramName() + " " + kToolsVersion);
  app.require_subcommand(1, 1);
  app.footer(HelpFooter());
  // Every option added after this shows its default in the help.
  app.option_defaults()->always_capture_default();
  app.get_formatter()->column_width(34);
}

void AddVerbosityOptions(CLI::App& command, Verbosity* v) {
  auto* quiet = command.add_flag("-q,--quiet", v->quiet, "no progress and no names");
  auto* verbose = command.add_flag("-v,--verbose", v->verbose, "list each name on standard output");
  command.add_flag("--progress", v->progress, "show progress also when standard error is not a terminal");
  quiet->excludes(verbose);
}

bool ShowProgress(const Verbosity& v) { return !v.quiet && (v.progress || StderrIsTerminal()); }

namespace {

// The command the user was in when the error came: its help names it.
std::string CommandPath(CLI::App& app) {
  std::string path = ProgramName();
  for (CLI::App* sub = &app;;) {
    const auto chosen = sub->get_subcommands();
    if (chosen.empty()) break;
    sub = chosen.front();
    path += " " + sub->get_name();
  }
  return path;
}

}  // namespace

int ParseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
    return -1;
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << "\n";
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    std::string message = e.what();
    std::replace(message.begin(), message.end(), '\n', ' ');
    if (app.get_subcommands().empty() && !args.empty() && !args[0].empty() && args[0][0] != '-')
      message = "unknown command \"" + args[0] + "\"";
    if (message.empty()) message = "a command is needed";
    const std::string path = CommandPath(app);
    err << ProgramName() << ": " << (path == ProgramName() ? "" : path.substr(ProgramName().size() + 1) + ": ")
        << message << " (see " << path << " --help)\n";
    return kExitUsage;
  }
}

}  // namespace tools
