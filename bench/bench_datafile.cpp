// Building and checking a data file, against plain copies and plain reads of
// the same bytes:
// - merge of a 2 GiB archive (entries of mixed sizes, over three volumes) into
//   an empty data file, MergeFrom until the volumes are closed (flushed),
//   against copying the archive's files with the same durability: natively
//   `cp` then `sync` of the copies, and (natively and under Wine) a
//   write-through copy in 10 MiB blocks, the block of the merge's copies on
//   Windows. Goal: 0.9x.
// - Verify of the built data file against reading the same entries the same
//   way (1 MiB blocks) with zlib's crc32 (goal: 2x), and against reading the
//   data file through without a checksum, its floor (goal: 0.9x).
// Each with the data in the page cache and, where the system lets a program
// drop a file's cached pages (Linux), without. The contenders run in turns,
// five times each, and each one's best time counts.
//
// usage: bench_datafile [MiB] [FOLDER]   (2048 MiB in $TMPDIR, $TEMP or /tmp)
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/bigstreams.h"
#include "archive/crc32.h"
#include "archive/dirwriter.h"
#include "archive/vrfiles.h"
#include "base/fs.h"
#include "base/os_file.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr char kDelimiter = '\\';
#else
constexpr char kDelimiter = '/';
#endif

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// One way of doing the work, timed in turns with the others.
struct Contender {
  std::function<void()> prepare;  // untimed, before each run
  std::function<void()> run;
  double best = 1e30;
};

// Runs the contenders in turns, `rounds` times, keeping each one's best time:
// on a shared machine a slow spell then hits every contender alike.
void Race(int rounds, std::vector<Contender*> contenders) {
  for (int i = 0; i < rounds; ++i) {
    for (Contender* c : contenders) {
      c->prepare();
      const double start = Now();
      c->run();
      c->best = std::min(c->best, Now() - start);
    }
  }
}

void Report(const std::string& what, double ours, double baseline, const char* goal) {
  std::printf("%-52s %8.0f MB/s  baseline %8.0f MB/s  ratio %.2f  (goal %s)\n", what.c_str(), ours, baseline,
              ours / baseline, goal);
  std::fflush(stdout);
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench_datafile: %s\n", what.c_str());
  std::exit(1);
}

std::vector<std::string> Volumes(const std::string& name) {
  std::vector<std::string> names;
  TTpBigFileStream chain(name, kFmOpenRead | kFmShareDenyNone);
  for (int32_t n = 0; n < chain.VolumeCount(); ++n) names.push_back(chain.VolumeName(n));
  return names;
}

void EraseChain(const std::string& name) {
  TTpBigFileStream erase(name, kFmCreate);
  fs::EraseFile(name.substr(0, name.rfind('.')) + ".ext");
}

// Drops the cached pages of the files (they are clean: every writer here
// flushes). False where a program cannot do that.
bool DropCache(const std::vector<std::string>& files) {
#ifdef _WIN32
  (void)files;
  return false;
#else
  for (const std::string& f : files) {
    const int fd = open(fs::NativePath(f).c_str(), O_RDONLY);
    if (fd < 0 || posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) Fail("cannot drop the cache of " + f);
    close(fd);
  }
  return true;
#endif
}

// Entries of mixed sizes: many small files (scripts, voices), fewer pictures
// of a few MiB, some movies of tens of MiB. Their bytes come from a pool of
// random bytes at varying offsets.
struct Planned {
  int64_t size;
  int64_t pool_offset;
};

std::vector<Planned> Plan(int64_t total, int64_t pool_size) {
  std::vector<Planned> entries;
  uint32_t seed = 12345;
  const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  int64_t sum = 0;
  while (sum < total) {
    const uint32_t kind = next() % 100;
    int64_t size;
    if (kind < 70) size = 1024 + next() % (64 << 10);
    else if (kind < 95) size = (64 << 10) + next() % (4 << 20);
    else size = (4 << 20) + next() % (60 << 20);
    size = std::min(size, total - sum);
    entries.push_back({size, static_cast<int64_t>(next() % static_cast<uint32_t>(pool_size - size + 1))});
    sum += size;
  }
  return entries;
}

