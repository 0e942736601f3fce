#include "launcher/startup_win.h"

#include <windows.h>
#include <objbase.h>

#include <functional>
#include <memory>
#include <optional>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/os_file.h"
#include "base/paths.h"
#include "forms/message_dialog_win.h"
#include "launcher/exit_codes.h"
#include "launcher/leftover_copies_win.h"
#include "launcher/running_game.h"
#include "launcher/silent_run_win.h"
#include "launcher/startup_rules.h"
#include "launcher/switches.h"
#include "install/temporary_program.h"
#include "launcher/verify_run_win.h"
#include "launcher/windows_win.h"
#include "os/console_win.h"
#include "os/elevation_win.h"
#include "os/files_win.h"
#include "os/mutex_win.h"
#include "os/shell_win.h"
#include "os/system_error_win.h"
#include "settings/install_set.h"
#include "settings/package_rules.h"
#include "install/selection.h"
#include "install/uninstall_entry_win.h"

namespace {

class Startup {
 public:
  explicit Startup(TRunSwitches switches) : switches_(std::move(switches)), params_(switches_.positional) {}
  ~Startup() { Release(); }

  // Run, with whatever stopped it reported: the exit code.
  int RunReported();

 private:
  int Run();
  // Unattended runs show no window: what a person would read goes to the log
  // and to the console of whoever started the run.
  bool Unattended() const { return switches_.silent || switches_.verify; }
  void Report(const std::string& text, TMsgDlgType type);
  // The log of /log=, opened by the process that does the work.
  void OpenLog();
  // A run with /log tells by its exit code whether the person left the wizard.
  int WizardExitCode(const WizardResult& result) const;
  // Starts this program again through the system's elevation with the
  // wizard's choices (the restart the wizard asks for).
  bool RestartElevated(const TWizardChoices& choices, unsigned long* error);
  // The elevated restart waits for the run that started it to let go of the
  // instance mutex; false when it still holds it after a while.
  bool WaitForInstanceMutex(const std::string& name) const;
  // The end of a run that a run with administrator rights continues: its
  // exit code when the switches ask for one, else code.
  int HandOverToElevatedRun(int code);
  bool ProbeResource() const;
  // Settings from the install.dat entry of an archive that open() opens.
  void LoadSettingsFromArchive(const std::function<void(TVrFileCollection&)>& open);
  void OpenGameArchive();
  // The roles with an archive: the wizard at once, or the launcher and what it chose.
  int RunWithArchive(TRunRole role);
  int RunLauncher();
  bool ProbeTrailer() const;
  // What start-up decides from: its own file and its command line.
  TPackageFacts PackageFacts() const;
  TRoleFacts RoleFacts() const;
  bool MakeTemporaryCopy();
  void WriteCdDrive() const;
  void Warn(const std::string& text) { Report(text, mtWarning); }
  // Releases in the fixed order: the archive, the instance mutex, the settings.
  void Release();
  // Starts the chosen program. A temporary copy of a run that tells its
  // outcome by its exit code is waited for, and its code is the result;
  // otherwise code is.
  int HandOver(int code);
  // This program, a temporary copy, is deleted at the next restart when the
  // system allows it; the log says which.
  void ScheduleOwnDeletion();
  // What the wizard works on: the settings, the archive and the folder of the run.
  TWizardContext WizardContext();
  // A temporary copy that does the work has the system delete it at the next restart.
  void DeleteOwnCopyAtRestart(TRunRole role);

