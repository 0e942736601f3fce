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
#include <atomic>
#include <chrono>
#include <functional>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "archive/bigstreams.h"
#include "archive/crc32.h"
#include "archive/decompress.h"
#include "archive/dirformat.h"
#include "archive/dirwriter.h"
#include "base/cleanup_guard.h"
#include "base/endian.h"
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

struct Options {
  int32_t version = vf::kLatestVersion;
  int level = Z_DEFAULT_COMPRESSION;
  std::vector<std::string> loose_patterns;  // Shift-JIS, "/" as "\\"
  std::vector<std::string> loose_utf8;      // as given
  bool ext = false;
  std::string carrier;  // Shift-JIS path of the stub program, or empty
  std::string out;
  std::string out_utf8;
  std::vector<std::string> inputs;  // UTF-8, as given
  int jobs = 2;
  tools::Verbosity verbosity;
};

struct Source {
  std::string name;  // entry name, Shift-JIS with "\\"
  std::string path;  // file to read
  bool loose = false;
  int64_t size = 0;
};

bool EndsIn(const std::string& name, std::initializer_list<const char*> exts) {
  const std::string ext = ExtractFileExt(name);
  for (const char* e : exts) {
    if (sjis::EqualsNoCase(ext, e)) return true;
  }
  return false;
}

// The checks that make the output readable as the kind of archive asked for:
// the reader looks for a carrier's trailer only in ".exe" and ".scr" files,
// and reads the directory from NAME.ext whenever that file exists.
Options Prepare(const PackOptions& p) {
  Options o;
  o.version = p.version;
  o.level = p.level;
  o.ext = p.ext;
  o.jobs = p.jobs;
  o.verbosity = p.verbosity;
  o.out_utf8 = p.out;
  o.out = tools::PathArgument(p.out);
  o.inputs = p.inputs;
  o.loose_utf8 = p.loose_patterns;
  for (const std::string& pattern : p.loose_patterns) o.loose_patterns.push_back(sjis::ReplaceChar(EntryArgument(pattern), '/', '\\'));
  if (!p.carrier.empty()) o.carrier = tools::PathArgument(p.carrier);
  if (!o.loose_patterns.empty() && o.version < vf::kLooseVersion)
    throw tools::ToolError(tools::kExitUsage, "pack: --loose needs --format-version 102");
  if (!o.carrier.empty() && !EndsIn(o.out, {".exe", ".scr"}))
    throw tools::ToolError(tools::kExitUsage,
        "pack: " + p.out + ": with --carrier, OUT must end in .exe (a carrier is read only from a program)");
  if (o.carrier.empty() && EndsIn(o.out, {".exe", ".scr"}))
    throw tools::ToolError(tools::kExitUsage,
        "pack: " + p.out + ": a name ending in .exe is read as a carrier program; use --carrier or another name");
  if (EndsIn(o.out, {".ext"}))
    throw tools::ToolError(tools::kExitUsage,
        "pack: " + p.out + ": OUT must not end in .ext, the extension of directory files");
  if (!o.ext && fs::FileExists(ChangeFileExt(o.out, ".ext")))
    throw tools::ToolError(tools::kExitUsage, "pack: " + tools::SjisToUtf8(ChangeFileExt(o.out, ".ext")) +
                           ": exists and would be read as OUT's directory; remove it or use --ext");
  if (fs::DirectoryExists(o.out)) throw tools::ToolError(tools::kExitUsage, "pack: " + p.out + ": is a folder");
  // Like every single-file output of the tools, OUT goes into a folder that exists.
  const std::string folder = ExtractFilePath(o.out);
  if (!folder.empty() && !fs::DirectoryExists(folder))
    throw tools::ToolError(tools::kExitBadInput,
        p.out + ": cannot write (no folder " + tools::SjisToUtf8(folder) + ")");
  return o;
}

// Adds the files below folder (recursively, in name order) as prefix + name.
void AddFolder(const std::string& folder, const std::string& prefix, std::vector<Source>* sources) {
  std::vector<fs::DirEntry> entries;
  if (!fs::ListDirectory(folder, &entries))
    throw tools::ToolError(tools::kExitBadInput, tools::SjisToUtf8(folder) + ": cannot list the folder");
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
        throw tools::ToolError(tools::kExitBadInput,
            tools::SjisToUtf8(path) + ": the name cannot be written in code page 932");
      sources->push_back({prefix + e.name, path, false, 0});
    }
  }
}

