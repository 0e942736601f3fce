#include "install/copy_work_win.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "archive/bigstreams.h"
#include "archive/crc32.h"
#include "archive/vrfiles.h"
#include "base/cleanup_guard.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/os_file.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "os/disc_drives_win.h"
#include "os/files_win.h"
#include "os/shell_win.h"
#include "os/system_error_win.h"
#include "settings/package_rules.h"
#include "install/delete_rules.h"
#include "install/delete_work_win.h"
#include "install/destination.h"
#include "install/file_copy_win.h"
#include "install/installed_data.h"
#include "install/medium_files_win.h"
#include "install/records_win.h"
#include "install/selection.h"
#include "install/uninstall_entry_win.h"
#include "install/verify_installation.h"

namespace {

constexpr char kDataFile[] = "game.dat";
constexpr char kSettingsFile[] = "install.dat";
constexpr char kFirstProject[] = "zefo.zpb";
constexpr char kKeptFirstProject[] = "/original_zefo.zpb";
// Entries and files above this size report while they are copied.
constexpr int64_t kLargeEntry = 3 * 1024 * 1024;
// The window answers at least this often while one long file is copied.
constexpr uint64_t kPollMilliseconds = 100;

const char kVerifyFailed[] =
    "ファイルの内容が正しくありません\r\nインストールしなおしてください\r\n何度も失敗する場合は、スキャンディスクを実行して\r\n"
    "ハードディスクに異常がないか調べてください";

// An entry of the archive installed as a file of its own. A superseded
// entry ("/" + name) is no longer the file of its name.
bool IsSeparateFile(const TVrFile& e) {
  return e.LooseFile && e.Name() != kSettingsFile && (e.Name().empty() || e.Name()[0] != '/');
}

// Thrown by TCopyWork::Halt, also from deep inside a copy when the person
// confirmed Abort; TCopyWork::Run catches it.
struct WorkHalted {};

// Where an entry taken from the archive goes: the file, with the CRC-32 of
// everything written computed on the way and the progress of long entries.
class TEntryFileStream : public TStream {
 public:
  TEntryFileStream(OsFile& file, std::function<bool(int64_t)> progress) : file_(file), progress_(std::move(progress)) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t put = file_.Write(buffer, count);
    if (put > 0) {
      crc_ = Crc32(crc_, buffer, static_cast<size_t>(put));
      written_ += put;
    }
    if (put == count && progress_ && !progress_(written_)) throw WorkHalted();
    return put;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    static const OsFile::Origin kOrigin[] = {OsFile::Origin::kBegin, OsFile::Origin::kCurrent, OsFile::Origin::kEnd};
    return file_.Seek(offset, kOrigin[static_cast<int>(origin)]);
  }
  uint32_t Crc() const { return crc_; }
  int64_t Written() const { return written_; }

 private:
  OsFile& file_;
  std::function<bool(int64_t)> progress_;
  uint32_t crc_ = 0;
  int64_t written_ = 0;
};

}  // namespace

bool RemovableInstallFolder(const std::string& folder) {
  return DeletableInstallFolder(folder, WindowsFolder(), KeptFolders()).has_value();
}

TCopyWork::TCopyWork(const TWizardContext& context, const TCopyChoices& choices, TWorkObserver& observer)
    : context_(context), choices_(choices), observer_(observer), copier_(std::make_unique<TFileCopier>()) {
  // A file the copy finds already there was not the run's to create.
  copier_->OnReplacing([this](const std::string& dest) { journal_.Kept(dest.substr(choices_.target_dir.size())); });
}

TCopyWork::~TCopyWork() = default;

bool TCopyWork::StopRequested() {
  last_poll_ = GetTickCount64();
  if (observer_.StopRequested()) stop_reason_ = TCopyStop::kStopped;
  return stop_reason_ == TCopyStop::kStopped;
}

void TCopyWork::Halt(TCopyStop reason) {
  stop_reason_ = reason;
  throw WorkHalted();
}

