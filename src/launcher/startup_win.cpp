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
#include "base/sjis.h"
#include "forms/message_dialog_win.h"
#include "launcher/exit_codes.h"
#include "launcher/globals_win.h"
#include "launcher/leftover_copies_win.h"
#include "launcher/running_game.h"
#include "launcher/silent_run_win.h"
#include "launcher/switches.h"
#include "launcher/temporary_program.h"
#include "launcher/verify_run_win.h"
#include "launcher/windows_win.h"
#include "os/console_win.h"
#include "os/files_win.h"
#include "os/mutex_win.h"
#include "os/shell_win.h"
#include "os/system_error_win.h"
#include "settings/install_set.h"
#include "settings/package_rules.h"

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
  // The parameters a temporary copy is started with: the folder, then the switches.
  std::string HandOverParameters(const std::string& folder) const;
  bool ProbeResource() const;
  // Settings from the install.dat entry of an archive that open() opens.
  void LoadSettingsFromArchive(const std::function<void(TVrFileCollection&)>& open);
  void OpenGameArchive();
  // The roles with an archive: the wizard at once, or the launcher and what it chose.
  int RunWithArchive();
  bool ProbeTrailer() const;
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
  // A silent install from the medium hands over to a temporary copy, as the
  // launcher's install does, so the medium's drive stays free for the next disc.
  bool SilentRunHandsOver() const;
  // What the wizard works on: the settings, the archive and the folder of the run.
  TWizardContext WizardContext() const;
  // This program is a temporary copy that an earlier run made of itself.
  bool IsOwnTemporaryCopy() const;

  TRunSwitches switches_;
  std::vector<std::string> params_;
  std::unique_ptr<TRunLog> log_;
  std::string program_;  // full name of the running program file
  std::string source_path_;
  std::string run_after_exit_;
  std::string run_parameters_;
  int launcher_choice_ = 0;
  bool hand_over_copy_ = false;  // run_after_exit_ is a temporary copy of this program
  TLeftoverCopies leftovers_;
  bool resource_archive_ = false;
  bool trailer_archive_ = false;
  NamedMutex instance_mutex_;
  std::unique_ptr<TZefoInstallSet> install_set_;
  std::unique_ptr<TVrFileCollection> game_archive_;
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

bool Startup::MakeTemporaryCopy() {
  const std::string temp = TempFolder();
  run_parameters_ = HandOverParameters(AddTrailingDelimiter(ExtractFilePath(program_)));
  for (int attempt = 0; attempt < kTemporaryProgramNames; ++attempt) {
    run_after_exit_ = temp + TemporaryProgramName(attempt);
    ClearFileAttributes(run_after_exit_, kFaReadOnly);
    if (CopyFileW(enc::Wide(program_).c_str(), enc::Wide(run_after_exit_).c_str(), FALSE)) {
      hand_over_copy_ = true;
      return true;
    }
  }
  run_after_exit_.clear();
  run_parameters_.clear();
  return false;
}

void Startup::WriteCdDrive() const {
  const std::string folder = ExtractFilePath(program_);
  install_set_->WriteValue("CDDrive", folder.size() == 3 ? folder.substr(0, 2) : std::string());
}

void Startup::LoadSettingsFromArchive(const std::function<void(TVrFileCollection&)>& open) {
  TVrFileCollection archive;
  open(archive);
  TMemoryStream settings;
  archive.ReadEntry(settings, "install.dat");
  install_set_->LoadFromStream(settings);
}

void Startup::OpenGameArchive() {
  game_archive_ = std::make_unique<TVrFileCollection>();
  GameArchive = game_archive_.get();
  if (resource_archive_) game_archive_->OpenResource(program_, "DUMMY", "BINTYPE");
  else if (trailer_archive_ || install_set_->AddOn) game_archive_->Open(program_);
  else if (fs::FileExists(source_path_)) game_archive_->Open(source_path_);
  else game_archive_->Open(AddTrailingDelimiter(source_path_) + "game.dat");
}

void Startup::Release() {
  GameArchive = nullptr;
  game_archive_.reset();
  instance_mutex_.Release();
  InstallSet = nullptr;
  install_set_.reset();
}

TWizardContext Startup::WizardContext() const {
  TWizardContext c;
  c.settings = install_set_.get();
  c.archive = game_archive_.get();
  c.log = log_.get();
  if (params_.empty()) {
    // The medium is where the program is, also for the next disc.
    c.source_folder = AddTrailingDelimiter(ExtractFilePath(program_));
  } else if (!install_set_->UninstallMode && fs::FileExists(params_[0])) {
    c.source_folder = AddTrailingDelimiter(ExtractFilePath(params_[0]));  // an archive named on the command line
  } else {
    c.source_folder = AddTrailingDelimiter(params_[0]);
  }
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
    log_ = std::make_unique<TRunLog>(switches_.log, "install.exe " + ExtractFileName(program_));
  } catch (const EError&) {
    throw ESwitchError("ログファイルを作成できません: " + switches_.log);
  }
  for (const std::string& file : leftovers_.deleted) log_->Line("deleted an earlier temporary copy: " + file);
  for (const std::string& file : leftovers_.failed) log_->Line("could not delete an earlier temporary copy: " + file);
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