std::vector<Source> CollectSources(const Options& o) {
  std::vector<Source> sources;
  for (const std::string& input : o.inputs) {
    const std::string path = tools::PathArgument(input);
    if (fs::DirectoryExists(path)) AddFolder(path, "", &sources);
    else if (fs::FileExists(path)) sources.push_back({ExtractFileName(path), path, false, 0});
    else throw tools::ToolError(tools::kExitBadInput, input + ": no such file or folder");
  }
  // The installer writes entries as files of the same name (loose entries,
  // and vftool extract any entry): a name Windows cannot create would only
  // fail there, on the customer's machine.
  for (const Source& s : sources) {
    const TNameVerdict verdict = CheckRelativeName(s.name);
    if (verdict.fault != TNameFault::kNone)
      throw tools::ToolError(tools::kExitBadInput, tools::SjisToUtf8(s.path) + ": entry \"" + tools::SjisToUtf8(s.name) +
                             "\": Windows cannot create a file of this name: " +
                             tools::SjisToUtf8(DescribeNameFault(verdict)));
  }
  // Two names that lookups cannot tell apart would hide one of the files.
  std::vector<const Source*> sorted;
  for (const Source& s : sources) sorted.push_back(&s);
  std::sort(sorted.begin(), sorted.end(), [](const Source* a, const Source* b) { return sjis::CompareNoCase(a->name, b->name) < 0; });
  for (size_t i = 1; i < sorted.size(); ++i) {
    if (sjis::EqualsNoCase(sorted[i - 1]->name, sorted[i]->name))
      throw tools::ToolError(tools::kExitBadInput,
          "two inputs give the entry name \"" + tools::SjisToUtf8(sorted[i]->name) + "\"");
  }
  // The output must not be read while it is being written.
  const auto same = sjis::EqualsPathNoCase;
  for (Source& s : sources) {
    if (same(s.path, o.out) || same(s.path, ChangeFileExt(o.out, ".ext")) ||
        same(ChangeFileExt(s.path, ""), ChangeFileExt(o.out, "")))
      throw tools::ToolError(tools::kExitBadInput,
          tools::SjisToUtf8(s.path) + ": the output would be among the inputs");
    s.size = fs::FileSizeOf(s.path);
  }
  // A pattern that marks nothing loose is a mistake the package would only
  // show when it is installed.
  for (size_t k = 0; k < o.loose_patterns.size(); ++k) {
    bool any = false;
    for (Source& s : sources) {
      if (MatchesPattern(s.name, o.loose_patterns[k])) any = s.loose = true;
    }
    if (!any) throw tools::ToolError(tools::kExitUsage, "pack: --loose " + o.loose_utf8[k] + ": matches no input");
  }
  return sources;
}

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
// Where compression is first weighed: deflate on already compressed sound or
// video gains nothing, and finding that out on the first 16 KiB instead of the
// whole file is most of the time saved on a typical game folder. (Deflate runs
// no faster on such data at level 1 than at 6, so the first bytes are simply
// deflated as the rest would be.)
constexpr int64_t kFirstCheck = 16 << 10;

// Deflates the rest of in into *out. With give_up set it stops (returns
// false) at the first check point where the output is not smaller than the
// input taken so far: after the first 16 KiB, then after every 1 MiB. At each
// check point the current deflate block is ended (Z_BLOCK), so the output
// counts every byte taken so far; that costs a few bytes per MiB. *consumed
// follows the input taken, for progress.
bool DeflateStream(TStream& in, int level, bool give_up, ByteBuffer* out, std::atomic<int64_t>* consumed) {
  Deflater deflater(level);
  z_stream& z = *deflater;
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlock]);
  size_t produced = 0;
  int64_t taken = 0;
  int64_t next_check = kFirstCheck;
  bool end = false;
  while (!end) {
    const int64_t want = give_up ? std::min(kBlock, next_check - taken) : kBlock;
    const int64_t k = std::max<int64_t>(in.Read(block.get(), want), 0);
    end = k < want;
    taken += k;
    if (consumed) *consumed += k;
    const bool check = give_up && !end && taken >= next_check;
    const int flush = end ? Z_FINISH : check ? Z_BLOCK : Z_NO_FLUSH;
    z.next_in = block.get();
    z.avail_in = static_cast<uInt>(k);
    int r;
    do {
      if (out->Size() - produced < static_cast<size_t>(kBlock)) out->Resize(produced + static_cast<size_t>(kBlock));
      z.next_out = out->Data() + produced;
      z.avail_out = static_cast<uInt>(out->Size() - produced);
      r = deflate(&z, flush);
      produced = out->Size() - z.avail_out;
    } while (z.avail_out == 0 || (flush == Z_FINISH && r != Z_STREAM_END));
    if (check) {
      if (static_cast<int64_t>(produced) >= taken) return false;
      next_check = taken + kBlock;
    }
  }
  out->Resize(produced);
  return !give_up || static_cast<int64_t>(produced) < taken;
}

