// vftool verify ARCHIVE: recomputes the CRC-32 of every entry's stored bytes,
// as the installer checks the data file it has built (entries without a
// checksum and superseded "/" entries are left out). Exit 0 when every
// checksum matches; 1 naming the first entry that does not.
//
// vftool verify FOLDER: the installation in that folder, as install.exe
// /verify checks it: one line per recorded file missing, per name leading
// out of the folder and per damaged entry of its data file, then a summary.
// Exit 0 when intact, 1 otherwise, 2 when the folder holds no installation.
#include <cinttypes>
#include <memory>

#include "base/format.h"
#include "base/fs.h"
#include "common/cli.h"
#include "common/run_main.h"
#include "common/tool_input.h"
#include "vftool/vftool.h"
#include "install/verify_installation.h"

namespace vftool {
namespace {

int VerifyFolder(const VerifyOptions& o, const std::string& folder) {
  std::unique_ptr<tools::Progress> progress;
  const TInstallationReport report = VerifyInstallation(folder, [&](int64_t done, int64_t total) {
    if (!progress) progress = std::make_unique<tools::Progress>("verify", total, tools::ShowProgress(o.verbosity));
    progress->Update(done);
  });
  if (progress) progress->Finish();
  const std::vector<std::string> lines = ReportLines(report);
  if (report.settings != TInstallationReport::TSettings::kLoaded) {
    // "verify: what" as "vftool: FOLDER: what".
    throw tools::ToolError(tools::kExitBadInput, o.archive + ": " + tools::SjisToUtf8(lines.front().substr(8)));
  }
  std::string out;
  for (const std::string& line : lines) out += tools::SjisToUtf8(line) + "\n";
  tools::WriteStdout(out.data(), out.size());
  if (!tools::FlushStdout()) throw tools::ToolError(tools::kExitBadInput, "standard output: cannot write");
  return report.Intact() ? tools::kExitOk : tools::kExitCheckFailed;
}

}  // namespace

int Verify(const VerifyOptions& o) {
  const std::string folder = tools::PathArgument(o.archive);
  if (fs::DirectoryExists(folder)) return VerifyFolder(o, folder);
  TVrFileCollection archive;
  OpenArchiveFile(archive, o.archive);

  // Progress comes every tenth entry; the bytes up to it are summed here.
  int64_t all = 0;
  for (int32_t i = 0; i + 1 < archive.Count(); ++i) all += archive.Files(i).Size;
  tools::Progress progress("verify", all, tools::ShowProgress(o.verbosity));
  int64_t bytes = 0;
  int32_t summed = 0;
  archive.OnProgress = [&](TVrFileCollection& c, TVrFile&, bool&, int32_t count, int32_t index, int64_t) {
    for (; summed <= index; ++summed) bytes += c.Files(summed).Size;
    progress.Update(bytes);
  };
  int32_t failed = -1;
  if (!archive.Verify(&failed)) {
    const TVrFile& e = archive.Files(failed);
    const bool missing = e.Offset > archive.Stream()->GetSize() - e.Size;
    tools::PrintError(tools::SjisToUtf8(e.Name()) + (missing ? ": data missing" : ": CRC mismatch"));
    return tools::kExitCheckFailed;
  }

  int32_t checked = 0, skipped = 0;
  int64_t total = 0;
  for (int32_t i = 0; i + 1 < archive.Count(); ++i) {
    const TVrFile& e = archive.Files(i);
    if (e.Crc == 0 || (!e.Name().empty() && e.Name()[0] == '/')) {
      ++skipped;
    } else {
      ++checked;
      total += e.Size;
    }
  }
  progress.Finish();
  const std::string line = Format("%d entries checked (%" PRId64 " bytes), %d without checksum or superseded\n",
                                  checked, total, skipped);
  tools::WriteStdout(line.data(), line.size());
  if (!tools::FlushStdout()) throw tools::ToolError(tools::kExitBadInput, "standard output: cannot write");
  return tools::kExitOk;
}

}  // namespace vftool
