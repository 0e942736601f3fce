// vftool merge DEST SOURCE...: builds the data file DEST (its volumes
// DEST.001, ... beyond 1 GiB and its directory file with the extension
// ".ext") from each SOURCE archive in turn, as the installer does disc after
// disc: an entry is taken when DEST has none of its name or only an older
// one, entries installed as separate files never. DEST is created when
// missing; a DEST created by this run is removed again when the run fails.
#include <cinttypes>
#include <cstdio>

#include "base/cleanup_guard.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "common/cli.h"
#include "common/run_main.h"
#include "common/tool_input.h"
#include "vftool/vftool.h"

namespace vftool {

int Merge(const MergeOptions& o) {
  std::vector<std::string> args{o.dest};
  args.insert(args.end(), o.sources.begin(), o.sources.end());
  const std::string dest = tools::PathArgument(args[0]);
  // The directory file sits beside DEST under DEST's name with ".ext"; a
  // program file would not be read through it.
  const std::string ext = ExtractFileExt(dest);
  for (const char* bad : {".ext", ".exe", ".scr"}) {
    if (sjis::EqualsNoCase(ext, bad))
      throw tools::ToolError(tools::kExitUsage, "merge: DEST must not end in " + std::string(bad));
  }
  if (fs::DirectoryExists(dest)) throw tools::ToolError(tools::kExitUsage, args[0] + ": is a folder");
  for (size_t k = 1; k < args.size(); ++k) {
    const std::string source = tools::PathArgument(args[k]);
    if (sjis::EqualsPathNoCase(source, dest)) throw tools::ToolError(tools::kExitUsage, "merge: " + args[k] + " is DEST itself");
    if (!fs::FileExists(source)) throw tools::ToolError(tools::kExitBadInput, args[k] + ": no such file");
  }
  const std::string folder = ExtractFilePath(dest);
  if (!folder.empty() && !fs::MakeDirectories(folder))
    throw tools::ToolError(tools::kExitBadInput, args[0] + ": cannot create its folder");

  const bool existed = fs::FileExists(dest);
  TVrFileCollection target;
  target.Open(dest, true);
  // The data file this run created goes unless the merge succeeds.
  CleanupGuard remove_created([&] {
    target.Open("");  // closes the volumes
    try {
      TTpBigFileStream erase(dest, kFmCreate);  // deletes the chain
    } catch (const std::exception&) {
      // Left as it is; the error that brought us here is the one to report.
    }
    fs::EraseFile(ChangeFileExt(dest, ".ext"));
  });
  if (existed) remove_created.Cancel();

  for (size_t k = 1; k < args.size(); ++k) {
    TVrFileCollection source;
    OpenArchive(source, args[k]);
    if (!source.Stream()) throw tools::ToolError(tools::kExitBadInput, args[k] + ": not an archive (a folder)");
    int32_t taken = 0;
    int64_t bytes = 0;
    int64_t total = 0;
    for (int32_t i = 0; i + 1 < source.Count(); ++i) total += source.Files(i).Size;
    tools::Progress progress("merge " + args[k], total,
                             tools::ShowProgress(o.verbosity));
    target.OnProgress = [&](TVrFileCollection&, TVrFile& e, bool&, int32_t count, int32_t index, int64_t size) {
      ++taken;
      bytes += size;
      progress.Update(bytes);
      if (o.verbosity.verbose) {
        const std::string line = tools::SjisToUtf8(e.Name()) + "\n";
        tools::WriteStdout(line.data(), line.size());
      }
    };
    target.MergeFrom(source);
    progress.Finish();
    const std::string line = Format("%s: %d entries taken (%" PRId64 " bytes)\n", args[k].c_str(), taken, bytes);
    tools::WriteStdout(line.data(), line.size());
  }
  target.OnProgress = nullptr;
  target.Open("");  // flushes and closes the volumes: errors surface here, not after success
  remove_created.Cancel();
  if (!tools::FlushStdout()) throw tools::ToolError(tools::kExitBadInput, "standard output: cannot write");
  return tools::kExitOk;
}

}  // namespace vftool
