// The commands of vftool. Main parses the command line (CLI11, see
// common/cli_app.h) and runs one command through tools::RunMain; each command
// returns the process exit code (tools::ExitCode), or throws tools::ToolError
// (a usage error or an unreadable input: code 2) and lets the program's own
// errors through, which RunMain reports (see common/run_main.h).
#pragma once

#include <string>
#include <vector>

#include "archive/vrfiles.h"
#include "common/cli_app.h"

namespace vftool {

using Args = std::vector<std::string>;

// Strings are UTF-8, as given on the command line.
struct ListOptions {
  bool json = false;
  std::string archive;
};
struct CatOptions {
  std::string archive, name;
  std::string output = "-";
};
struct ExtractOptions {
  std::string archive, dir;
  std::vector<std::string> names;  // entries, folders or patterns; none: all
  bool overwrite = false;
  tools::Verbosity verbosity;
};
struct PackOptions {
  int version = 0;  // set by Main to the latest
  int level = -1;   // zlib's default (6)
  std::vector<std::string> loose_patterns;
  bool ext = false;
  std::string carrier;
  std::string out;
  std::vector<std::string> inputs;
  int jobs = 0;  // 0: one per processor
  tools::Verbosity verbosity;
};
struct MergeOptions {
  std::string dest;
  std::vector<std::string> sources;
  tools::Verbosity verbosity;
};
struct VerifyOptions {
  std::string archive;
  tools::Verbosity verbosity;
};

int Main(const Args& args);
int List(const ListOptions& o);
int Cat(const CatOptions& o);
int Extract(const ExtractOptions& o);
int Pack(const PackOptions& o);
int Merge(const MergeOptions& o);
int Verify(const VerifyOptions& o);

// Opens the archive named by a UTF-8 argument as TVrFileCollection::Open
// does. Throws tools::ToolError (code 2) when it is neither a file nor a folder, when it is
// a directory file (".ext") rather than its data file, or when a volume of
// the data is missing or short.
void OpenArchive(TVrFileCollection& archive, const std::string& utf8_name);
// The same for commands that need an archive file (not a folder of loose
// files): also throws when there is none.
void OpenArchiveFile(TVrFileCollection& archive, const std::string& utf8_name);
// An entry name given by the user, in Shift-JIS with "\\" between folders: every
// "/" but the leading run (the mark of a superseded entry, one "/" for each
// time it was superseded) is "\\". Throws tools::ToolError (code 2) when code
// page 932 cannot spell it.
std::string EntryArgument(const std::string& utf8);

}  // namespace vftool