void TCopyWork::ReportBytes() { observer_.ByteProgress(copied_, total_.Of(copied_)); }

std::string TCopyWork::Destination(const std::string& name) const {
  if (!IsSafeRelativeName(name))
    throw EError(Format("%s\r\nインストール先の外を指す名前なので、インストールできません", name.c_str()));
  return choices_.target_dir + name;
}

TWorkOutcome TCopyWork::Run() {
  TWorkOutcome outcome;
  try {
    outcome = Work();
  } catch (...) {
    UndoCreated();
    throw;
  }
  if (outcome != TWorkOutcome::kFinished) UndoCreated();
  return outcome;
}

bool TCopyWork::UndoLeftover() {
  // A journal is obeyed only in a folder the uninstaller's rule would work in.
  if (!JournalExists(choices_.target_dir) || !RemovableInstallFolder(choices_.target_dir)) return false;
  observer_.Note("an install into " + choices_.target_dir + " did not end: removing what it created");
  const bool all = UndoJournal(choices_.target_dir, Settings(), observer_);
  observer_.Inform(all ? "前回のインストールが途中で終わっていたため、そのとき作られたものを削除しました"
                       : "前回のインストールが途中で終わっていたため、そのとき作られたものを削除しましたが、一部が残っています");
  return !all;
}

void TCopyWork::UndoCreated() {
  output_.reset();  // the data file is closed before it can go
  if (!journal_.Started()) return;
  journal_.Close();
  observer_.Note("the install did not end: removing what it created");
  try {
    UndoJournal(choices_.target_dir, Settings(), observer_);
  } catch (const std::exception& e) {
    observer_.Note(std::string("what the install created could not all be removed: ") + e.what());
  }
}

TWorkOutcome TCopyWork::Work() {
  try {
    TZefoInstallSet& s = Settings();
    copied_ = 0;
    total_ = TCopyTotal(DiscEstimates(s, choices_.all_disks, choices_.data, choices_.sound, choices_.movie));
    ReportBytes();
    const bool leftover = UndoLeftover();
    try {
      journal_.Begin(choices_.target_dir, leftover);
    } catch (const EFCreateError& e) {
      observer_.Note(e.what());
      observer_.Warn("ディレクトリを作成できませんでした");
      Halt(TCopyStop::kFolderFailed);
    }
    // A data file there before the run is the installation's; one the run
    // starts anew is the run's own. An add-on adds to the installation's data
    // file; anything else keeps it only when it is whole and this
    // installation's.
    if (!s.AddOn && !fs::FileExists(choices_.target_dir + kDataFile)) journal_.Add(TJournalKind::kData);
    if (!s.AddOn) PrepareDataFile();
    if (choices_.data || s.FromArchive || s.AddOn) {
      output_ = std::make_unique<TVrFileCollection>();
      output_->Open(choices_.target_dir + kDataFile, true);
      if (data_kept_ && output_->Stream()) kept_bytes_ = output_->Stream()->GetSize();
    }

    const int32_t disk_count = s.DiskCount;
    for (int32_t i = 0; i < disk_count; ++i) {
      if (!choices_.all_disks && i != s.DiskIndex) continue;
      if (i != s.DiskIndex) ChangeDisc(i);
      std::vector<TMediumFile> loose;
      if (!s.FromArchive) loose = LooseFilesOfDisc();
      total_.BeginDisc(i, DiscBytes(loose), copied_);
      if (!s.FromArchive) CopyLooseFiles(loose);
      if (choices_.data || s.AddOn) MergeData(choices_.all_disks && i + 1 < disk_count);
      if (s.FromArchive) ExtractSeparateFiles();
      total_.EndDisc(copied_);
      ReportBytes();  // the disc's figure settled: at the last disc, the bar's end
    }

    if (output_) VerifyData();
    if (!s.IsSystemInstall()) WriteRecords();
    journal_.Complete();
    ShowReadme();
    return TWorkOutcome::kFinished;
  } catch (const WorkHalted&) {
    // A folder that could not be made closes the wizard (its warning said
    // so); every other stop is an abort.
    return stop_reason_ == TCopyStop::kFolderFailed ? TWorkOutcome::kClosed : TWorkOutcome::kAborted;
  }
}