// What a worker made of one input: its deflated bytes, or the decision that
// it goes in as it is (copied from the file by the writer).
struct Packed {
  bool ready = false;
  bool stored = true;
  ByteBuffer data;
  uint32_t crc = 0;
  int32_t file_time = 0;
  std::exception_ptr error;
};

Packed PackEntry(const Source& s, const Options& o, std::atomic<int64_t>* consumed) {
  Packed p;
  TFileStream in(s.path, kFmOpenRead | kFmShareDenyWrite);
  const int64_t size = in.GetSize();
  const int32_t age = fs::FileAge(s.path);
  p.file_time = age == -1 ? 0 : age;
  // Without attribute blocks (versions below 101) every entry reads as
  // compressed, so every entry must be. Otherwise loose entries stay as they
  // are, so that the copy engine's check of the extracted file and the check
  // of a built data file agree on their Crc; so do entries larger than the
  // reader inflates in memory, and entries that compression does not shrink.
  const bool must_compress = o.version < vf::kWideVersion;
  if (size > kMaxInflatedSize && must_compress)
    throw EError(Format("%s:版 %d のアーカイブには大きすぎます", s.path.c_str(), o.version));
  if (must_compress || (!s.loose && size <= kMaxInflatedSize && o.level != 0)) {
    const int level = must_compress && o.level == 0 ? 0 : o.level;
    if (DeflateStream(in, level, !must_compress, &p.data, consumed)) {
      p.stored = false;
      p.crc = Crc32(0, p.data.Data(), p.data.Size());
      return p;
    }
    *consumed -= in.GetPosition();  // counted again when it is copied
    p.data.Release();
  }
  return p;
}

// Compresses the inputs on worker threads, at most a few entries ahead of
// the writer, and hands the results out in input order.
class PackPipeline {
 public:
  PackPipeline(const std::vector<Source>& sources, const Options& o, int jobs)
      : sources_(sources), options_(o), results_(sources.size()), window_(static_cast<size_t>(2 * jobs)) {
    for (int i = 0; i < jobs; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~PackPipeline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  PackPipeline(const PackPipeline&) = delete;
  PackPipeline& operator=(const PackPipeline&) = delete;

  // Waits for entry i (taken in order 0, 1, ...), calling waiting() every
  // fifth of a second meanwhile; rethrows the entry's failure.
  Packed Take(size_t i, const std::function<void()>& waiting) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!changed_.wait_for(lock, std::chrono::milliseconds(200), [&] { return results_[i].ready; })) {
      lock.unlock();
      waiting();
      lock.lock();
    }
    Packed p = std::move(results_[i]);
    buffered_ -= p.data.Size();
    taken_ = i + 1;
    lock.unlock();
    changed_.notify_all();
    if (p.error) std::rethrow_exception(p.error);
    return p;
  }

  std::atomic<int64_t>& Consumed() { return consumed_; }

 private:
  // Deflated entries wait in memory for the writer; past this much, workers
  // wait too (unless theirs is the next entry to write).
  static constexpr size_t kMaxBuffered = size_t{192} << 20;

  void Work() {
    for (;;) {
      size_t i;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
          return stop_ || next_ >= sources_.size() ||
                 (next_ < taken_ + window_ && (buffered_ < kMaxBuffered || next_ == taken_));
        });
        if (stop_ || next_ >= sources_.size()) return;
        i = next_++;
      }
      Packed p;
      try {
        p = PackEntry(sources_[i], options_, &consumed_);
      } catch (...) {
        p = Packed();
        p.error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        buffered_ += p.data.Size();
        p.ready = true;
        results_[i] = std::move(p);
      }
      changed_.notify_all();
    }
  }

  const std::vector<Source>& sources_;
  const Options& options_;
  std::vector<Packed> results_;
  const size_t window_;  // entries read ahead of the writer
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0, taken_ = 0, buffered_ = 0;
  bool stop_ = false;
  std::atomic<int64_t> consumed_{0};
};

