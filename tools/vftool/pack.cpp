// vftool pack [options] OUT INPUT...: builds an archive from files and
// folders. Names are relative to each input folder (a file given directly is
// named by its file name), with "\" between folders, in code page 932.
//
// Layouts: directory at the start of OUT (the default), directory in OUT's
// ".ext" file (--ext), or a copy of a program with the archive and the 6-byte
// trailer appended (--carrier). OUT continues in volumes OUT.001, ... beyond
// 1 GiB. The directory's room is set aside first (its size depends only on the
// names) and filled in once the offsets are known. A failure removes what was
// written.
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "archive/bigstreams.h"
#include "archive/decompress.h"
#include "archive/dirformat.h"
#include "archive/dirwriter.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "common/cli.h"
#include "vftool/names.h"
#include "vftool/vftool.h"

namespace vftool {
namespace {

struct Options {
  int32_t version = vf::kLatestVersion;
  int level = Z_DEFAULT_COMPRESSION;
  std::vector<std::string> loose_patterns;  // Shift-JIS
  bool ext = false;
  std::string carrier;  // Shift-JIS path of the stub program, or empty
  std::string out;
  std::vector<std::string> inputs;  // UTF-8, as given
};

struct Source {
  std::string name;  // entry name, Shift-JIS with "\"
  std::string path;  // file to read
  bool loose = false;
};

int ParseNumber(const std::string& text, int low, int high, const char* option) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < low || v > high)
    tools::Exit(tools::kExitUsage, Format("%s takes a number from %d to %d", option, low, high));
  return static_cast<int>(v);
}

Options ParseOptions(const Args& args) {
  Options o;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) tools::Exit(tools::kExitUsage, "pack: " + a + " needs a value");
      return args[++i];
    };
    if (a == "--format-version") o.version = ParseNumber(value(), 0, vf::kLatestVersion, "--format-version");
    else if (a == "--level") o.level = ParseNumber(value(), 0, 9, "--level");
    else if (a == "--loose") o.loose_patterns.push_back(SjisArgument(value()));
    else if (a == "--ext") o.ext = true;
    else if (a == "--carrier") o.carrier = SjisArgument(value());
    else if (a.size() > 1 && a[0] == '-') tools::Exit(tools::kExitUsage, "pack: unknown option " + a);
    else positional.push_back(a);
  }
  if (positional.size() < 2) tools::Exit(tools::kExitUsage, "usage: vftool pack [options] OUT INPUT...");
  if (o.ext && !o.carrier.empty()) tools::Exit(tools::kExitUsage, "pack: --ext and --carrier exclude each other");
  o.out = SjisArgument(positional[0]);
  o.inputs.assign(positional.begin() + 1, positional.end());
  if (!o.loose_patterns.empty() && o.version < vf::kLooseVersion)
    tools::Exit(tools::kExitUsage, "pack: --loose needs --format-version 102");
  if (o.ext && sjis::EqualsNoCase(ChangeFileExt(o.out, ".ext"), o.out))
    tools::Exit(tools::kExitUsage, "pack: with --ext, OUT must not itself end in .ext");
  return o;
}

// Adds the files below folder (recursively, in name order) as prefix + name.
void AddFolder(const std::string& folder, const std::string& prefix, std::vector<Source>* sources) {
  std::vector<fs::DirEntry> entries;
  if (!fs::ListDirectory(folder, &entries)) tools::Exit(tools::kExitBadInput, tools::SjisToUtf8(folder) + ": cannot list the folder");
  std::sort(entries.begin(), entries.end(), [](const fs::DirEntry& a, const fs::DirEntry& b) { return a.name < b.name; });
  for (const fs::DirEntry& e : entries) {
    const std::string path = AddTrailingDelimiter(folder) + e.name;
    if (e.is_directory) {
      if (e.is_link) {
        tools::PrintError(tools::SjisToUtf8(path) + ": linked folder left out");
        continue;
      }
      AddFolder(path, prefix + e.name + "\\", sources);
    } else {
      // A name that code page 932 cannot spell comes back from the listing
      // changed, and then names no file.
      if (!fs::FileExists(path))
        tools::Exit(tools::kExitBadInput, tools::SjisToUtf8(path) + ": the name cannot be written in code page 932");
      sources->push_back({prefix + e.name, path, false});
    }
  }
}