void TCopyWork::PrepareDataFile() {
  const std::string& target = choices_.target_dir;
  const bool present = fs::FileExists(target + kDataFile);
  TInstallationReport report;
  if (choices_.data && (present || fs::FileExists(target + kSettingsFile))) {
    if (present) {
      observer_.Caption("データファイルを調べています");
      observer_.Status(Format("%s を調べています...", kDataFile));
      observer_.ItemProgress(0, 1000);
    }
    // The bar moves by thousandths of the bytes: the byte progress belongs
    // to the copy, and a log counts its tenths once.
    report = VerifyInstallation(target, [this](int64_t done, int64_t total) {
      if (GetTickCount64() - last_poll_ < kPollMilliseconds) return;
      observer_.ItemProgress(static_cast<int32_t>(total > 0 ? done * 1000 / total : 1000), 1000);
      if (StopRequested()) Halt(TCopyStop::kStopped);
    });
    if (present) {
      for (const std::string& line : ReportLines(report)) observer_.Note(line);
    }
  }
  const TInstalledDataDecision decision = DecideInstalledData(report, Settings().Title, choices_.data, present);
  if (decision.verdict == TInstalledData::kKeep) {
    data_kept_ = true;
    kept_add_on_names_ = decision.add_on_names;
    observer_.Caption("ファイルをコピーしています");
    observer_.Note(Format("the installed %s is whole: kept, only what is missing or newer is taken", kDataFile));
    return;
  }
  if (!decision.caption.empty()) observer_.Caption(decision.caption);
  // The folder page left this notice to the check: the add-ons' data goes now.
  if (AddOnNoticeWaitsForCheck(report.recorded, choices_.data)) {
    const TAddOnNotice notice = AddOnNoticeFor(Settings().Title, target, AddOnNamesOf(report.recorded));
    if (!notice.text.empty()) {
      observer_.Note(notice.log_text);
      observer_.Inform(notice.text);
    }
  }
  DeleteStaleDataFiles();
}

void TCopyWork::DeleteStaleDataFiles() {
  const std::string data = choices_.target_dir + kDataFile;
  const auto erase = [](const std::string& file) {
    ClearFileAttributes(file, kFaReadOnly | kFaHidden | kFaSysFile);
    fs::EraseFile(file);
  };
  erase(data);
  erase(ChangeFileExt(data, ".ext"));
  // Volumes game.001, game.002, ... up to the first gap.
  for (int n = 1;; ++n) {
    const std::string volume = ChangeFileExt(data, Format(".%.3d", n));
    if (!fs::FileExists(volume)) break;
    erase(volume);
  }
}

std::vector<TDiscPlace> TCopyWork::DiscPlaces() {
  std::vector<TDiscPlace> places{{context_.source_folder, true}};
  for (const std::string& folder : observer_.DiscFolders()) places.push_back({AddTrailingDelimiter(folder), true});
  for (const DiscDrive& drive : DiscDrives()) places.push_back({drive.root, drive.ready});
  return places;
}

void TCopyWork::ChangeDisc(int index) {
  TZefoInstallSet& s = Settings();
  if (context_.archive) context_.archive->Open("");
  // The data file the disc before left flushing is made whole (its
  // directory file written) before the next disc's work, or a stop, goes on.
  const auto finish_merge = [&] {
    if (output_) output_->FinishMerge();
  };
  TZefoInstallSet next;
  try {
    next = WaitForDisc(index);
  } catch (...) {
    finish_merge();
    throw;
  }
  finish_merge();
  // The names recorded from earlier discs stay: the uninstaller removes
  // only what is recorded.
  std::vector<std::string> theirs = std::move(next.InstalledFiles);
  next.InstalledFiles = std::move(s.InstalledFiles);
  for (const std::string& name : theirs) next.AddInstalledFile(name);
  s = std::move(next);
  if (context_.archive) context_.archive->Open(context_.source_folder + kDataFile);
}