bool Startup::SilentRunHandsOver() const {
  return params_.empty() && !install_set_->FromArchive && !install_set_->AddOn && !install_set_->IsSystemInstall() &&
         !install_set_->UninstallMode;
}

std::string Startup::HandOverParameters(const std::string& folder) const {
  std::string parameters = "\"" + folder + "\"";
  // Each word quoted as a whole: a value may hold blanks.
  for (const std::string& word : SwitchWords(switches_)) parameters += " \"" + word + "\"";
  return parameters;
}

bool Startup::IsOwnTemporaryCopy() const {
  if (!sjis::EqualsNoCase(ExtractFilePath(program_), TempFolder())) return false;
  return IsTemporaryProgramName(ExtractFileName(program_));
}

int Startup::HandOver(int code) {
  if (run_after_exit_.empty()) return code;
  if (hand_over_copy_ && switches_.WantsExitCode()) {
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
    return RunVerify(AddTrailingDelimiter(params_.empty() ? ExtractFilePath(program_) : params_[0]), log_.get());
  }
  resource_archive_ = ProbeResource();
  if (!resource_archive_) trailer_archive_ = ProbeTrailer();

  install_set_ = std::make_unique<TZefoInstallSet>();
  InstallSet = install_set_.get();

  if (resource_archive_) {
    LoadSettingsFromArchive([&](TVrFileCollection& a) { a.OpenResource(program_, "DUMMY", "BINTYPE"); });
  } else if (trailer_archive_) {
    LoadSettingsFromArchive([&](TVrFileCollection& a) { a.Open(program_); });
  } else if (!params_.empty() && fs::FileExists(params_[0])) {
    LoadSettingsFromArchive([&](TVrFileCollection& a) { a.Open(params_[0]); });
    source_path_ = params_[0];
  } else {
    source_path_ = params_.empty() ? ExtractFilePath(program_) : params_[0];
    const std::string settings_file = AddTrailingDelimiter(source_path_) + "install.dat";
    if (!fs::FileExists(settings_file)) {
      Warn("インストール設定ファイルがありません");
      return Unattended() ? kExitNoSettings : kExitSuccess;
    }
    install_set_->LoadFromFile(settings_file);
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
  if (MutexExists(instance)) {
    if (Unattended()) Report(kBusy, mtWarning);
    return busy;
  }
  instance_mutex_ = NamedMutex::Create(instance);
  if (!instance_mutex_.IsHeld()) {
    if (Unattended()) Report(kBusy, mtWarning);
    return busy;
  }

  int code = kExitSuccess;
  if (install_set_->UninstallMode && switches_.silent) {
    OpenLog();
    code = RunSilentUninstall(WizardContext(), switches_, program_);
  } else if (install_set_->UninstallMode) {
    if (params_.empty()) {
      if (!MakeTemporaryCopy()) {
        Warn("ファイルをコピーできません");
        return switches_.WantsExitCode() ? kExitFailed : kExitSuccess;
      }
    } else {
      OpenLog();
      if (IsOwnTemporaryCopy()) ScheduleOwnDeletion();
      code = WizardExitCode(RunWizard(WizardContext()));
    }
  } else {
    OpenGameArchive();
    code = RunWithArchive();
  }

  // The instance mutex goes before the hand-over: the temporary copy takes it.
  Release();
  return HandOver(code);
}

int Startup::WizardExitCode(const WizardResult& result) const {
  // Runs started without switches end with 0, whatever the person did.
  if (switches_.log.empty()) return kExitSuccess;
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

int Startup::RunWithArchive() {
  if (switches_.silent) {
    if (SilentRunHandsOver()) {
      if (MakeTemporaryCopy()) return kExitSuccess;  // the copy's code, after the hand-over
      Report("ファイルをコピーできません", mtWarning);
      return kExitFailed;
    }
    OpenLog();
    if (!install_set_->FromArchive && IsOwnTemporaryCopy()) ScheduleOwnDeletion();
    return RunSilentInstall(WizardContext(), switches_);
  }
  if (!params_.empty() || install_set_->AddOn || install_set_->IsSystemInstall()) {
    // Only the copy this program made of itself goes: the program started
    // from a medium or a download folder is the publisher's file.
    OpenLog();
    if (!install_set_->FromArchive && IsOwnTemporaryCopy()) ScheduleOwnDeletion();
    return WizardExitCode(RunWizard(WizardContext()));
  } else {
    WriteCdDrive();
    const LauncherResult launcher = ShowLauncherWindow();
    if (!launcher.ok) return kExitSuccess;  // ends without hand-over
    launcher_choice_ = launcher.launcher_choice;
    if (launcher_choice_ != 0) {
      if (install_set_->FromArchive) {
        OpenLog();
        return WizardExitCode(RunWizard(WizardContext()));
      } else if (!MakeTemporaryCopy()) {
        Warn("ファイルをコピーできません");
        if (switches_.WantsExitCode()) return kExitFailed;
      }
    } else {
      run_after_exit_ = AddTrailingDelimiter(install_set_->ReadValue("InstallPath", "")) + install_set_->GameExe;
      run_parameters_.clear();
    }
  }
  return kExitSuccess;
}

}  // namespace

int RunStartup(const std::vector<std::string>& params, bool params_exact) {
  TRunSwitches switches;
  try {
    if (!params_exact) throw ESwitchError("コマンドラインに使えない文字が含まれています");
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
