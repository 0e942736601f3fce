// The install under Wine against a plain copy of the same bytes, in one run.
//
//   bench_install            a package of about 1 GiB: ~300 MiB of loose files
//                            of mixed sizes and a data archive of ~700 MiB over
//                            two discs (the disc put in while the prompt stands)
//   bench_install --small N  N loose files of 1-8 KiB on one disc (50,000 if
//                            N is left out)
//   bench_install --repair   the 1 GiB package, then installed again over its
//                            whole installation (a repair: the data file is
//                            checked and kept), against one read of the data file
//   bench_install --uninstall N
//                            the deletion work of an installation of N such
//                            files, in this process, against DeleteFileW of
//                            the same files
//
// The install is timed from the click on "インストール" to the last page,
// then the host's sync; the work's fixed pauses (500 ms per disc change, 2 s
// after the shortcuts, 1 s after the registry) and the time the disc prompt
// stood waiting for the driver are taken off. The baseline copies the same
// source files with CopyFileW under Wine into a fresh folder, then syncs;
// it runs before and after the install and the mean counts. Each timed phase
// starts synced and, as root, with the host's page cache dropped and the
// memory that freed settled (see Settle).
//
// Where the install's time goes comes from the run log's stamps (/log=):
// loose files, the data file's build, its verification, the records and
// shortcuts; the peak working set is the wizard process's own.
//
// Needs the test prefix (WINEPREFIX set) and a display: scripts/bench-install.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/format.h"
#include "base/os_file.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/medium_win.h"
#include "common/run_tool.h"
#include "common/temp_dir.h"
#include "common/wizard_win.h"
#include "forms/message_dialog_win.h"
#include "install/delete_work_win.h"
#include "install/work_observer.h"

using testing_support::TestMedium;
using testing_support::Wizard;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench_install: %s\n", what.c_str());
  std::exit(1);
}

// Deterministic bytes that do not compress away.
std::string Payload(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s[i] = static_cast<char>(x);
  }
  return s;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  fs::MakeDirectories(ExtractFilePath(path));
  OsFile::Options o;
  o.access = OsFile::kWrite;
  o.disposition = OsFile::Disposition::kCreateAlways;
  OsFile f = OsFile::Open(path, o);
  if (!f.IsOpen() || f.Write(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size()))
    Fail("cannot write " + path);
}

// The host's sync. Wine's handle of a host program does not follow it (it
// is signalled at once), so this waits for the command's own word that it
// ended: without that the sync would run beside the next timed work.
void Sync() {
  if (!testing_support::RunHostCommand("/bin/sync", {})) Fail("the host's sync did not end");
}

struct SourceFile {
  std::string path;  // on a disc
  std::string rel;   // below the disc
  bool data = false;  // a disc's data archive, not a loose file
};

// Every timed phase starts from the same state: nothing left to write, and
// (as root) the host's page cache dropped, so the sources are read from disk.
void Settle() {
  Sync();
  testing_support::RunHostCommand("/bin/sh", {"-c", "echo 3 > /proc/sys/vm/drop_caches"});
  // On a virtual machine that hands the memory its guest frees back to the
  // host (free page reporting), memory freed a moment ago is fast to take
  // again and memory handed back is slow, for as long as it takes the guest
  // to report what the drop freed (seconds). Work timed right after the drop
  // would be fast until then and slow after: a plain copy of a few seconds
  // gains, an install with a disc change in the middle does not. Both start
  // once the reporting has stopped (no change for 3 s, 25 s at most).
  static const char kWaitForReporting[] =
      "f=/sys/module/page_reporting/parameters/reported_kib; [ -r $f ] || exit 0; "
      "last=; same=0; for i in $(seq 50); do now=$(cat $f); "
      "if [ \"$now\" = \"$last\" ]; then same=$((same+1)); [ $same -ge 6 ] && exit 0; else same=0; fi; "
      "last=$now; sleep 0.5; done";
  testing_support::RunHostCommand("/bin/sh", {"-c", kWaitForReporting});
}

// One plain copy, timed as a whole and by part: the loose files, then the
// data archives (each part what the install's phase of that name costs at
// least), then the host's sync (the writing back that no phase can skip).
struct PlainTimes {
  double total = 0, loose = 0, data = 0, sync = 0;
};