TZefoInstallSet TCopyWork::WaitForDisc(int index) {
  TZefoInstallSet& s = Settings();
  const auto disc_in = [&] { return FindDisc(s, index, DiscPlaces()).found.has_value(); };
  for (;;) {
    if (!observer_.AskForDisc(index + 1, disc_in)) Halt(TCopyStop::kNoDisc);
    observer_.Pause(500);
    TDiscSearch search = FindDisc(s, index, DiscPlaces());
    const TDiscLook* damaged = nullptr;
    for (const TDiscLook& look : search.looked) {
      if (look.holds == TDiscHolds::kUnreadable) continue;
      observer_.Note(Format("disc %d: looking in %s", index + 1, look.folder.c_str()));
      if (look.holds == TDiscHolds::kOtherPackage)
        observer_.Note(Format("%s%s is not of this package", look.folder.c_str(), kSettingsFile));
      if (look.holds == TDiscHolds::kDamaged && !damaged) damaged = &look;
    }
    if (search.found) {
      context_.source_folder = search.looked.back().folder;
      return std::move(*search.found);
    }
    if (damaged) observer_.Warn(damaged->problem);
  }
}

std::vector<TMediumFile> TCopyWork::LooseFilesOfDisc() {
  TZefoInstallSet& s = Settings();
  // The files the package names and the components select, in listing order.
  std::vector<TMediumFile> files;
  for (TMediumFile& f : ListMediumLooseFiles(context_.source_folder, s)) {
    const TFileKind kind = ClassifyExtension(ExtractFileExt(f.rel));
    if (kind == TFileKind::kSound && !choices_.sound && !s.AddOn) continue;
    if (kind == TFileKind::kMovie && !choices_.movie && !s.AddOn) continue;
    files.push_back(std::move(f));
  }
  return files;
}

int64_t TCopyWork::DiscBytes(const std::vector<TMediumFile>& loose) const {
  const TZefoInstallSet& s = Settings();
  int64_t bytes = 0;
  for (const TMediumFile& file : loose) bytes += std::max<int64_t>(file.size, 0);
  const TVrFileCollection* archive = context_.archive;
  if (archive && output_ && (choices_.data || s.AddOn)) bytes += output_->BytesToMerge(*archive);
  // Every separate file counts; one found up to date settles the total when
  // the disc is done (looking twice would cost a folder read each).
  if (archive && s.FromArchive) {
    for (int32_t i = 0; i < archive->Count(); ++i)
      if (IsSeparateFile(archive->Files(i))) bytes += archive->Files(i).Size;
  }
  return bytes;
}

void TCopyWork::CopyLooseFiles(const std::vector<TMediumFile>& files) {
  TZefoInstallSet& s = Settings();
  std::string folder_made;
  for (const auto& [path, rel, size] : files) {
    const std::string dest = Destination(rel);
    const int64_t before = copied_;
    ReportBytes();
    observer_.Status(Format("%s をコピー中...", ExtractFileName(path).c_str()));
    // Input is answered every tenth of a second, not after every small file:
    // painting the page for each of thousands of files costs more than
    // copying them.
    if (GetTickCount64() - last_poll_ >= kPollMilliseconds && StopRequested()) Halt(TCopyStop::kStopped);
    const std::string folder = ExtractFilePath(dest);
    if (folder != folder_made) {
      if (!journal_.MakeFolders(folder)) {
        observer_.Warn("ディレクトリを作成できませんでした");
        Halt(TCopyStop::kFolderFailed);
      }
      folder_made = folder;
    }
    // Outside the folders this run made, the file is looked for before the
    // journal names it: a kill between the line and the copier's own finding
    // must not put a file that was there before on the list of what the run
    // created. (Looking costs a folder scan under some systems, so a first
    // install, whose folders are all new, does not look.)
    if (!journal_.MadeThisRun(folder) && fs::FileExists(dest)) journal_.Kept(rel);
    else journal_.File(rel);
    // A long file moves the bar as it goes and still answers an Abort.
    const int64_t copied = copier_->Copy(path, dest, [&](int64_t done) {
      copied_ = before + done;
      if (GetTickCount64() - last_poll_ < kPollMilliseconds) return true;
      ReportBytes();
      return !StopRequested();
    });
    if (copied < 0) Halt(TCopyStop::kStopped);  // the progress answered a confirmed Abort
    copied_ = before + copied;
    s.AddInstalledFile(rel);
    observer_.Note("copied " + rel);
  }
}