  TRunSwitches switches_;
  std::vector<std::string> params_;
  std::unique_ptr<TRunLog> log_;
  std::string program_;  // full name of the running program file
  TPackageFacts facts_;
  TPackagePlace place_;
  std::string run_after_exit_;
  std::string run_parameters_;
  bool hand_over_copy_ = false;  // run_after_exit_ is a temporary copy of this program
  TLeftoverCopies leftovers_;
  NamedMutex instance_mutex_;
  std::unique_ptr<TZefoInstallSet> install_set_;
  std::unique_ptr<TVrFileCollection> game_archive_;
  TElevatedRun elevated_run_;
};

bool Startup::ProbeResource() const {
  HRSRC res = FindResourceW(nullptr, L"DUMMY", L"BINTYPE");
  if (!res) return false;
  HGLOBAL data = LoadResource(nullptr, res);
  const auto* bytes = static_cast<const char*>(data ? LockResource(data) : nullptr);
  return bytes && SizeofResource(nullptr, res) >= 2 && bytes[0] == 'v' && bytes[1] == 'f';
}

bool Startup::ProbeTrailer() const {
  OsFile::Options o;
  o.access = OsFile::kRead;
  o.share = OsFile::Share::kRead;
  OsFile f = OsFile::Open(program_, o);
  char magic[2];
  return f.IsOpen() && f.Size() >= 2 && f.Seek(-2, OsFile::Origin::kEnd) >= 0 && f.Read(magic, 2) == 2 &&
         magic[0] == 'z' && magic[1] == 'f';
}

TPackageFacts Startup::PackageFacts() const {
  TPackageFacts facts;
  facts.program = program_;
  facts.resource_archive = ProbeResource();
  if (!facts.resource_archive) facts.trailer_archive = ProbeTrailer();
  facts.has_parameter = !params_.empty();
  if (facts.has_parameter) {
    facts.parameter = params_[0];
    facts.parameter_is_file = fs::FileExists(params_[0]);
  }
  return facts;
}

TRoleFacts Startup::RoleFacts() const {
  TRoleFacts facts;
  facts.silent = switches_.silent;
  facts.has_parameter = !params_.empty();
  facts.uninstall_mode = install_set_->UninstallMode != 0;
  facts.from_archive = install_set_->FromArchive != 0;
  facts.add_on = install_set_->AddOn != 0;
  facts.system_install = install_set_->IsSystemInstall();
  facts.elevated_restart = !switches_.elevated_for.empty();
  return facts;
}

bool Startup::MakeTemporaryCopy() {
  const std::wstring program = enc::Wide(program_);
  run_after_exit_ = PlaceUnderTemporaryName(TempFolder(), [&](const std::string& name) {
    ClearFileAttributes(name, kFaReadOnly);
    return CopyFileW(program.c_str(), enc::Wide(name).c_str(), FALSE) != 0;
  });
  if (run_after_exit_.empty()) return false;
  run_parameters_ = HandOverParameters(AddTrailingDelimiter(ExtractFilePath(program_)), switches_);
  hand_over_copy_ = true;
  return true;
}

void Startup::WriteCdDrive() const { install_set_->WriteValue("CDDrive", CdDriveOf(program_)); }

void Startup::LoadSettingsFromArchive(const std::function<void(TVrFileCollection&)>& open) {
  TVrFileCollection archive;
  open(archive);
  TMemoryStream settings;
  archive.ReadEntry(settings, "install.dat");
  install_set_->LoadFromStream(settings);
}

void Startup::OpenGameArchive() {
  game_archive_ = std::make_unique<TVrFileCollection>();
  const TGameArchivePlace archive = LocateGameArchive(place_, program_, install_set_->AddOn != 0);
  if (archive.resource) game_archive_->OpenResource(archive.file, "DUMMY", "BINTYPE");
  else game_archive_->Open(archive.file);
}

void Startup::Release() {
  game_archive_.reset();
  instance_mutex_.Release();
  install_set_.reset();
}

TWizardContext Startup::WizardContext() {
  TWizardContext c;
  c.settings = install_set_.get();
  c.archive = game_archive_.get();
  c.log = log_.get();
  if (!switches_.elevated_for.empty()) {
    TWizardChoices resumed;
    resumed.install_folder = switches_.dir;
    const bool everything = !switches_.components_given;
    resumed.data = everything || switches_.data;
    resumed.sound = everything || switches_.sound;
    resumed.movie = everything || switches_.movie;
    resumed.all_disks = switches_.disc == TRunSwitches::Discs::kDefault ? AllDisksPreselected(*install_set_)
                                                                          : switches_.disc == TRunSwitches::Discs::kAll;
    resumed.delete_save = switches_.delete_save;
    c.resumed = resumed;
    c.resumed_for = switches_.elevated_for;
  }
  c.restart_elevated = [this](const TWizardChoices& choices, unsigned long* error) {
    return RestartElevated(choices, error);
  };
  c.source_folder = SourceFolder(facts_, install_set_->UninstallMode != 0);
  return c;
}

void Startup::Report(const std::string& text, TMsgDlgType type) {
  // What ends a run before its work began belongs in the log as well.
  if (!log_ && !switches_.log.empty()) {
    try {
      OpenLog();
    } catch (const EError&) {
    }
  }
  if (log_) log_->Error(text);
  if (Unattended()) WriteToParentConsole(text);
  else MessageDlg(text, type, mbOK);
}

void Startup::OpenLog() {
  if (switches_.log.empty() || log_) return;
  try {
    // The restart with administrator rights continues the log of the run that asked for it.
    log_ = std::make_unique<TRunLog>(switches_.log, "install.exe " + ExtractFileName(program_),
                                     !switches_.elevated_for.empty());
  } catch (const EError&) {
    throw ESwitchError("ログファイルを作成できません: " + switches_.log);
  }
  for (const std::string& file : leftovers_.deleted) log_->Line("deleted an earlier temporary copy: " + file);
  for (const std::string& file : leftovers_.failed) log_->Line("could not delete an earlier temporary copy: " + file);
}

void Startup::DeleteOwnCopyAtRestart(TRunRole role) {
  if (DeletesItselfAtRestart(role, install_set_->FromArchive != 0, IsTemporaryCopy(program_, TempFolder())))
    ScheduleOwnDeletion();
}

void Startup::ScheduleOwnDeletion() {
  if (ScheduleDeleteAtRestart(program_)) {
    if (log_) log_->Line("this temporary copy " + program_ + " is deleted at the next restart");
  } else {
    const std::string reason = SystemErrorText(GetLastError());
    if (log_)
      log_->Line("this temporary copy " + program_ + " could not be registered for deletion at restart (" + reason +
                 "); a later start of install.exe deletes it");
  }
}

bool Startup::RestartElevated(const TWizardChoices& choices, unsigned long* error) {
  TRunSwitches restart;
  restart.log = switches_.log;
  restart.disc_folders = switches_.disc_folders;
  restart.elevated_for = CurrentAccountSid();
  if (restart.elevated_for.empty()) {
    *error = GetLastError();
    return false;
  }
  if (install_set_->UninstallMode) {
    restart.delete_save = choices.delete_save;
  } else {
    restart.dir = choices.install_folder;
    restart.components_given = true;
    restart.data = choices.data;
    restart.sound = choices.sound;
    restart.movie = choices.movie;
    restart.disc = choices.all_disks ? TRunSwitches::Discs::kAll : TRunSwitches::Discs::kThis;
  }
  // The run is for the same folder or archive as this one: the medium, a
  // named archive, or the installation of an uninstaller.
  const std::string folder = params_.empty() ? RemoveTrailingDelimiter(ExtractFilePath(program_)) : params_[0];
  const std::string parameters = ::HandOverParameters(folder, restart);
  if (log_) log_->Line("starting " + program_ + " with administrator rights: " + parameters);
  return elevated_run_.Start(program_, parameters, error);
}

bool Startup::WaitForInstanceMutex(const std::string& name) const {
  for (int i = 0; i < 300 && MutexExists(name); ++i) Sleep(100);
  return !MutexExists(name);
}

int Startup::HandOverToElevatedRun(int code) {
  if (!switches_.WantsExitCode()) return code;
  unsigned long elevated_code = 0;
  return elevated_run_.Wait(&elevated_code) ? static_cast<int>(elevated_code) : kExitFailed;
}

int Startup::HandOver(int code) {
  if (run_after_exit_.empty()) return code;
  if (hand_over_copy_ && switches_.WantsExitCode()) {
    // This process waits, and an uninstaller's copy removes the folder this
    // program came from: neither may hold it as its current folder.
    SetCurrentDirectoryW(enc::Wide(ExtractFilePath(run_after_exit_)).c_str());
    unsigned long copy_code = 0;
    if (RunAndWait(run_after_exit_, run_parameters_, &copy_code)) return static_cast<int>(copy_code);
    Warn(Format("プログラムを実行できませんでした\r\n%s", SystemErrorText(GetLastError()).c_str()));
    return kExitFailed;
  }
  const int r = ShellOpen(run_after_exit_, run_parameters_, "", SW_SHOW);
  if (r <= 32) Warn(Format("プログラムを実行できませんでした\r\nエラーコード[%d]", r));
  return code;
}

int Startup::Run() {
  // Every file this program opens names its access explicitly, so files on a
  // read-only medium open for reading without a process-wide default mode.
  program_ = ProgramFileName();
  leftovers_ = RemoveLeftoverCopies(TempFolder(), program_);
  if (switches_.verify) {
    // Reads the installation only: no instance lock, and a damaged install.dat
    // is part of the report rather than an error of the start.
    CheckSwitchesForRole(switches_, true);
    OpenLog();
    TPackageFacts facts;
    facts.program = program_;
    facts.has_parameter = !params_.empty();
    if (facts.has_parameter) facts.parameter = params_[0];
    return RunVerify(VerifyFolder(facts), log_.get());
  }
  facts_ = PackageFacts();
  place_ = LocatePackage(facts_);

  install_set_ = std::make_unique<TZefoInstallSet>();

  switch (place_.settings) {
    case TSettingsPlace::kProgramResource:
      LoadSettingsFromArchive([&](TVrFileCollection& a) { a.OpenResource(program_, "DUMMY", "BINTYPE"); });
      break;
    case TSettingsPlace::kProgramTrailer:
      LoadSettingsFromArchive([&](TVrFileCollection& a) { a.Open(program_); });
      break;
    case TSettingsPlace::kArchiveFile:
      LoadSettingsFromArchive([&](TVrFileCollection& a) { a.Open(place_.source_path); });
      break;
    case TSettingsPlace::kFolder: {
      const std::string settings_file = SettingsFileIn(place_);
      if (fs::FileExists(settings_file)) {
        install_set_->LoadFromFile(settings_file);
      } else if (std::optional<TZefoInstallSet> orphaned = SettingsFromEntryOf(ExtractFilePath(settings_file))) {
        // The uninstaller's settings file went while the entry that names it
        // stayed: it still removes what the entry and its records name.
        *install_set_ = std::move(*orphaned);
      } else {
        Warn("インストール設定ファイルがありません");
        return Unattended() ? kExitNoSettings : kExitSuccess;
      }
      break;
    }
  }
  CheckSwitchesForRole(switches_, install_set_->UninstallMode != 0);
  // Settings that would stop an installation half-way are refused before
  // anything is locked or written. An uninstaller is never refused: it must
  // still remove what an earlier program installed.
  if (!install_set_->UninstallMode) {
    if (const std::optional<TSettingsProblem> refusal = InstallRefusal(*install_set_)) {
      Warn(RefusalText(*refusal));
      // A run that tells its outcome by its exit code, a logged wizard's too,
      // must not end as if it had installed.
      return switches_.WantsExitCode() ? kExitNoSettings : kExitSuccess;
    }
  }

  // A running game holds a mutex named after its install folder.
  const std::string install_path = install_set_->ReadValue("InstallPath", "");
  const int busy = Unattended() ? kExitBusy : kExitSuccess;
  const char* const kBusy = "ゲームまたはインストーラーが実行中です";
  if (!install_path.empty() && MutexExists(RunningGameMutexName(install_path))) {
    if (Unattended()) Report(kBusy, mtWarning);
    return busy;
  }

  const std::string instance = InstanceMutexName(install_set_->Title);
  // The run that asked for this restart ends once the restart has started.
  if (!switches_.elevated_for.empty()) WaitForInstanceMutex(instance);
  if (MutexExists(instance)) {
    if (Unattended()) Report(kBusy, mtWarning);
    return busy;
  }
  instance_mutex_ = NamedMutex::Create(instance);
  if (!instance_mutex_.IsHeld()) {
    if (Unattended()) Report(kBusy, mtWarning);
    return busy;
  }

  const TRunRole role = ChooseRole(RoleFacts());
  int code = kExitSuccess;
  switch (role) {
    case TRunRole::kSilentUninstall:
      OpenLog();
      code = RunSilentUninstall(WizardContext(), switches_);
      break;
    case TRunRole::kUninstallHandOver:
      if (!MakeTemporaryCopy()) {
        Warn("ファイルをコピーできません");
        return switches_.WantsExitCode() ? kExitFailed : kExitSuccess;
      }
      break;
    case TRunRole::kUninstallWizard:
      OpenLog();
      DeleteOwnCopyAtRestart(role);
      code = WizardExitCode(RunWizard(WizardContext()));
      break;
    default:
      OpenGameArchive();
      code = RunWithArchive(role);
      break;
  }

  if (elevated_run_.Started()) {
    // The log is the elevated run's now, and so is the instance mutex.
    if (log_) log_->Line("this run ends; the run with administrator rights continues");
    log_.reset();
    Release();
    return HandOverToElevatedRun(code);
  }
  // The instance mutex goes before the hand-over: the temporary copy takes it.
  Release();
  return HandOver(code);
}

int Startup::WizardExitCode(const WizardResult& result) const {
  // Runs started without switches end with 0, whatever the person did; a
  // run that an elevated one continues ends with that one's code.
  if (switches_.log.empty() || result.handed_to_elevated) return kExitSuccess;
  if (result.verify_failed) return kExitVerifyFailed;
  if (result.work_failed) return kExitFailed;
  return result.modal_result == mrOk ? kExitSuccess : kExitCancelled;
}

int Startup::RunReported() {
  try {
    return Run();
  } catch (const ESwitchError& e) {
    Report(e.what(), mtWarning);
    return kExitBadSwitches;
  } catch (const std::exception& e) {
    // Whatever stopped the start shows in the error box; the process ends
    // without hand-over, everything released on the way out.
    Report(e.what(), mtError);
    return kExitFailed;
  }
}

int Startup::RunWithArchive(TRunRole role) {
  switch (role) {
    case TRunRole::kSilentInstallHandOver:
      if (MakeTemporaryCopy()) return kExitSuccess;  // the copy's code, after the hand-over
      Report("ファイルをコピーできません", mtWarning);
      return kExitFailed;
    case TRunRole::kSilentInstall:
      OpenLog();
      DeleteOwnCopyAtRestart(role);
      return RunSilentInstall(WizardContext(), switches_);
    case TRunRole::kInstallWizard:
      OpenLog();
      DeleteOwnCopyAtRestart(role);
      return WizardExitCode(RunWizard(WizardContext()));
    default:
      return RunLauncher();
  }
}

int Startup::RunLauncher() {
  WriteCdDrive();
  const LauncherResult launcher = ShowLauncherWindow(WizardContext());
  switch (AfterLauncher(launcher.ok, launcher.launcher_choice, install_set_->FromArchive != 0)) {
    case TLauncherFollowUp::kNothing:
      return kExitSuccess;  // ends without hand-over
    case TLauncherFollowUp::kStartGame:
      run_after_exit_ = GameProgram(install_set_->ReadValue("InstallPath", ""), install_set_->GameExe);
      run_parameters_.clear();
      return kExitSuccess;
    case TLauncherFollowUp::kInstallWizard:
      OpenLog();
      return WizardExitCode(RunWizard(WizardContext()));
    case TLauncherFollowUp::kInstallHandOver:
      if (!MakeTemporaryCopy()) {
        Warn("ファイルをコピーできません");
        if (switches_.WantsExitCode()) return kExitFailed;
      }
      return kExitSuccess;
  }
  return kExitSuccess;
}

// A refused command line that still names a log (one the system can
// create) gets the reason there too: whoever reads the log learns why the run
// did nothing.
void LogRefusal(const std::vector<std::string>& params, const std::string& reason) {
  try {
    const TRunSwitches switches = ParseSwitches(params);
    if (switches.log.empty()) return;
    const std::string file = FullPathName(switches.log);
    if (file.empty()) return;
    TRunLog log(file, "install.exe");
    log.Error(reason);
  } catch (const EError&) {
    // No log can be written: the reason goes where the refusal goes.
  }
}

}  // namespace

