// instdat: reads, writes and checks the package settings file install.dat on
// a build machine. Strings are UTF-8 in JSON and Shift-JIS in the file.
//
//   instdat template                      a complete example as JSON
//   instdat dump [--pretty] FILE|-         the settings as JSON (any file version)
//   instdat build [--sizes-from A]... JSON|- OUT|-   writes install.dat (version 107)
//   instdat check [--add-on] FILE [ARCHIVE]   one line per problem
//
// Exit codes: 0 success, 1 check found problems, 2 usage or unreadable input.
#include <iostream>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/errors.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/cli.h"
#include "common/cli_app.h"
#include "common/json_pretty.h"
#include "common/json_value.h"
#include "common/run_main.h"
#include "common/tool_input.h"
#include "package_check.h"
#include "settings/install_set.h"
#include "settings_json.h"

namespace {

using tools::ToolError;

TZefoInstallSet LoadSettings(const std::string& utf8_path) {
  const std::string bytes = tools::ReadInput(utf8_path);
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  m.SetPosition(0);
  TZefoInstallSet s;
  try {
    s.LoadFromStream(m);
  } catch (const EError& e) {
    throw ToolError(tools::kExitBadInput, utf8_path + ": " + enc::SjisToUtf8(e.Message()));
  }
  return s;
}

void Write(const std::string& text) {
  if (!tools::WriteStdout(text.data(), text.size()) || !tools::FlushStdout())
    throw ToolError(tools::kExitBadInput, "standard output: cannot write");
}

// Opens an archive given on the command line; its folder is the medium's.
void OpenArchive(TVrFileCollection& archive, const std::string& utf8_path, std::string* medium_folder) {
  const std::string path = tools::PathArgument(utf8_path);
  if (!fs::FileExists(path)) throw ToolError(tools::kExitBadInput, utf8_path + ": no such file");
  try {
    archive.Open(path);
  } catch (const EError& e) {
    throw ToolError(tools::kExitBadInput, utf8_path + ": " + tools::ErrorDetail(e.Message(), path));
  }
  const std::string folder = ExtractFilePath(path);
  *medium_folder = folder.empty() ? std::string() : AddTrailingDelimiter(folder);
}

int Template() {
  Write(tools::PrettyJson(SettingsToJson(TemplateSettings())));
  return tools::kExitOk;
}

int Dump(const std::string& file, bool pretty) {
  const tools::Json json = SettingsToJson(LoadSettings(file));
  Write(pretty ? tools::PrettyJson(json) : json.Dump() + "\n");
  return tools::kExitOk;
}

int Build(const std::string& json_file, const std::string& out, const std::vector<std::string>& archives) {
  const std::string text = tools::ReadInput(json_file);
  TZefoInstallSet s;
  try {
    s = SettingsFromJson(tools::Json::Parse(text));
  } catch (const tools::JsonError& e) {
    throw ToolError(tools::kExitBadInput, (json_file == "-" ? "standard input" : json_file) + ": " + e.what());
  }
  if (!archives.empty()) {
    // One archive per disc, in disc order.
    if (s.DiskCount == 0) s.SetDiskCount(static_cast<int32_t>(archives.size()));
    if (s.DiskCount != static_cast<int32_t>(archives.size()))
      throw ToolError(tools::kExitUsage, "--sizes-from: " + std::to_string(archives.size()) + " archives for DiskCount " +
                                             std::to_string(s.DiskCount) + " (one per disc, in order)");
    for (size_t i = 0; i < archives.size(); ++i) {
      TVrFileCollection archive;
      std::string folder;
      OpenArchive(archive, archives[i], &folder);
      std::vector<std::string> missing;
      SetDiscSizes(s, static_cast<int32_t>(i), SizesOfDisc(archive, s, folder, &missing));
      for (const std::string& name : missing)
        throw ToolError(tools::kExitBadInput, archives[i] + ": CopyFiles names \"" + enc::SjisToUtf8(name) + "\", which is not beside it");
    }
    SetTotals(s);
  }
  TMemoryStream m;
  s.SaveToStream(m);
  if (out == "-") {
    Write(std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize())));
    return tools::kExitOk;
  }
  const std::string path = tools::PathArgument(out);
  if (!fs::WriteFileReplacing(path, m.Memory(), m.GetSize())) {
    const std::string folder = ExtractFilePath(path);
    throw ToolError(tools::kExitBadInput, out + (!folder.empty() && !fs::DirectoryExists(folder)
                                                     ? ": cannot write (no folder " + enc::SjisToUtf8(folder) + ")"
                                                     : ": cannot write"));
  }
  return tools::kExitOk;
}

int Check(const std::string& file, const std::string& archive_file, bool add_on) {
  const TZefoInstallSet s = LoadSettings(file);
  TVrFileCollection archive;
  std::string folder;
  if (!archive_file.empty()) OpenArchive(archive, archive_file, &folder);
  const std::vector<std::string> problems =
      CheckPackage(s, archive_file.empty() ? nullptr : &archive, archive_file, folder, add_on);
  for (const std::string& p : problems) tools::PrintError(file + ": " + p);
  return problems.empty() ? tools::kExitOk : tools::kExitCheckFailed;
}

}  // namespace

int main(int argc, char** argv) {
  tools::SetProgramName("instdat");
  tools::BinaryStdout();
  CLI::App app;
  tools::ConfigureApp(app, "Reads, writes and checks the package settings file install.dat.");
  app.footer("JSON keys are the settings' field names (see docs/packaging.md); strings are UTF-8 and must be\n"
             "writable in code page 932; fields left out are 0 or empty.\n" + tools::HelpFooter());
  std::function<int()> run;
  bool pretty = false, add_on = false;
  std::string file, out, archive;
  std::vector<std::string> archives;

  CLI::App* c = app.add_subcommand("template", "a complete, valid settings object with every field, as JSON");
  c->callback([&] { run = [&] { return Template(); }; });

  c = app.add_subcommand("dump", "the settings of an install.dat (any version) as JSON");
  c->add_flag("--pretty", pretty, "indented, one field per line");
  c->add_option("FILE", file, "install.dat, or - for standard input")->required();
  c->callback([&] { run = [&] { return Dump(file, pretty); }; });

  c = app.add_subcommand("build", "writes install.dat (version 107) from JSON");
  c->add_option("--sizes-from", archives,
                "fill the component sizes and totals from each disc's game.dat, in disc order (repeatable)")
      ->allow_extra_args(false);
  c->add_option("JSON", file, "settings as JSON, or - for standard input")->required();
  c->add_option("OUT", out, "install.dat to write, or - for standard output")->required();
  c->callback([&] { run = [&] { return Build(file, out, archives); }; });

  c = app.add_subcommand("check", "reports each problem of a package's settings on a line of its own (exit 1)");
  c->add_option("FILE", file, "install.dat, or -")->required();
  c->add_flag("--add-on", add_on,
              "check an add-on (also when AddOn is 1): ARCHIVE is its program, carrying install.dat; the game's "
              "program and uninstaller are the installation's");
  c->add_option("ARCHIVE", archive,
                "the disc's game.dat (an add-on's program): also check the files the installation needs, the "
                "picture and the sizes");
  c->callback([&] { run = [&] { return Check(file, archive, add_on); }; });

  const int parsed = tools::ParseCommandLine(app, tools::Arguments(argc, argv), std::cout, std::cerr);
  if (parsed >= 0) return parsed;
  return tools::RunMain(run, std::cerr);
}