void TCopyWork::MergeData(bool disc_follows) {
  TZefoInstallSet& s = Settings();
  if (!output_) throw EError("データファイルが作成されていません");
  // The first project file of the installation is kept under another name;
  // a later disc's or add-on's takes the plain one. A kept data file holds
  // the installation's as it was left: the first disc's is no later one.
  const bool first_merge_into_kept = data_kept_ && merges_ == 0;
  ++merges_;
  if (!first_merge_into_kept && output_->IndexOf(kKeptFirstProject) < 0) {
    const int32_t first = output_->IndexOf(kFirstProject);
    if (first >= 0) output_->Files(first).SetName(kKeptFirstProject);
  }
  if (!fs::MakeDirectories(choices_.target_dir))
    throw EFCreateError(Format("ファイルが作成できません\r\n%s", choices_.target_dir.c_str()));

  output_->OnProgress = [this](TVrFileCollection&, TVrFile&, bool& abort, int32_t count, int32_t index, int64_t size) {
    copied_ += size;
    ReportBytes();  // the observer shows it as often as a person can follow
    if (index % 10 == 9 || size > kLargeEntry) {
      observer_.Status(Format("データファイルを構築中(%d/%d)...", index + 1, count));
      if (StopRequested()) abort = true;
    }
  };
  // Inside a long entry Abort is still answered (the bar moves per entry).
  output_->OnEntryBytes = [this](int64_t) {
    return GetTickCount64() - last_poll_ < kPollMilliseconds || !StopRequested();
  };

  if (context_.archive) {
    // Before another disc, the data goes to the disk while the person
    // changes discs, and the directory file is written once the disc is in.
    const auto directory = disc_follows ? TVrFileCollection::TDirectoryWrite::kLater : TVrFileCollection::TDirectoryWrite::kNow;
    const TVrFileCollection::TMergeResult merged = output_->MergeFrom(*context_.archive, directory);
    output_->OnEntryBytes = nullptr;
    if (merged == TVrFileCollection::TMergeResult::kCancelled) Halt(TCopyStop::kStopped);
    if (merged == TVrFileCollection::TMergeResult::kWritten) data_written_ = true;
    // A kept data file that took nothing still has its directory file.
    if (data_written_ || data_kept_) s.AddInstalledFile(ChangeFileExt(kDataFile, ".ext"));
    observer_.Note(Format("merged %d entries of %s%s into %s", context_.archive->Count(), context_.source_folder.c_str(),
                          kDataFile, kDataFile));
  }
  output_->OnEntryBytes = nullptr;
  if (stop_reason_ == TCopyStop::kStopped) Halt(TCopyStop::kStopped);
  if (choices_.data && !s.AddOn) s.DataInstalled = 1;
}

void TCopyWork::ExtractSeparateFiles() {
  TZefoInstallSet& s = Settings();
  TVrFileCollection* archive = context_.archive;
  if (!archive) return;
  for (int32_t i = 0; i < archive->Count(); ++i) {
    const TVrFile& e = archive->Files(i);
    if (!IsSeparateFile(e)) continue;
    const std::string dest = Destination(e.Name());
    // -1: nothing there (or a folder); one look at the name, which Wine pays
    // for with a read of the whole folder when nothing is there.
    const int32_t age = fs::FileAge(dest);
    if (!s.IsSystemInstall() && age != -1 && age >= e.FileTime) {
      s.AddInstalledFile(e.Name());  // up to date: kept, but it is the installation's
      continue;
    }
    if (!journal_.MakeFolders(ExtractFilePath(dest)))
      throw EFCreateError(Format("ファイルが作成できません\r\n%s", dest.c_str()));
    if (age == -1) journal_.File(e.Name());
    else journal_.Kept(e.Name());  // only its temporary file is the run's
    ExtractEntry(e, dest);
    s.AddInstalledFile(e.Name());
    observer_.Note("extracted " + e.Name());
    ReportBytes();
  }
}

