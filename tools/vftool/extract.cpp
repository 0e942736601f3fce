// vftool extract ARCHIVE DIR [NAME...]: entries to files below DIR. A NAME
// is an entry, a folder (everything below it) or a pattern. A read-only file
// in the way is left alone unless --overwrite says otherwise.
//
// Entries are read straight from the archive (not through loose files),
// streamed in blocks (inflated on the way when compressed) and checked
// against their Crc over the stored bytes. Each file is written under a
// temporary name and renamed into place when complete, so a failure never
// leaves a truncated file behind or replaces a good one.
#include <memory>
#include <unordered_map>

#include "archive/crc32.h"
#include "archive/decompress.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "common/cli.h"
#include "common/run_main.h"
#include "common/tool_input.h"
#include "vftool/names.h"
#include "vftool/vftool.h"

namespace vftool {
namespace {

constexpr int64_t kBlock = 1 << 20;

// Writes the content of e to out; returns whether the stored bytes match
// e.Crc (always true when Crc is 0). *done follows the bytes read.
bool ExtractEntry(TTpBigStream& archive, const TVrFile& e, TStream& out, tools::Progress& progress, int64_t* done) {
  archive.SetPosition(e.Offset);
  if (archive.GetPosition() != e.Offset) throw EArchiveError(Format("%s:データがありません", e.Name().c_str()));
  const int64_t block = std::max<int64_t>(1, std::min(e.Size, kBlock));  // small entries, small buffers
  std::unique_ptr<uint8_t[]> in(new uint8_t[static_cast<size_t>(block)]);
  std::unique_ptr<TInflateWriter> inflater;
  if (e.Stored == 0) inflater = std::make_unique<TInflateWriter>(out);
  uint32_t crc = 0;
  try {
    for (int64_t left = e.Size; left > 0;) {
      const int64_t k = std::min(left, block);
      if (archive.Read(in.get(), k) != k) throw EArchiveError(Format("%s:データが途中で終わっています", e.Name().c_str()));
      left -= k;
      crc = Crc32(crc, in.get(), static_cast<size_t>(k));  // over every stored byte
      if (inflater) inflater->Write(in.get(), k);
      else out.WriteBuffer(in.get(), k);
      *done += k;
      progress.Update(*done);
    }
    if (inflater) inflater->Finish();
  } catch (const EDecompressionError& error) {
    throw EDecompressionError(Format("%s:%s", e.Name().c_str(), error.what()));
  }
  return e.Crc == 0 || crc == e.Crc;
}

bool HasWildcard(const std::string& sjis) {
  for (size_t i = 0; i < sjis.size(); i += sjis::CharLength(sjis, i)) {
    if (sjis[i] == '*' || sjis[i] == '?') return true;
  }
  return false;
}

// name below folder (both with "\\"), ignoring case: "Data\\a.txt" is below
// "data". The "\\" after the folder must be a character of its own, not the
// trail byte of one.
bool IsBelow(const std::string& name, const std::string& folder) {
  size_t i = 0;
  while (i < folder.size() && i < name.size()) i += sjis::CharLength(name, i);
  return i == folder.size() && i < name.size() && name[i] == '\\' &&
         sjis::EqualsNoCase(std::string_view(name).substr(0, i), folder);
}

}  // namespace

int Extract(const ExtractOptions& o) {
  TVrFileCollection archive;
  OpenArchiveFile(archive, o.archive);
  const std::string dir = AddTrailingDelimiter(tools::PathArgument(o.dir));

  // The entries a name finds: the last entry of each name (ignoring case), as
  // IndexOf finds it, leaving out superseded "/" entries. One pass with a map
  // of folded names: the hash chains are walked per name, and names of one
  // length and pattern (scene1\a001.bmp, ...) all share a chain, so asking
  // IndexOf for each of many thousands would be quadratic.
  std::unordered_map<std::string, int32_t> last;
  for (int32_t i = 0; i + 1 < archive.Count(); ++i) last[sjis::AsciiLower(archive.Files(i).Name())] = i;
  std::vector<int32_t> current;
  for (int32_t i = 0; i + 1 < archive.Count(); ++i) {
    const std::string& name = archive.Files(i).Name();
    if ((name.empty() || name[0] != '/') && last[sjis::AsciiLower(name)] == i) current.push_back(i);
  }

  // What to extract: every current entry, or those the names choose (an
  // entry, a folder, or a pattern), each once, in directory order.
  int status = tools::kExitOk;
  std::vector<int32_t> chosen;
  if (o.names.empty()) {
    chosen = current;
  } else {
    std::vector<bool> take(static_cast<size_t>(archive.Count()), false);
    for (const std::string& utf8 : o.names) {
      std::string name = EntryArgument(utf8);
      while (!name.empty() && name.back() == '\\' && (name.size() < 2 || sjis::CharLength(name, name.size() - 2) == 1))
        name.pop_back();
      bool found = false;
      if (HasWildcard(name)) {
        for (int32_t i : current) {
          if (MatchesPattern(archive.Files(i).Name(), name)) found = take[static_cast<size_t>(i)] = true;
        }
      } else {
        const int32_t i = archive.IndexOf(name);
        if (i >= 0 && i + 1 < archive.Count()) {
          found = take[static_cast<size_t>(i)] = true;
        } else {
          for (int32_t k : current) {
            if (IsBelow(archive.Files(k).Name(), name)) found = take[static_cast<size_t>(k)] = true;
          }
        }
      }
      if (!found) {
        tools::PrintError(utf8 + ": no such entry, folder or matching name in " + o.archive);
        status = tools::kExitNotFound;
      }
    }
    for (int32_t i = 0; i + 1 < archive.Count(); ++i) {
      if (take[static_cast<size_t>(i)]) chosen.push_back(i);
    }
  }
  // Every name is checked before anything is written.
  int64_t total = 0;
  for (int32_t i : chosen) {
    const std::string& name = archive.Files(i).Name();
    const TNameVerdict verdict = CheckRelativeName(name);
    if (verdict.fault == TNameFault::kNone) {
      total += archive.Files(i).Size;
      continue;
    }
    std::string why;
    if (!name.empty() && name[0] == '/') why = "a superseded entry has no file of its own (vftool cat -o FILE reads it)";
    else if (verdict.fault == TNameFault::kRooted || verdict.fault == TNameFault::kDotPart ||
             (verdict.fault == TNameFault::kForbiddenCharacter && verdict.character == ':'))
      why = "it would land outside " + o.dir;
    else why = tools::SjisToUtf8(DescribeNameFault(verdict));
    throw tools::ToolError(tools::kExitBadInput, "refusing entry \"" + tools::SjisToUtf8(name) + "\": " + why);
  }
  if (!fs::MakeDirectories(dir)) throw tools::ToolError(tools::kExitBadInput, o.dir + ": cannot create the folder");

  tools::Progress progress("extract", total, tools::ShowProgress(o.verbosity));
  int64_t done = 0;
  for (int32_t i : chosen) {
    const TVrFile& e = archive.Files(i);
    const std::string path = dir + NativeRelativePath(e.Name());
    const std::string temp = path + ".vftool-part";
    const std::string utf8_name = tools::SjisToUtf8(e.Name());
    const std::string utf8_path = tools::SjisToUtf8(path);
    if (tools::IsReadOnlyFile(path)) {
      if (!o.overwrite) {
        tools::PrintError(utf8_path + ": read-only file, not replaced (--overwrite replaces it)");
        status = tools::kExitBadInput;
        done += e.Size;
        continue;
      }
      tools::MakeWritable(path);
    }
    try {
      const std::string folder = ExtractFilePath(path);
      if (!folder.empty() && !fs::MakeDirectories(folder)) throw EFCreateError(Format("%s:フォルダを作成できません", folder.c_str()));
      bool crc_ok;
      {
        TFileStream out(temp, kFmCreate);
        crc_ok = ExtractEntry(*archive.Stream(), e, out, progress, &done);
      }
      if (!crc_ok) {
        fs::EraseFile(temp);
        tools::PrintError(utf8_name + ": CRC mismatch, not extracted");
        if (status == tools::kExitOk) status = tools::kExitCheckFailed;
        continue;
      }
      if (!fs::MoveReplacing(temp, path)) throw EFCreateError(Format("ファイル %s を作成できません", path.c_str()));
      if (e.FileTime != 0 && !fs::SetFileAge(path, e.FileTime)) tools::PrintError(utf8_path + ": cannot set the file date");
    } catch (const std::exception& error) {
      fs::EraseFile(temp);
      tools::PrintError(tools::SjisToUtf8(error.what()));
      status = tools::kExitBadInput;
      continue;
    }
    if (o.verbosity.verbose) {
      const std::string line = utf8_name + "\n";
      tools::WriteStdout(line.data(), line.size());
    }
  }
  progress.Finish();
  if (!tools::FlushStdout()) throw tools::ToolError(tools::kExitBadInput, "standard output: cannot write");
  return status;
}

}  // namespace vftool
