// vftool extract ARCHIVE DIR [NAME...]: entries to files below DIR.
//
// Entries are read straight from the archive (not through loose files),
// streamed in blocks (inflated on the way when compressed) and checked
// against their Crc over the stored bytes. Each file is written under a
// temporary name and renamed into place when complete, so a failure never
// leaves a truncated file behind or replaces a good one.
#include <zlib.h>

#include <memory>
#include <unordered_map>

#include "archive/decompress.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "common/cli.h"
#include "vftool/names.h"
#include "vftool/vftool.h"

namespace vftool {
namespace {

constexpr int64_t kBlock = 1 << 20;

// Writes the content of e to out; returns whether the stored bytes match
// e.Crc (always true when Crc is 0).
bool ExtractEntry(TTpBigStream& archive, const TVrFile& e, TStream& out) {
  archive.SetPosition(e.Offset);
  if (archive.GetPosition() != e.Offset) throw EArchiveError(Format("%s:データがありません", e.Name().c_str()));
  const int64_t block = std::max<int64_t>(1, std::min(e.Size, kBlock));  // small entries, small buffers
  std::unique_ptr<uint8_t[]> in(new uint8_t[static_cast<size_t>(block)]);
  std::unique_ptr<TInflateWriter> inflater;
  if (e.Stored == 0) inflater = std::make_unique<TInflateWriter>(out);
  uLong crc = crc32(0L, Z_NULL, 0);
  try {
    for (int64_t left = e.Size; left > 0;) {
      const int64_t k = std::min(left, block);
      if (archive.Read(in.get(), k) != k) throw EArchiveError(Format("%s:データが途中で終わっています", e.Name().c_str()));
      left -= k;
      crc = crc32(crc, in.get(), static_cast<uInt>(k));  // over every stored byte
      if (inflater) inflater->Write(in.get(), k);
      else out.WriteBuffer(in.get(), k);
    }
    if (inflater) inflater->Finish();
  } catch (const EDecompressionError& error) {
    throw EDecompressionError(Format("%s:%s", e.Name().c_str(), error.what()));
  }
  return e.Crc == 0 || static_cast<uint32_t>(crc) == e.Crc;
}

}  // namespace

int Extract(const Args& args) {
  if (args.size() < 2) tools::Exit(tools::kExitUsage, "usage: vftool extract ARCHIVE DIR [NAME...]");
  TVrFileCollection archive;
  OpenArchive(archive, args[0]);
  if (!archive.Stream()) tools::Exit(tools::kExitBadInput, args[0] + ": not an archive");
  const std::string dir = AddTrailingDelimiter(SjisArgument(args[1]));

  // What to extract: the named entries, or every entry that its name still
  // finds (not superseded, not hidden by a later entry of the same name).
  int status = tools::kExitOk;
  std::vector<int32_t> chosen;
  if (args.size() > 2) {
    for (size_t k = 2; k < args.size(); ++k) {
      const int32_t i = archive.IndexOf(SjisArgument(args[k]));
      if (i < 0 || i == archive.Count() - 1) {
        tools::PrintError(args[k] + ": no such entry");
        status = tools::kExitNotFound;
      } else {
        chosen.push_back(i);
      }
    }
  } else {
    // The last entry of each name (ignoring case) is the one IndexOf finds.
    // One pass with a map of folded names: the hash chains are walked per
    // name, and names of one length and pattern (scene1\a001.bmp, ...) all
    // share a chain, so asking IndexOf for each of many thousands would be
    // quadratic.
    std::unordered_map<std::string, int32_t> last;
    for (int32_t i = 0; i + 1 < archive.Count(); ++i) last[sjis::AsciiLower(archive.Files(i).Name())] = i;
    for (int32_t i = 0; i + 1 < archive.Count(); ++i) {
      const std::string& name = archive.Files(i).Name();
      if ((name.empty() || name[0] != '/') && last[sjis::AsciiLower(name)] == i) chosen.push_back(i);
    }
  }
  // Every name is checked before anything is written.
  for (int32_t i : chosen) {
    const std::string& name = archive.Files(i).Name();
    if (!IsSafeRelativeName(name))
      tools::Exit(tools::kExitBadInput, "refusing entry \"" + tools::SjisToUtf8(name) + "\": it would land outside " + args[1]);
  }
  if (!fs::MakeDirectories(dir)) tools::Exit(tools::kExitBadInput, args[1] + ": cannot create the folder");

  tools::Progress progress("extract");
  int64_t bytes = 0;
  for (size_t k = 0; k < chosen.size(); ++k) {
    const TVrFile& e = archive.Files(chosen[k]);
    const std::string path = dir + NativeRelativePath(e.Name());
    const std::string temp = path + ".vftool-part";
    const std::string utf8_name = tools::SjisToUtf8(e.Name());
    try {
      const std::string folder = ExtractFilePath(path);
      if (!folder.empty() && !fs::MakeDirectories(folder)) throw EFCreateError(Format("%s:フォルダを作成できません", folder.c_str()));
      bool crc_ok;
      {
        TFileStream out(temp, kFmCreate);
        crc_ok = ExtractEntry(*archive.Stream(), e, out);
      }
      if (!crc_ok) {
        fs::EraseFile(temp);
        tools::PrintError(utf8_name + ": CRC mismatch, not extracted");
        if (status == tools::kExitOk) status = tools::kExitCheckFailed;
        continue;
      }
      if (!fs::MoveReplacing(temp, path)) throw EFCreateError(Format("ファイル %s を作成できません", path.c_str()));
      if (e.FileTime != 0 && !fs::SetFileAge(path, e.FileTime)) tools::PrintError(utf8_name + ": cannot set the file date");
    } catch (const std::exception& error) {
      fs::EraseFile(temp);
      tools::PrintError(tools::SjisToUtf8(error.what()));
      status = tools::kExitBadInput;
      continue;
    }
    bytes += e.Size;
    progress.Update(static_cast<int64_t>(k + 1), static_cast<int64_t>(chosen.size()), bytes);
  }
  progress.Finish(static_cast<int64_t>(chosen.size()), static_cast<int64_t>(chosen.size()), bytes);
  return status;
}

}  // namespace vftool