int RunStartup(const std::vector<std::string>& params, const std::u16string& unspellable) {
  TRunSwitches switches;
  try {
    if (!unspellable.empty()) {
      const std::string reason = "コマンドラインに使えない文字が含まれています: " + enc::CodePointName(unspellable);
      LogRefusal(params, reason);
      throw ESwitchError(reason);
    }
    switches = ParseSwitches(params);
    if (!switches.log.empty()) {
      // Made absolute here: a temporary copy runs in another folder.
      const std::string full = FullPathName(switches.log);
      if (full.empty()) throw ESwitchError("ログファイルの名前が正しくありません: " + switches.log);
      switches.log = full;
    }
  } catch (const ESwitchError& e) {
    // A command line that asks for no window, even a malformed one, never
    // shows one: its errors go to the parent's output.
    if (AsksForNoWindow(params)) WriteToParentConsole(e.what());
    else MessageDlg(e.what(), mtWarning, mbOK);
    return kExitBadSwitches;
  }
  if (switches.help) {
    TParentOutput output;
    if (output.Available()) output.Line(SwitchHelpText());
    else MessageDlg(SwitchHelpText(), mtInformation, mbOK);
    return kExitSuccess;
  }

  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int code = 0;
  {
    Startup startup(std::move(switches));
    code = startup.RunReported();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}