PlainTimes PlainCopy(const std::vector<SourceFile>& files, const std::string& to) {
  testing_support::RemoveTree(to);
  Settle();
  const auto copy = [&](bool data) {
    for (const SourceFile& f : files) {
      if (f.data != data) continue;
      const std::string dest = to + f.rel;
      fs::MakeDirectories(ExtractFilePath(dest));
      if (!CopyFileW(enc::Wide(f.path).c_str(), enc::Wide(dest).c_str(), FALSE)) Fail("plain copy of " + f.path);
    }
  };
  const auto t0 = Clock::now();
  copy(false);
  const auto t1 = Clock::now();
  copy(true);
  const auto t2 = Clock::now();
  Sync();
  const auto t3 = Clock::now();
  return {Seconds(t3 - t0), Seconds(t1 - t0), Seconds(t2 - t1), Seconds(t3 - t2)};
}

PlainTimes Mean(const PlainTimes& a, const PlainTimes& b) {
  return {(a.total + b.total) / 2, (a.loose + b.loose) / 2, (a.data + b.data) / 2, (a.sync + b.sync) / 2};
}

// Reads every file of names (in folder) once, in 1 MiB blocks: what a check
// of the data file costs at least.
// cold: from the disk (page cache dropped); otherwise as the files are found,
// which right after an install is how its verification finds the data file.
double PlainRead(const std::string& folder, const std::vector<std::string>& names, bool cold = true) {
  if (cold) Settle();
  else Sync();
  const auto t0 = Clock::now();
  std::vector<char> buffer(1 << 20);
  for (const std::string& name : names) {
    OsFile f = OsFile::Open(folder + name, OsFile::Options());
    if (!f.IsOpen()) Fail("cannot read " + folder + name);
    while (f.Read(buffer.data(), static_cast<int64_t>(buffer.size())) > 0) {
    }
  }
  return Seconds(Clock::now() - t0);
}

// Packs the files of folder into disc + "game.dat", stored.
void Pack(const std::string& folder, const std::string& disc) {
  const testing_support::ToolResult r = testing_support::RunTool(
      ZI_VFTOOL_EXE, {"pack", "--format-version", "102", "--level", "0", disc + "game.dat", RemoveTrailingDelimiter(folder)});
  if (r.exit_code != 0) Fail("vftool pack: " + r.err);
  testing_support::RemoveTree(folder);
}

// The process's peak working set in MiB (0 when the system does not say).
double PeakMiB(DWORD process_id) {
  const HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
  if (!h) return 0;
  PROCESS_MEMORY_COUNTERS c = {};
  c.cb = sizeof c;
  const bool ok = K32GetProcessMemoryInfo(h, &c, sizeof c) != 0;
  CloseHandle(h);
  return ok ? c.PeakWorkingSetSize / 1048576.0 : 0;
}

// The install's time by phase, from the log's stamps: each stretch between
// two lines counts for the kind of work its end line closes. A disc change's
// pause ends with the disc's "looking in" lines: it is the prompt's, not the build's.
struct Phases {
  double loose = 0, check = 0, build = 0, verify = 0, records = 0, prompt = 0;
};

Phases PhasesOfLog(const std::string& log_file) {
  std::ifstream in(log_file);
  Phases p;
  std::string line;
  double last = -1;
  bool started = false, records = false;
  while (std::getline(in, line)) {
    double t = 0;
    if (std::sscanf(line.c_str(), "[%lf]", &t) != 1) continue;
    const auto has = [&](const char* what) { return line.find(what) != std::string::npos; };
    // The work starts with its first progress line.
    if (!started) {
      if (has("] progress 0%")) started = true, last = t;
      continue;
    }
    const double d = t - last;
    // The records begin with install.dat written.
    if (has("] wrote ")) records = true;
    if (records) p.records += d;
    else if (has("] copied ")) p.loose += d;
    else if (has("] verify: ") || has(" is whole: kept")) p.check += d;  // a repair's check of the installed data file
    else if (has("] merged ")) p.build += d;
    else if (has("] disc ")) p.prompt += d;
    else if (has("] verified ")) p.verify += d;
    else if (has("] progress ")) continue;  // progress within a phase: the stretch runs on
    else p.build += d;
    last = t;
    if (has("] install finished")) break;
  }
  return p;
}

// What the deletion work reports, stamped: its steps are told by the texts
// of Caption and Status.
class TimingObserver : public TWorkObserver {
 public:
  void Caption(const std::string&) override { Mark(); }
  void Status(const std::string&) override { Mark(); }
  void ByteProgress(int64_t, int64_t) override {}
  void ItemProgress(int32_t, int32_t) override {}
  void HideProgress() override {}
  bool StopRequested() override { return false; }
  bool AskForDisc(int, const std::function<bool()>&) override { return false; }
  void Warn(const std::string& text) override { Fail("warning: " + text); }
  void Inform(const std::string&) override {}
  void Pause(int) override {}
  void BringToFront() override {}
  std::vector<Clock::time_point> marks;

