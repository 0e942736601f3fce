#include "vftool/vftool.h"

#include <functional>
#include <iostream>
#include <thread>

#include "archive/bigstreams.h"
#include "archive/decompress.h"
#include "archive/dirformat.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "common/cli.h"
#include "common/run_main.h"
#include "common/tool_input.h"

namespace vftool {
namespace {

const char kNames[] =
    "Entry names use \"\\\" between folders; \"/\" is taken as \"\\\" everywhere. Names and patterns\n"
    "ignore the case of ASCII letters. In a pattern \"*\" matches any run of characters, \"\\\" included,\n"
    "and \"?\" one character; a name that is a folder stands for everything below it.";

// The data file beside a directory file: same name, another extension that
// is not a volume number.
std::string DataFileBeside(const std::string& ext_file) {
  std::vector<fs::DirEntry> entries;
  const std::string folder = ExtractFilePath(ext_file);
  const std::string stem = ExtractFileName(ChangeFileExt(ext_file, ""));
  if (!fs::ListDirectory(folder.empty() ? std::string(".") : folder, &entries)) return "";
  for (const fs::DirEntry& e : entries) {
    if (e.is_directory || !sjis::EqualsNoCase(ChangeFileExt(e.name, ""), stem)) continue;
    const std::string ext = ExtractFileExt(e.name);
    if (ext.empty() || sjis::EqualsNoCase(ext, ".ext")) continue;
    if (ext.size() >= 4 && ext.find_first_not_of("0123456789", 1) == std::string::npos) continue;  // a volume
    return e.name;
  }
  return "";
}

}  // namespace

std::string EntryArgument(const std::string& utf8) {
  std::string sjis;
  if (!tools::Utf8NameToSjis(utf8, &sjis))
    throw tools::ToolError(tools::kExitUsage, utf8 + ": cannot be written in code page 932");
  // A leading run of "/" marks a superseded entry and is part of its name
  // ("//a.txt" as well as "/a.txt"); "/" anywhere else is "\\".
  const size_t mark = std::min(sjis.find_first_not_of('/'), sjis.size());
  return sjis.substr(0, mark) + sjis::ReplaceChar(sjis.substr(mark), '/', '\\');
}

void OpenArchive(TVrFileCollection& archive, const std::string& utf8_name) {
  const std::string name = tools::PathArgument(utf8_name);
  if (!fs::FileExists(name) && !fs::DirectoryExists(name))
    throw tools::ToolError(tools::kExitBadInput, utf8_name + ": no such file or folder");
  if (fs::FileExists(name) && sjis::EqualsNoCase(ExtractFileExt(name), ".ext")) {
    const std::string data = DataFileBeside(name);
    throw tools::ToolError(tools::kExitBadInput, utf8_name + ": this is a directory file (.ext); open " +
                                          (data.empty() ? std::string("the data file of the same name beside it")
                                                        : tools::SjisToUtf8(data)));
  }
  try {
    archive.Open(name);
  } catch (const EError& e) {
    // Data that ends where a volume would begin: the next volume is missing.
    if (fs::FileExists(name)) {
      TTpBigFileStream data(name, kFmOpenRead | kFmShareDenyWrite);
      const int64_t have = data.GetSize();
      const std::string next = data.VolumeName(static_cast<int32_t>(have / kVolumeSize));
      if (have > 0 && have % kVolumeSize == 0 && !fs::FileExists(next))
        throw tools::ToolError(tools::kExitBadInput,
            utf8_name + ": volume " + tools::SjisToUtf8(ExtractFileName(next)) + " is missing");
    }
    // The core's messages start with the name as the program spelled it.
    throw tools::ToolError(tools::kExitBadInput, utf8_name + ": " + tools::ErrorDetail(e.Message(), name));
  }
  // The directory says where the data ends; volumes that are missing or
  // short end the data early.
  const auto* stream = dynamic_cast<const TTpBigFileStream*>(archive.Stream());
  if (stream && archive.Count() > 0) {
    const int64_t end = archive.Files(archive.Count() - 1).Offset;
    const int64_t have = const_cast<TTpBigFileStream*>(stream)->GetSize();
    if (end > have) {
      const int32_t n = static_cast<int32_t>(have / kVolumeSize);
      const std::string volume = tools::SjisToUtf8(ExtractFileName(stream->VolumeName(n)));
      throw tools::ToolError(tools::kExitBadInput, utf8_name + ": volume " + volume +
                                            (have % kVolumeSize == 0 ? " is missing" : " is shorter than 1 GiB"));
    }
  }
}

void OpenArchiveFile(TVrFileCollection& archive, const std::string& utf8_name) {
  OpenArchive(archive, utf8_name);
  if (!archive.Stream()) throw tools::ToolError(tools::kExitBadInput, utf8_name + ": not an archive (a folder)");
}

int Main(const Args& args) {
  // The same bytes on every system: "\n" line ends, entry contents untouched.
  tools::BinaryStdout();
  CLI::App app;
  tools::ConfigureApp(app, "Lists, reads, extracts, builds, merges and verifies \"vf\" archives.");
  app.footer(std::string(kNames) + "\n" + tools::HelpFooter());
  std::function<int()> run;
  ListOptions list;
  CatOptions cat;
  ExtractOptions extract;
  PackOptions pack;
  MergeOptions merge;
  VerifyOptions verify;

  CLI::App* c = app.add_subcommand("list", "the directory as a table, or as JSON");
  c->add_flag("--json", list.json, "one JSON object instead of the table");
  c->add_option("ARCHIVE", list.archive, "archive, data file or carrier program")->required();
  c->callback([&] { run = [&] { return List(list); }; });

  c = app.add_subcommand("cat", "one entry as the program reads it (a loose file beside the archive wins)");
  c->add_option("ARCHIVE", cat.archive, "archive, or a folder of loose files")->required();
  c->add_option("NAME", cat.name, "entry name")->required();
  c->add_option("-o,--output", cat.output, "file to write; - is standard output");
  c->callback([&] { run = [&] { return Cat(cat); }; });

  c = app.add_subcommand("extract", "entries to files below a folder (created when missing)");
  c->add_option("ARCHIVE", extract.archive, "archive, data file or carrier program")->required();
  c->add_option("DIR", extract.dir, "folder to write into")->required();
  c->add_option("NAME", extract.names, "entries, folders or patterns (default: every entry)");
  c->add_flag("--overwrite", extract.overwrite, "replace existing files, read-only ones included");
  tools::AddVerbosityOptions(*c, &extract.verbosity);
  c->callback([&] { run = [&] { return Extract(extract); }; });

  pack.version = vf::kLatestVersion;
  pack.jobs = static_cast<int>(std::max(1u, std::min(8u, std::thread::hardware_concurrency())));
  c = app.add_subcommand("pack", "builds an archive from files and folders");
  c->add_option("--format-version", pack.version, "directory version: 0, 1, 99, 100, 101 or 102")
      ->check(CLI::IsMember({0, 1, 99, 100, 101, 102}));
  c->add_option("--level", pack.level, "zlib level 0-9 (-1: zlib's default, 6; 0 stores everything)")
      ->check(CLI::Range(-1, 9));
  c->add_option("--loose", pack.loose_patterns,
                "entries installed as separate files (pattern, repeatable; each must match; version 102)")
      ->allow_extra_args(false);
  auto* ext = c->add_flag("--ext", pack.ext, "directory in OUT's .ext file beside the data (a data file)");
  auto* carrier = c->add_option("--carrier", pack.carrier, "copy STUB.exe and append the archive (OUT must end in .exe)");
  ext->excludes(carrier);
  c->add_option("-j,--jobs", pack.jobs, "threads that compress")->check(CLI::Range(1, 64));
  c->add_option("OUT", pack.out, "archive to write; continues in OUT.001, ... beyond 1 GiB")->required();
  c->add_option("INPUT", pack.inputs, "files and folders (a folder's files are named below it)")->required();
  tools::AddVerbosityOptions(*c, &pack.verbosity);
  c->callback([&] { run = [&] { return Pack(pack); }; });

  c = app.add_subcommand("merge", "builds or extends a data file from archives, disc after disc, as the installer does");
  c->add_option("DEST", merge.dest, "data file (its directory goes in DEST's .ext file)")->required();
  c->add_option("SOURCE", merge.sources, "archives, in order")->required();
  tools::AddVerbosityOptions(*c, &merge.verbosity);
  c->callback([&] { run = [&] { return Merge(merge); }; });

  c = app.add_subcommand("verify", "checks the CRC-32 of every entry as the installer does, or an installation");
  c->add_option("ARCHIVE", verify.archive,
                "archive or data file; or an install folder: every recorded file present, every entry sound")
      ->required();
  tools::AddVerbosityOptions(*c, &verify.verbosity);
  c->callback([&] { run = [&] { return Verify(verify); }; });

  const int parsed = tools::ParseCommandLine(app, args, std::cout, std::cerr);
  if (parsed >= 0) return parsed;
  return tools::RunMain(run, std::cerr);
}

}  // namespace vftool