// The source archive: its directory at the start, then the entries.
void BuildSource(const std::string& name, int64_t total) {
  const int64_t pool_size = int64_t{80} << 20;
  std::vector<uint8_t> pool(static_cast<size_t>(pool_size));
  uint32_t seed = 777;
  for (uint8_t& b : pool) b = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  const std::vector<Planned> plan = Plan(total, pool_size);
  std::vector<TDirectoryRecord> records(plan.size());
  char name_buffer[32];
  for (size_t i = 0; i < plan.size(); ++i) {
    std::snprintf(name_buffer, sizeof name_buffer, "data\\%06u.bin", static_cast<unsigned>(i));
    records[i].name = name_buffer;
    records[i].stored = i % 3 == 0 ? 0 : 1;  // the merge copies both kinds alike
    records[i].file_time = 0x5A213C40;
  }
  TTpBigFileStream out(name, kFmCreate);
  const int64_t directory_size = DirectorySize(102, records);
  const std::vector<uint8_t> room(static_cast<size_t>(directory_size));
  out.Write(room.data(), directory_size);
  for (size_t i = 0; i < plan.size(); ++i) {
    const uint8_t* p = pool.data() + plan[i].pool_offset;
    records[i].offset = out.GetSize();
    records[i].crc = Crc32(0, p, static_cast<size_t>(plan[i].size));
    if (out.Write(p, plan[i].size) != plan[i].size) Fail("cannot write " + name);
  }
  TMemoryStream directory;
  WriteDirectory(directory, 102, records, out.GetSize());
  out.SetPosition(0);
  out.Write(directory.Memory(), directory.GetSize());
  out.Flush();
  std::printf("source: %zu entries, %.0f MiB in %d volumes\n", plan.size(), static_cast<double>(out.GetSize()) / (1 << 20),
              out.VolumeCount());
}

void Merge(const std::string& source, const std::string& dest) {
  TVrFileCollection from, to;
  from.Open(source);
  to.Open(dest, true);
  if (to.MergeFrom(from) != TVrFileCollection::TMergeResult::kWritten) Fail("nothing merged");
  to.Open("");  // closes (and flushes) the volumes
}

// The same files copied by handle with write-through, in the merge's block.
void WriteThroughCopy(const std::vector<std::string>& from, const std::string& folder) {
  constexpr int64_t kBlock = 10 << 20;
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlock]);
  for (const std::string& name : from) {
    OsFile in = OsFile::Open(name, OsFile::Options{});
    OsFile::Options o;
    o.access = OsFile::kReadWrite;
    o.disposition = OsFile::Disposition::kCreateAlways;
    o.write_through = true;
    OsFile out = OsFile::Open(folder + name.substr(name.rfind(kDelimiter) + 1), o);
    if (!in.IsOpen() || !out.IsOpen()) Fail("cannot copy " + name);
    for (int64_t n; (n = in.Read(block.get(), kBlock)) > 0;) {
      if (out.Write(block.get(), n) != n) Fail("cannot write the copy of " + name);
    }
    if (!out.Flush()) Fail("cannot flush the copy of " + name);
  }
}

#ifndef _WIN32
void CpAndSync(const std::vector<std::string>& from, const std::string& folder) {
  std::string cp = "cp", sync = "sync";
  for (const std::string& name : from) {
    cp += " '" + name + "'";
    sync += " '" + folder + name.substr(name.rfind('/') + 1) + "'";
  }
  if (std::system((cp + " '" + folder + "' && " + sync).c_str()) != 0) Fail("cp failed");
}
#endif

// Every entry's stored bytes read as Verify reads them, checked with zlib.
void ZlibCheck(const std::string& data_file) {
  TVrFileCollection c;
  c.Open(data_file);
  TTpBigStream& s = *c.Stream();
  constexpr int64_t kBlock = 1 << 20;
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlock]);
  for (int32_t i = 0; i + 1 < c.Count(); ++i) {
    const TVrFile& e = c.Files(i);
    s.SetPosition(e.Offset);
    uLong crc = crc32(0, nullptr, 0);
    for (int64_t left = e.Size; left > 0;) {
      const int64_t got = s.Read(block.get(), std::min(left, kBlock));
      if (got <= 0) Fail("data file cut short");
      crc = crc32(crc, block.get(), static_cast<uInt>(got));
      left -= got;
    }
    if (static_cast<uint32_t>(crc) != e.Crc) Fail("checksum mismatch in the baseline");
  }
}

// The floor of any check: the data file's volumes read through in 1 MiB
// blocks, nothing computed.
void PlainRead(const std::vector<std::string>& files) {
  constexpr int64_t kBlock = 1 << 20;
  std::unique_ptr<uint8_t[]> block(new uint8_t[kBlock]);
  for (const std::string& name : files) {
    OsFile in = OsFile::Open(name, OsFile::Options{});
    if (!in.IsOpen()) Fail("cannot read " + name);
    while (in.Read(block.get(), kBlock) > 0) {
    }
  }
}