 private:
  void Mark() { marks.push_back(Clock::now()); }
};

std::string SmallRel(int i) { return Format("data%02d\\file%05d.txt", i / 1000, i); }
size_t SmallSize(int i) { return 1024 + (static_cast<size_t>(i) * 7919u) % (7 * 1024 + 1); }

int Uninstall(int count) {
  const testing_support::TempDir dir;
  const std::string folder = dir / "installed\\Game\\";
  TZefoInstallSet s;
  s.Title = "bench uninstall";
  s.RegistryKey = "zinstall-bench\\uninstall";
  s.UninstallMode = 1;
  const auto make = [&] {
    for (int i = 0; i < count; ++i) WriteFile(folder + SmallRel(i), Payload(SmallSize(i), static_cast<uint32_t>(i)));
  };
  std::printf("writing %d files...\n", count);
  std::fflush(stdout);

  // The baseline: DeleteFileW of every file, then the folders (as the work
  // removes them too); before and after the work, and the mean counts.
  double plain_files = 0;
  const auto plain_delete = [&] {
    make();
    Settle();
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
      if (!DeleteFileW(enc::Wide(folder + SmallRel(i)).c_str())) Fail("DeleteFileW " + SmallRel(i));
    }
    plain_files += Seconds(Clock::now() - start) / 2;
    RemoveEmptyFolders(folder);
    Sync();
    return Seconds(Clock::now() - start);
  };
  const double before = plain_delete();

  // What any deletion that opens each file and sets its disposition costs
  // (the open, the disposition, the close), without the work's check of the
  // final name on that handle: the floor of the work's way of deleting.
  const auto open_and_dispose = [&] {
    make();
    Settle();
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
      const HANDLE h = CreateFileW(enc::Wide(folder + SmallRel(i)).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      FILE_DISPOSITION_INFO dispose = {TRUE};
      const bool deleted = h != INVALID_HANDLE_VALUE && SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
      if (!deleted) Fail("open and dispose " + SmallRel(i));
    }
    const double files = Seconds(Clock::now() - start);
    RemoveEmptyFolders(folder);
    return files;
  };
  const double disposed = open_and_dispose();

  make();
  for (int i = 0; i < count; ++i) s.AddInstalledFile(SmallRel(i));
  s.AddInstalledFile("install.dat");
  s.SaveToFile(folder + "install.dat");
  Settle();
  TimingObserver observer;
  TDeleteWork work(s, folder, TDeleteChoices(), observer);
  const auto t0 = Clock::now();
  const TWorkOutcome outcome = work.Run();
  Sync();
  const auto t1 = Clock::now();
  if (outcome != TWorkOutcome::kFinished) Fail("the deletion work did not finish");
  if (fs::DirectoryExists(folder)) Fail("the install folder stays");
  // Marks: the caption (snapshot and plan done), "removing the shortcuts",
  // "deleting files", "removing the registry entries".
  if (observer.marks.size() < 4) Fail("the deletion work told fewer steps than expected");
  const double uninstall = Seconds(t1 - t0);
  const double after = plain_delete();
  const double plain = (before + after) / 2;
  std::printf("uninstall: %d files\n", count);
  std::printf("phases: snapshot and plan %.2f s, program group %.2f s, files and folders %.2f s, registry %.2f s\n",
              Seconds(observer.marks[0] - t0), Seconds(observer.marks[2] - observer.marks[0]),
              Seconds(observer.marks[3] - observer.marks[2]), Seconds(t1 - observer.marks[3]));
  std::printf("uninstall (deletion work in process, then sync): %.2f s\n", uninstall);
  std::printf("DeleteFileW of the same files, the folders, then sync: %.2f s (before %.2f s, after %.2f s; files alone %.2f s)\n",
              plain, before, after, plain_files);
  std::printf("per file: uninstall %.0f us, DeleteFileW %.0f us\n", 1e6 * uninstall / count, 1e6 * plain / count);
  std::printf("files alone: open and disposition without the name check %.2f s, %.2f of DeleteFileW's\n", disposed,
              disposed / plain_files);
  std::printf("ratio uninstall / DeleteFileW: %.2f (goal <= 1.3)\n", uninstall / plain);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (argc >= 2 && std::wstring(argv[1]) == L"--uninstall") return Uninstall(argc >= 3 ? _wtoi(argv[2]) : 20000);
  const bool small = argc >= 2 && std::wstring(argv[1]) == L"--small";
  const bool repair = argc >= 2 && std::wstring(argv[1]) == L"--repair";
  const int small_count = small && argc >= 3 ? _wtoi(argv[2]) : 50000;
  const int discs = small ? 1 : 2;

  TestMedium m(discs);
  TZefoInstallSet& s = m.settings;
  std::vector<SourceFile> sources;
  int64_t loose_bytes = 0;
  std::vector<int64_t> data_bytes(static_cast<size_t>(discs), 0);
  std::printf("writing the package...\n");
  std::fflush(stdout);
  if (small) {
    for (int i = 0; i < small_count; ++i) {
      const std::string rel = SmallRel(i);
      const size_t size = SmallSize(i);
      WriteFile(m.Disc(0) + rel, Payload(size, static_cast<uint32_t>(i)));
      s.CopyFiles.push_back(rel);
      sources.push_back({m.Disc(0) + rel, rel});
      loose_bytes += static_cast<int64_t>(size);
    }
  } else {
    // ~300 MiB of loose files: many small scripts, some images, a few large files.
    for (int i = 0; i < 400; ++i) {
      const size_t size = i % 40 == 0 ? (6u << 20) : i % 5 == 0 ? (1u << 20) + i * 4096u : 16384u + i * 1000u;
      const std::string rel = Format("%s\\file%03d.bin", i % 3 == 0 ? "system" : i % 3 == 1 ? "image" : "script", i);
      WriteFile(m.Disc(0) + rel, Payload(size, static_cast<uint32_t>(i)));
      s.CopyFiles.push_back(rel);
      sources.push_back({m.Disc(0) + rel, rel});
      loose_bytes += static_cast<int64_t>(size);
    }
    // ~700 MiB of data: 400 on the first disc, 300 on the second.
    for (int d = 0; d < discs; ++d) {
      const std::string staging = m.Dir() / Format("staging%d\\", d);
      const int64_t goal = (d == 0 ? 400 : 300) * (int64_t{1} << 20);
      for (int i = 0; data_bytes[d] < goal; ++i) {
        const size_t size = (i % 7 == 0 ? 16u : 1u + i % 5) << 20;
        WriteFile(staging + Format("disc%d\\cg%04d.bmp", d + 1, i), Payload(size, 1000u * (d + 1) + i));
        data_bytes[d] += static_cast<int64_t>(size);
      }
      Pack(staging, m.Disc(d));
      sources.push_back({m.Disc(d) + "game.dat", Format("disc%d.dat", d + 1), true});
    }
  }
  // The plain copy takes the files in the order the install does, folder by
  // folder as the disc lists them: on a disk the order of the reads is part
  // of what a copy costs.
  std::stable_sort(sources.begin(), sources.end(), [](const SourceFile& a, const SourceFile& b) {
    return a.data != b.data ? !a.data : !a.data && a.rel < b.rel;
  });
  s.ProgramSize = s.DiskProgramSize[0] = loose_bytes;
  for (int d = 0; d < discs; ++d) {
    s.DiskDataSize[d] = data_bytes[d];
    s.DataSize += data_bytes[d];
  }
  m.Write();

  const std::string baseline_folder = m.Dir() / "baseline\\";
  const PlainTimes before = PlainCopy(sources, baseline_folder);
  testing_support::RemoveTree(baseline_folder);

  // One install through the wizard into the target, timed as the header says.
  struct Run {
    double seconds = 0, peak = 0, sync = 0;
    Phases phases;
  };
  const auto install_once = [&](const std::string& log_file) {
    m.Insert(0);
    driver::Process p = m.Start("\"" + m.Root() + "\" \"/log=" + log_file + "\"");
    Wizard w(p);
    if (!w.Found()) Fail("no wizard");
    if (discs > 1) {
      if (!w.WaitForCaption(L"インストールするCD-ROM")) Fail("no media page");
      w.Click(kIdBtnNext);
    }
    if (!w.WaitForCaption(L"インストールするファイル")) Fail("no component page");
    if (!small && !w.Checked(kIdCheckData)) w.Click(kIdCheckData);
    w.Click(kIdBtnNext);
    if (!w.WaitForCaption(L"インストール先の選択")) Fail("no folder page");
    w.SetText(kIdEditDir, enc::Wide(RemoveTrailingDelimiter(m.Target())));
    w.Click(kIdBtnNext);
    if (!w.WaitForCaption(L"インストール準備完了")) Fail("no confirmation page");

    Settle();
    const auto t0 = Clock::now();
    w.Click(kIdBtnNext);
    double prompt_seconds = 0;
    for (int d = 1; d < discs; ++d) {
      HWND prompt = driver::WaitForWindow(p.Id(), kMessageDialogClass, 3600 * 1000);
      if (!prompt) Fail("no disc prompt");
      const auto shown = Clock::now();
      if (!m.Insert(d)) Fail("cannot point the drive at the next disc");
      // The prompt sees the disc and goes by itself.
      if (!driver::WaitUntil([&] { return !IsWindow(prompt) || !IsWindowVisible(prompt); }, 60000))
        Fail("the disc prompt stayed with the disc in");
      prompt_seconds += Seconds(Clock::now() - shown);
    }
    if (!w.WaitForCaption(L"完了", 3600 * 1000)) Fail("the install did not finish");
    const auto finished = Clock::now();
    Sync();
    const double pauses = 0.5 * (discs - 1) + 2.0 + 1.0;
    Run r;
    r.sync = Seconds(Clock::now() - finished);
    r.seconds = Seconds(Clock::now() - t0) - prompt_seconds - pauses;
    r.peak = PeakMiB(p.Id());
    w.Click(kIdBtnAbort);
    p.WaitExit(20000);
    r.phases = PhasesOfLog(log_file);
    // The log outlives the run's folder, for a closer look.
    if (const char* keep = std::getenv("ZI_BENCH_LOG")) CopyFileW(enc::Wide(log_file).c_str(), enc::Wide(keep).c_str(), FALSE);
    return r;
  };
  const Run first = install_once(m.Dir() / "install-log.txt");
  const double install = first.seconds;
  const double peak = first.peak;
  // The data file as the verification found it: just written, in the cache.
  std::vector<std::string> data_names{"game.dat", "game.ext"};
  for (int v = 1; fs::FileExists(m.Target() + Format("game.%03d", v)); ++v) data_names.push_back(Format("game.%03d", v));
  const double verify_floor = small ? 0 : PlainRead(m.Target(), data_names, false);

  const PlainTimes after = PlainCopy(sources, baseline_folder);
  const PlainTimes plain = Mean(before, after);
  const double baseline = plain.total;
  int64_t total = loose_bytes;
  for (int64_t b : data_bytes) total += b;
  std::printf("%s: %zu files, %.1f MiB\n", small ? "small files" : "1 GiB package", sources.size(),
              total / 1048576.0);
  std::printf("install (copy page, fixed pauses and prompt taken off, then sync): %.2f s\n", install);
  std::printf("plain copy with CopyFileW under Wine, then sync: %.2f s (before %.2f s, after %.2f s)\n", baseline,
              before.total, after.total);
  std::printf("ratio install / plain copy: %.2f (goal %s)\n", install / baseline, small ? "<= 1.25" : "<= 1.1");
  // Each phase beside its floor from the same run; the writing back that the
  // plain copy leaves to its sync is the floor of everything the install
  // leaves to its own (and of any flush inside a phase).
  const Phases& ph = first.phases;
  const auto versus = [](const char* what, double phase, double floor) {
    std::printf("  %-22s %6.2f s  floor %6.2f s", what, phase, floor);
    if (floor > 0) std::printf("  (%+.0f %%)", 100 * (phase / floor - 1));
    std::printf("\n");
  };
  std::printf("phases against their floors:\n");
  versus("loose files", ph.loose, plain.loose);
  if (!small) versus("data-file build", ph.build, plain.data);
  if (!small) versus("verification", ph.verify, verify_floor);
  versus("records and shortcuts", ph.records - 3.0, 0);
  versus("sync after the install", first.sync, plain.sync);
  versus("the rest", install - first.sync - ph.loose - ph.build - ph.verify - (ph.records - 3.0), 0);
  std::printf("floors: CopyFileW of the loose files alone, of the data archives alone, their sync (mean of the two\n"
              "plain copies); one read of the built data file as the verification found it (in the cache)\n");
  if (small) std::printf("per file: install %.0f us, plain copy %.0f us\n", 1e6 * install / small_count, 1e6 * baseline / small_count);
  std::printf("peak working set of install.exe: %.1f MiB\n", peak);
  if (!repair) return 0;

  // The same package again over its whole installation.
  const Run again = install_once(m.Dir() / "repair-log.txt");
  const double read = PlainRead(m.Target(), data_names);
  const Phases& rp = again.phases;
  std::printf("repair (the same install again over it, pauses and prompt taken off, then sync): %.2f s\n", again.seconds);
  std::printf("repair phases: check of the installed data file %.2f s, loose files %.2f s, data-file merge %.2f s, "
              "verification %.2f s, records and shortcuts %.2f s\n",
              rp.check, rp.loose, rp.build, rp.verify, rp.records - 3.0);
  std::printf("one read of the data file (%zu files): %.2f s; ratio check / read: %.2f\n", data_names.size(), read,
              rp.check / read);
  return 0;
}