std::vector<Source> CollectSources(const Options& o) {
  std::vector<Source> sources;
  for (const std::string& input : o.inputs) {
    const std::string path = SjisArgument(input);
    if (fs::DirectoryExists(path)) AddFolder(path, "", &sources);
    else if (fs::FileExists(path)) sources.push_back({ExtractFileName(path), path, false});
    else tools::Exit(tools::kExitBadInput, input + ": no such file or folder");
  }
  // Two names that lookups cannot tell apart would hide one of the files.
  std::vector<const Source*> sorted;
  for (const Source& s : sources) sorted.push_back(&s);
  std::sort(sorted.begin(), sorted.end(), [](const Source* a, const Source* b) { return sjis::CompareNoCase(a->name, b->name) < 0; });
  for (size_t i = 1; i < sorted.size(); ++i) {
    if (sjis::EqualsNoCase(sorted[i - 1]->name, sorted[i]->name))
      tools::Exit(tools::kExitBadInput, "two inputs give the entry name \"" + tools::SjisToUtf8(sorted[i]->name) + "\"");
  }
  // The output must not be read while it is being written.
  const auto same = [](const std::string& a, const std::string& b) {
    return sjis::EqualsNoCase(sjis::ReplaceChar(a, '\\', '/'), sjis::ReplaceChar(b, '\\', '/'));
  };
  for (Source& s : sources) {
    if (same(s.path, o.out) || same(s.path, ChangeFileExt(o.out, ".ext")) ||
        same(ChangeFileExt(s.path, ""), ChangeFileExt(o.out, "")))
      tools::Exit(tools::kExitBadInput, tools::SjisToUtf8(s.path) + ": the output would be among the inputs");
    for (const std::string& pattern : o.loose_patterns) s.loose = s.loose || MatchesPattern(s.name, pattern);
  }
  return sources;
}

// Removes a partly written output unless Keep() was called.
class OutputGuard {
 public:
  OutputGuard(const std::string& out, bool ext) : out_(out), ext_(ext) {}
  ~OutputGuard() {
    if (keep_) return;
    stream_.reset();
    try {
      TTpBigFileStream erase(out_, kFmCreate);  // deletes the volume chain
    } catch (const std::exception&) {
      // Left as it is; the error that brought us here is the one to report.
    }
    if (ext_) fs::EraseFile(ChangeFileExt(out_, ".ext"));
  }
  std::unique_ptr<TTpBigFileStream>& Stream() { return stream_; }
  void Keep() { keep_ = true; }

 private:
  std::string out_;
  bool ext_;
  bool keep_ = false;
  std::unique_ptr<TTpBigFileStream> stream_;
};

class Deflater {
 public:
  explicit Deflater(int level) {
    std::memset(&z_, 0, sizeof z_);
    if (deflateInit(&z_, level) != Z_OK) throw EError("圧縮の準備ができません");
  }
  ~Deflater() { deflateEnd(&z_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
  z_stream& operator*() { return z_; }

 private:
  z_stream z_;
};

constexpr int64_t kBlock = 1 << 20;

// Deflates the rest of in into *out. With limit >= 0 it gives up (returns
// false) as soon as the output reaches limit bytes, so that memory never
// holds more than the file's size.
bool DeflateStream(TStream& in, int level, int64_t limit, ByteBuffer* out) {
  Deflater deflater(level);
  z_stream& z = *deflater;
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlock]);
  size_t produced = 0;
  int flush = Z_NO_FLUSH;
  while (flush != Z_FINISH) {
    const int64_t k = in.Read(block.get(), kBlock);
    flush = k < kBlock ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = block.get();
    z.avail_in = static_cast<uInt>(std::max<int64_t>(k, 0));
    int r;
    do {
      if (out->Size() - produced < static_cast<size_t>(kBlock)) out->Resize(produced + static_cast<size_t>(kBlock));
      z.next_out = out->Data() + produced;
      z.avail_out = static_cast<uInt>(out->Size() - produced);
      r = deflate(&z, flush);
      produced = out->Size() - z.avail_out;
      if (limit >= 0 && static_cast<int64_t>(produced) >= limit) return false;
    } while (z.avail_out == 0 || (flush == Z_FINISH && r != Z_STREAM_END));
  }
  out->Resize(produced);
  return true;
}

