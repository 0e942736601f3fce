#include "launcher/startup_win.h"

#include <windows.h>
#include <objbase.h>

#include <functional>
#include <memory>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/os_file.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "forms/message_dialog_win.h"
#include "launcher/globals_win.h"
#include "launcher/running_game.h"
#include "launcher/windows_win.h"
#include "os/files_win.h"
#include "os/mutex_win.h"
#include "os/shell_win.h"
#include "settings/install_set.h"

namespace {

constexpr int kCopyAttempts = 100;

class Startup {
 public:
  explicit Startup(std::vector<std::string> params) : params_(std::move(params)) {}
  ~Startup() { Release(); }

  int Run();

 private:
  bool ProbeResource() const;
  // Settings from the install.dat entry of an archive that open() opens.
  void LoadSettingsFromArchive(const std::function<void(TVrFileCollection&)>& open);
  void OpenGameArchive();
  // The roles with an archive: the wizard at once, or the launcher and what it chose.
  void RunWithArchive();
  bool ProbeTrailer() const;
  bool MakeTemporaryCopy();
  void WriteCdDrive() const;
  void Warn(const std::string& text) const { MessageDlg(text, mtWarning, mbOK); }
  // Releases in the fixed order: the archive, the instance mutex, the settings.
  void Release();
  void HandOver() const;
  // What the wizard works on: the settings, the archive and the folder of the run.
  TWizardContext WizardContext() const;
  // This program is a temporary copy that an earlier run made of itself.
  bool IsOwnTemporaryCopy() const;

  std::vector<std::string> params_;
  std::string program_;  // full name of the running program file
  std::string source_path_;
  std::string run_after_exit_;
  std::string run_parameters_;
  int launcher_choice_ = 0;
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
  run_after_exit_ = temp + "~zinstall.exe";
  run_parameters_ = "\"" + AddTrailingDelimiter(ExtractFilePath(program_)) + "\"";
  ClearFileAttributes(run_after_exit_, kFaReadOnly);
  for (int n = 0; n < kCopyAttempts; ++n) {
    if (CopyFileW(enc::Wide(program_).c_str(), enc::Wide(run_after_exit_).c_str(), FALSE)) return true;
    run_after_exit_ = temp + Format("~zinstall%d.exe", n);
    ClearFileAttributes(run_after_exit_, kFaReadOnly);
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

bool Startup::IsOwnTemporaryCopy() const {
  if (!sjis::EqualsNoCase(ExtractFilePath(program_), TempFolder())) return false;
  const std::string name = sjis::AsciiLower(ExtractFileName(program_));
  if (name == "~zinstall.exe") return true;
  for (int n = 0; n < kCopyAttempts; ++n) {
    if (name == Format("~zinstall%d.exe", n)) return true;
  }
  return false;
}

void Startup::HandOver() const {
  if (run_after_exit_.empty()) return;
  const int r = ShellOpen(run_after_exit_, run_parameters_, "", SW_SHOW);
  if (r <= 32) Warn(Format("プログラムを実行できませんでした\r\nエラーコード[%d]", r));
}

int Startup::Run() {
  // Every file this program opens names its access explicitly, so files on a
  // read-only medium open for reading without a process-wide default mode.
  program_ = ProgramFileName();
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
      return 0;
    }
    install_set_->LoadFromFile(settings_file);
  }

  // A running game holds a mutex named after its install folder.
  const std::string install_path = install_set_->ReadValue("InstallPath", "");
  if (!install_path.empty() && MutexExists(RunningGameMutexName(install_path))) return 0;

  if (MutexExists(install_set_->Title)) return 0;
  instance_mutex_ = NamedMutex::Create(install_set_->Title);
  if (!instance_mutex_.IsHeld()) return 0;

  if (install_set_->UninstallMode) {
    if (params_.empty()) {
      if (!MakeTemporaryCopy()) {
        Warn("ファイルをコピーできません");
        return 0;
      }
    } else {
      if (IsOwnTemporaryCopy()) ScheduleDeleteAtRestart(program_);
      RunWizard(WizardContext());
    }
  } else {
    OpenGameArchive();
    RunWithArchive();
  }

  // The instance mutex goes before the hand-over: the temporary copy takes it.
  Release();
  HandOver();
  return 0;
}

void Startup::RunWithArchive() {
  if (!params_.empty() || install_set_->AddOn || install_set_->InstallKind == 2) {
    // Only the copy this program made of itself goes: the program started
    // from a medium or a download folder is the publisher's file.
    if (!install_set_->FromArchive && IsOwnTemporaryCopy()) ScheduleDeleteAtRestart(program_);
    RunWizard(WizardContext());
  } else {
    WriteCdDrive();
    const LauncherResult launcher = ShowLauncherWindow();
    if (!launcher.ok) return;  // ends without hand-over
    launcher_choice_ = launcher.launcher_choice;
    if (launcher_choice_ != 0) {
      if (install_set_->FromArchive) {
        RunWizard(WizardContext());
      } else if (!MakeTemporaryCopy()) {
        Warn("ファイルをコピーできません");
      }
    } else {
      run_after_exit_ = AddTrailingDelimiter(install_set_->ReadValue("InstallPath", "")) + install_set_->GameExe;
      run_parameters_.clear();
    }
  }
}

}  // namespace

int RunStartup(const std::vector<std::string>& params) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int code = 0;
  try {
    Startup startup(params);
    code = startup.Run();
  } catch (const std::exception& e) {
    // Whatever stopped the start shows in the error box; the process ends
    // without hand-over, everything released on the way out.
    TApplication::Instance().ShowException(e);
    code = 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}