void TCopyWork::ExtractEntry(const TVrFile& e, const std::string& dest) {
  // Written beside dest and put in place only when its checksum is right, so a
  // damaged entry never replaces a good file, and a run killed mid-entry
  // leaves no cut file under the name: the next run's look at dest would take
  // a file newer than the entry for an up-to-date one and keep it.
  const std::string temp = TemporaryNameOf(dest);
  OsFile::Options o;
  o.access = OsFile::kWrite;
  o.share = OsFile::Share::kNone;
  o.disposition = OsFile::Disposition::kCreateAlways;
  ClearFileAttributes(temp, kFaReadOnly | kFaHidden | kFaSysFile);
  OsFile file = OsFile::Open(temp, o);
  if (!file.IsOpen())
    throw EFCreateError(Format("ファイルが作成できません\r\n%s（%s）", dest.c_str(), SystemErrorText(OsFile::LastError()).c_str()));
  CleanupGuard remove_temp([&] {
    file.Close();
    fs::EraseFile(temp);
  });

  const int64_t before = copied_;
  TEntryFileStream out(file, [&](int64_t done) {
    if (done <= kLargeEntry) return true;
    copied_ = before + done;
    if (GetTickCount64() - last_poll_ < kPollMilliseconds) return true;
    ReportBytes();
    observer_.Status(Format("%s をコピー中...", ExtractFileName(e.Name()).c_str()));
    return !StopRequested();
  });
  try {
    context_.archive->ReadEntry(out, e.Name());
  } catch (const EWriteError&) {
    // The stream layer knows no file name: say which file could not be written, and why.
    throw EWriteError(Format("ファイルが作成できません\r\n%s（%s）", dest.c_str(), SystemErrorText(GetLastError()).c_str()));
  }
  copied_ = before + out.Written();
  if (out.GetPosition() < 0) {
    throw EWriteError(Format("ファイルが作成できません\r\n%s（%s）", dest.c_str(), SystemErrorText(GetLastError()).c_str()));
  }
  file.Close();
  if (out.Crc() != e.Crc) throw EError(Format("ファイルが壊れています\r\n%s", e.Name().c_str()));
  ClearFileAttributes(dest, kFaReadOnly | kFaHidden | kFaSysFile);
  if (!fs::MoveReplacing(temp, dest))
    throw EFCreateError(Format("ファイルが作成できません\r\n%s（%s）", dest.c_str(), SystemErrorText(GetLastError()).c_str()));
  remove_temp.Cancel();
  fs::SetFileAge(dest, e.FileTime);
}

void TCopyWork::VerifyData() {
  TZefoInstallSet& s = Settings();
  output_->OnProgress = [this](TVrFileCollection&, TVrFile&, bool& abort, int32_t count, int32_t index, int64_t) {
    observer_.ItemProgress(index, count - 1);
    observer_.Status(Format("データファイルを調べています(%d/%d)...", index + 1, count));
    if (StopRequested()) abort = true;
  };
  // A kept data file that took nothing was checked whole at the start.
  const bool checked = data_kept_ && !data_written_;
  if (checked) observer_.Note(Format("%s was checked before the merge, which took nothing", kDataFile));
  else observer_.Caption("データファイルをチェックしています");
  if (!checked && !output_->Verify()) {
    output_.reset();
    observer_.Warn(kVerifyFailed);
    Halt(TCopyStop::kVerifyFailed);
  }
  if (stop_reason_ == TCopyStop::kStopped) Halt(TCopyStop::kStopped);
  observer_.Note(Format("verified %s: %d entries", kDataFile, output_->Count()));
  if (auto* data = dynamic_cast<TTpBigFileStream*>(output_->Stream())) {
    for (int32_t v = 0; v < data->VolumeCount(); ++v) s.AddInstalledFile(ExtractFileName(data->VolumeName(v)));
  }
  output_.reset();
}