// Appends one file to the data; fills in what the directory needs.
void AppendEntry(TTpBigFileStream& data, const Source& s, const Options& o, TDirectoryRecord* r) {
  TFileStream in(s.path, kFmOpenRead | kFmShareDenyWrite);
  const int64_t size = in.GetSize();
  const int32_t age = fs::FileAge(s.path);
  r->file_time = age == -1 ? 0 : age;
  r->loose_file = s.loose ? 1 : 0;
  // Without attribute blocks (versions below 101) every entry reads as
  // compressed, so every entry must be. Otherwise loose entries stay as they
  // are, so that the copy engine's check of the extracted file and the check
  // of a built data file agree on their Crc; so do entries larger than the
  // reader inflates in memory, and entries that compression does not shrink.
  const bool must_compress = o.version < vf::kWideVersion;
  if (size > kMaxInflatedSize && must_compress)
    throw EError(Format("%s:版 %d のアーカイブには大きすぎます", s.path.c_str(), o.version));
  if (must_compress || (!s.loose && size <= kMaxInflatedSize && o.level != 0)) {
    ByteBuffer packed;
    const int level = must_compress && o.level == 0 ? 0 : o.level;
    if (DeflateStream(in, level, must_compress ? -1 : size, &packed)) {
      r->stored = 0;
      r->crc = static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), packed.Data(), static_cast<uInt>(packed.Size())));
      data.Write(packed.Data(), static_cast<int64_t>(packed.Size()));
      return;
    }
    in.SetPosition(0);
  }
  // As it is, in blocks, with the Crc computed on the way.
  r->stored = 1;
  uLong crc = crc32(0L, Z_NULL, 0);
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlock]);
  for (int64_t k; (k = in.Read(block.get(), kBlock)) > 0;) {
    crc = crc32(crc, block.get(), static_cast<uInt>(k));
    data.Write(block.get(), k);
  }
  r->crc = static_cast<uint32_t>(crc);
}

}  // namespace

int Pack(const Args& args) {
  const Options o = ParseOptions(args);
  const std::vector<Source> sources = CollectSources(o);
  if (o.version == 0 && (sources.size() & 0xFFFF) == 0x6676)
    tools::Exit(tools::kExitUsage, Format("pack: a version 0 directory cannot hold %d entries", static_cast<int>(sources.size())));
  if (!o.carrier.empty() && !fs::FileExists(o.carrier)) tools::Exit(tools::kExitBadInput, tools::SjisToUtf8(o.carrier) + ": no such file");

  std::vector<TDirectoryRecord> records(sources.size());
  for (size_t i = 0; i < sources.size(); ++i) records[i].name = sources[i].name;

  OutputGuard guard(o.out, o.ext);
  guard.Stream() = std::make_unique<TTpBigFileStream>(o.out, kFmCreate);
  TTpBigFileStream& data = *guard.Stream();
  int64_t d = 0;  // where the directory starts
  if (!o.carrier.empty()) {
    TFileStream stub(o.carrier, kFmOpenRead | kFmShareDenyWrite);
    d = data.CopyFromStream(stub, 0);
    // (thrown, not exited: the guard removes the output on the way out)
    if (d > INT32_MAX) throw EError(Format("%s:プログラムが大きすぎます", o.carrier.c_str()));
  }
  const int64_t directory_size = o.ext ? 0 : DirectorySize(o.version, records);
  if (directory_size > 0) {
    const std::string room(static_cast<size_t>(directory_size), '\0');
    data.Write(room.data(), directory_size);
  }

  tools::Progress progress("pack");
  int64_t total = 0;
  for (size_t i = 0; i < sources.size(); ++i) {
    records[i].offset = data.GetSize() - d;
    AppendEntry(data, sources[i], o, &records[i]);
    total += data.GetSize() - d - records[i].offset;
    progress.Update(static_cast<int64_t>(i + 1), static_cast<int64_t>(sources.size()), total);
  }
  const int64_t end = data.GetSize() - d;

  TMemoryStream directory;
  WriteDirectory(directory, o.version, records, end);
  if (o.ext) {
    data.Flush();
    const std::string ext = ChangeFileExt(o.out, ".ext");
    if (!fs::WriteFileReplacing(ext, directory.Memory(), directory.GetSize()))
      throw EFCreateError(Format("ファイル %s を作成できません", ext.c_str()));
  } else {
    data.SetPosition(d);
    data.Write(directory.Memory(), directory.GetSize());
    if (!o.carrier.empty()) {
      uint8_t trailer[vf::kTrailerSize];
      vf::PutLE32(trailer, static_cast<uint32_t>(d));
      trailer[4] = vf::kTrailerMagic[0];
      trailer[5] = vf::kTrailerMagic[1];
      data.SetPosition(data.GetSize());
      data.Write(trailer, sizeof trailer);
    }
    data.Flush();
  }
  guard.Keep();
  progress.Finish(static_cast<int64_t>(sources.size()), static_cast<int64_t>(sources.size()), total);
  return tools::kExitOk;
}

}  // namespace vftool