// Appends one entry to the data; fills in what the directory needs.
void AppendEntry(TTpBigFileStream& data, const Source& s, Packed p, std::atomic<int64_t>* consumed,
                 tools::Progress& progress, TDirectoryRecord* r) {
  r->file_time = p.file_time;
  r->loose_file = s.loose ? 1 : 0;
  r->stored = p.stored ? 1 : 0;
  if (!p.stored) {
    r->crc = p.crc;
    data.Write(p.data.Data(), static_cast<int64_t>(p.data.Size()));
    return;
  }
  // As it is, in blocks, with the Crc computed on the way.
  TFileStream in(s.path, kFmOpenRead | kFmShareDenyWrite);
  uint32_t crc = 0;
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlock]);
  for (int64_t k; (k = in.Read(block.get(), kBlock)) > 0;) {
    crc = Crc32(crc, block.get(), static_cast<size_t>(k));
    data.Write(block.get(), k);
    *consumed += k;
    progress.Update(consumed->load());
  }
  r->crc = crc;
}

}  // namespace

int Pack(const PackOptions& options) {
  const Options o = Prepare(options);
  const std::vector<Source> sources = CollectSources(o);
  if (o.version == 0 && (sources.size() & 0xFFFF) == 0x6676)
    throw tools::ToolError(tools::kExitUsage,
        Format("pack: a version 0 directory cannot hold %d entries", static_cast<int>(sources.size())));
  if (!o.carrier.empty() && !fs::FileExists(o.carrier))
    throw tools::ToolError(tools::kExitBadInput, tools::SjisToUtf8(o.carrier) + ": no such file");

  std::vector<TDirectoryRecord> records(sources.size());
  for (size_t i = 0; i < sources.size(); ++i) records[i].name = sources[i].name;

  // A partly written output is removed unless the pack succeeds.
  std::unique_ptr<TTpBigFileStream> output;
  CleanupGuard remove_output([&] {
    output.reset();
    try {
      TTpBigFileStream erase(o.out, kFmCreate);  // deletes the volume chain
    } catch (const std::exception&) {
      // Left as it is; the error that brought us here is the one to report.
    }
    if (o.ext) fs::EraseFile(ChangeFileExt(o.out, ".ext"));
  });
  output = std::make_unique<TTpBigFileStream>(o.out, kFmCreate);
  TTpBigFileStream& data = *output;
  int64_t d = 0;  // where the directory starts
  if (!o.carrier.empty()) {
    TFileStream stub(o.carrier, kFmOpenRead | kFmShareDenyWrite);
    d = data.CopyFromStream(stub, 0);
    if (d > INT32_MAX) throw EError(Format("%s:プログラムが大きすぎます", o.carrier.c_str()));
  }
  const int64_t directory_size = o.ext ? 0 : DirectorySize(o.version, records);
  if (directory_size > 0) {
    const std::string room(static_cast<size_t>(directory_size), '\0');
    data.Write(room.data(), directory_size);
  }

  int64_t total = 0;
  for (const Source& s : sources) total += s.size;
  tools::Progress progress("pack", total, tools::ShowProgress(o.verbosity));
  {
    // Workers read and compress ahead; entries go in in input order. The
    // progress counts input bytes read, so it moves inside large entries.
    PackPipeline pipeline(sources, o, o.jobs);
    for (size_t i = 0; i < sources.size(); ++i) {
      records[i].offset = data.GetSize() - d;
      Packed packed = pipeline.Take(i, [&] { progress.Update(pipeline.Consumed().load()); });
      AppendEntry(data, sources[i], std::move(packed), &pipeline.Consumed(), progress, &records[i]);
      progress.Update(pipeline.Consumed().load());
      if (o.verbosity.verbose) {
        const std::string line = tools::SjisToUtf8(sources[i].name) + "\n";
        tools::WriteStdout(line.data(), line.size());
      }
    }
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
      le::Store32(trailer, static_cast<uint32_t>(d));
      trailer[4] = vf::kTrailerMagic[0];
      trailer[5] = vf::kTrailerMagic[1];
      data.SetPosition(data.GetSize());
      data.Write(trailer, sizeof trailer);
    }
    data.Flush();
  }
  remove_output.Cancel();
  progress.Finish();
  if (!tools::FlushStdout()) throw tools::ToolError(tools::kExitBadInput, "standard output: cannot write");
  return tools::kExitOk;
}

}  // namespace vftool