void TCopyWork::WriteRecords() {
  TZefoInstallSet& s = Settings();
  s.UninstallMode = 1;
  s.AddInstalledFile(kSettingsFile);
  if (fs::FileExists(choices_.target_dir + kSettingsFile)) journal_.Kept(kSettingsFile);
  else journal_.File(kSettingsFile);
  // After the record's own name, where an add-on puts them.
  for (const std::string& name : kept_add_on_names_) s.AddInstalledFile(name);
  if (!kept_add_on_names_.empty())
    observer_.Note(Format("kept the add-ons' %d names with their data", static_cast<int>(kept_add_on_names_.size())));
  WriteSettingsRecord(s, choices_.target_dir);
  observer_.Note("wrote " + choices_.target_dir + kSettingsFile);
  if (!s.AddOn) {
    observer_.Caption("ショートカットを作成しています");
    observer_.HideProgress();
    observer_.StopRequested();  // lets the window paint; the work goes on whatever the answer
    journal_.Shortcuts(s);
    CreateShortcuts(s, choices_.target_dir, choices_.open_windows);
    observer_.Note("created the program group " + s.Title);
    observer_.Pause(2000);
    observer_.BringToFront();  // the shell has just opened the group's folder window
  }
  // The uninstaller removes the folders above the install folder that the
  // install made, and only those; a later run into the folder made none.
  if (journal_.Made() > 0) {
    journal_.Add(TJournalKind::kValue, kMadeFoldersValue);
    s.WriteValue(kMadeFoldersValue, std::to_string(journal_.Made()));
  }
  if (s.ReadValue("InstallPath", "").empty()) journal_.Add(TJournalKind::kValue, "InstallPath");
  s.WriteValue("InstallPath", choices_.target_dir);
  // The launcher knows the game is installed by this value alone: a key that
  // could not be written must not pass for a finished install.
  if (!s.RegistryKey.empty() && s.ReadValue("InstallPath", "") != choices_.target_dir)
    throw EError(Format("レジストリに書き込めません\r\nHKEY_CURRENT_USER\\Software\\%s", s.RegistryKey.c_str()));
  // Listed among the installed programs: a missing entry costs the person a
  // way to uninstall from the system's list, not the installation.
  if (!s.AddOn) {
    if (!UninstallEntryLocation(s.Title)) journal_.Add(TJournalKind::kEntry);
    // A kept data file is part of the installation's size though nothing of it was copied.
    if (WriteUninstallEntry(s, choices_.target_dir, copied_ + kept_bytes_)) observer_.Note("listed among the installed programs");
    else observer_.Note("not listed among the installed programs");
  }
  // Recorded: from here on a stop leaves a whole installation, not a run to undo.
  journal_.Complete();
  observer_.Note("InstallPath = " + choices_.target_dir);
  observer_.Caption("レジストリを更新しています");
  observer_.StopRequested();
  observer_.Pause(1000);
}

void TCopyWork::ShowReadme() {
  const TZefoInstallSet& s = Settings();
  if (!choices_.open_windows || s.ReadmeFile.empty() || !s.OpenReadme || !IsSafeRelativeName(s.ReadmeFile)) return;
  const std::string readme = choices_.target_dir + s.ReadmeFile;
  // A run restarted with administrator rights starts nothing of the package:
  // whatever ReadmeFile names would run as administrator, not as the person
  // who asked. It says where the read-me is instead.
  if (context_.resumed) {
    observer_.Note("not opened by a run with administrator rights: " + readme);
    observer_.Inform(Format("%s\r\nをお読みください", readme.c_str()));
    return;
  }
  observer_.OpenReadme(readme, choices_.target_dir);
}