void VerifyFile(const std::string& data_file) {
  TVrFileCollection c;
  c.Open(data_file);
  if (!c.Verify()) Fail("Verify failed");
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 2048;
  std::string base = argc > 2 ? argv[2] : "";
  for (const char* var : {"TMPDIR", "TEMP"}) {
    if (base.empty() && std::getenv(var)) base = std::getenv(var);
  }
  if (base.empty()) base = "/tmp";
  if (mib < 1) Fail("usage: bench_datafile [MiB] [FOLDER]");
  const std::string root = base + kDelimiter + "zi-bench-datafile" + kDelimiter;
  const std::string src = root + "src" + kDelimiter, dst = root + "dst" + kDelimiter, copy = root + "copy" + kDelimiter;
  for (const std::string& f : {src, dst, copy}) {
    if (!fs::MakeDirectories(f)) Fail("cannot create " + f);
  }
  const std::string source = src + "game.dat", dest = dst + "game.dat";
  std::printf("CRC-32 path: %s\n", crc32_impl::Clmul512Available() ? "carry-less multiplication, 512 bits"
                                   : crc32_impl::ClmulAvailable()    ? "carry-less multiplication, 128 bits"
                                                                     : "portable");
  BuildSource(source, mib << 20);
  const std::vector<std::string> source_files = Volumes(source);
  int64_t total = 0;
  for (const std::string& f : source_files) total += fs::FileSizeOf(f);
  const double mb = static_cast<double>(total) / 1e6;
  const std::string archive = "merge " + std::to_string(mib) + " MiB archive, ";

  const auto clear_copies = [&] {
    for (const std::string& f : source_files) fs::EraseFile(copy + f.substr(f.rfind(kDelimiter) + 1));
  };
  constexpr int kRounds = 5;
  for (const bool cold : {false, true}) {
    const char* state = cold ? "cold" : "cached";
    if (cold && !DropCache(source_files)) {
      std::printf("(this system gives no way to drop cached file pages: no cold figures)\n");
      break;
    }
    if (!cold) ZlibCheck(source);  // into the cache
    const auto then_drop = [&](std::function<void()> clear) {
      return [&, clear] {
        clear();
        if (cold) DropCache(source_files);
      };
    };
    Contender merge{then_drop([&] { EraseChain(dest); }), [&] { Merge(source, dest); }};
    Contender through{then_drop(clear_copies), [&] { WriteThroughCopy(source_files, copy); }};
#ifdef _WIN32
    Race(kRounds, {&merge, &through});
#else
    Contender cp{then_drop(clear_copies), [&] { CpAndSync(source_files, copy); }};
    Race(kRounds, {&merge, &through, &cp});
    Report(archive + state + ", vs cp + sync", mb / merge.best, mb / cp.best, ">= 0.90");
#endif
    Report(archive + state + ", vs write-through copy", mb / merge.best, mb / through.best, ">= 0.90");
    clear_copies();

    // Verify of the data file built by the last merge.
    const std::vector<std::string> dest_files = Volumes(dest);
    const auto drop_dest = [&] {
      if (cold) DropCache(dest_files);
    };
    if (!cold) ZlibCheck(dest);
    Contender ours{drop_dest, [&] { VerifyFile(dest); }};
    Contender zlib{drop_dest, [&] { ZlibCheck(dest); }};
    Contender read{drop_dest, [&] { PlainRead(dest_files); }};
    Race(kRounds, {&ours, &zlib, &read});
    Report(std::string("verify, ") + state + ", vs reading + zlib crc32", mb / ours.best, mb / zlib.best, ">= 2.00");
    Report(std::string("verify, ") + state + ", vs reading alone", mb / ours.best, mb / read.best, ">= 0.90");
  }

  // The checksum alone, in memory, for orientation.
  std::vector<uint8_t> buffer(256 << 20, 0x5A);
  uint32_t sink = 0;
  Contender fast{[] {}, [&] { sink ^= Crc32(0, buffer.data(), buffer.size()); }};
  Contender slow{[] {}, [&] { sink ^= static_cast<uint32_t>(crc32(0, buffer.data(), static_cast<uInt>(buffer.size()))); }};
  Race(3, {&fast, &slow});
  Report("CRC-32 of 256 MiB in memory vs zlib crc32", 268.435456 / fast.best, 268.435456 / slow.best, "-");
  if (sink == 1) std::printf(" ");

  EraseChain(source);
  EraseChain(dest);
  for (const std::string& f : {src, dst, copy, root}) fs::EraseDirectory(f);
  return 0;
}
