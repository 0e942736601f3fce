#include "launcher/startup_rules.h"

#include "base/paths.h"
#include "base/sjis.h"
#include "install/temporary_program.h"

TPackagePlace LocatePackage(const TPackageFacts& facts) {
  TPackagePlace place;
  if (facts.resource_archive) {
    place.settings = TSettingsPlace::kProgramResource;
  } else if (facts.trailer_archive) {
    place.settings = TSettingsPlace::kProgramTrailer;
  } else if (facts.has_parameter && facts.parameter_is_file) {
    place.settings = TSettingsPlace::kArchiveFile;
    place.source_path = facts.parameter;
  } else {
    place.settings = TSettingsPlace::kFolder;
    place.source_path = facts.has_parameter ? facts.parameter : ExtractFilePath(facts.program);
  }
  return place;
}

std::string SettingsFileIn(const TPackagePlace& place) { return AddTrailingDelimiter(place.source_path) + "install.dat"; }

TGameArchivePlace LocateGameArchive(const TPackagePlace& place, const std::string& program, bool add_on) {
  TGameArchivePlace archive;
  if (place.settings == TSettingsPlace::kProgramResource) {
    archive.resource = true;
    archive.file = program;
  } else if (place.settings == TSettingsPlace::kProgramTrailer || add_on) {
    archive.file = program;
  } else if (place.settings == TSettingsPlace::kArchiveFile) {
    archive.file = place.source_path;
  } else {
    archive.file = AddTrailingDelimiter(place.source_path) + "game.dat";
  }
  return archive;
}

std::string SourceFolder(const TPackageFacts& facts, bool uninstall_mode) {
  // The medium is where the program is, also for the next disc.
  if (!facts.has_parameter) return AddTrailingDelimiter(ExtractFilePath(facts.program));
  // An archive named on the command line: its folder.
  if (!uninstall_mode && facts.parameter_is_file) return AddTrailingDelimiter(ExtractFilePath(facts.parameter));
  return AddTrailingDelimiter(facts.parameter);
}

std::string VerifyFolder(const TPackageFacts& facts) {
  return AddTrailingDelimiter(facts.has_parameter ? facts.parameter : ExtractFilePath(facts.program));
}

TRunRole ChooseRole(const TRoleFacts& f) {
  if (f.uninstall_mode) {
    if (f.silent) return TRunRole::kSilentUninstall;
    return f.has_parameter ? TRunRole::kUninstallWizard : TRunRole::kUninstallHandOver;
  }
  if (f.silent) {
    const bool loose_medium = !f.has_parameter && !f.from_archive && !f.add_on && !f.system_install;
    return loose_medium ? TRunRole::kSilentInstallHandOver : TRunRole::kSilentInstall;
  }
  if (f.has_parameter || f.add_on || f.system_install || f.elevated_restart) return TRunRole::kInstallWizard;
  return TRunRole::kLauncher;
}

TLauncherFollowUp AfterLauncher(bool closed_with_ok, int launcher_choice, bool from_archive) {
  if (!closed_with_ok) return TLauncherFollowUp::kNothing;
  if (launcher_choice == 0) return TLauncherFollowUp::kStartGame;
  return from_archive ? TLauncherFollowUp::kInstallWizard : TLauncherFollowUp::kInstallHandOver;
}

int LauncherDefaultChoice(bool game_installed) { return game_installed ? 0 : 1; }

std::string GameProgram(const std::string& install_path, const std::string& game_exe) {
  return AddTrailingDelimiter(install_path) + game_exe;
}

bool IsTemporaryCopy(const std::string& program, const std::string& temp_folder) {
  return sjis::EqualsNoCase(ExtractFilePath(program), temp_folder) && IsTemporaryProgramName(ExtractFileName(program));
}

bool DeletesItselfAtRestart(TRunRole role, bool from_archive, bool temporary_copy) {
  if (!temporary_copy) return false;
  switch (role) {
    case TRunRole::kUninstallWizard: return true;
    case TRunRole::kSilentInstall:
    case TRunRole::kInstallWizard: return !from_archive;
    default: return false;
  }
}

std::string CdDriveOf(const std::string& program) {
  const std::string folder = ExtractFilePath(program);
  return folder.size() == 3 ? folder.substr(0, 2) : std::string();
}

std::string HandOverParameters(const std::string& folder, const TRunSwitches& switches) {
  std::string parameters = "\"" + folder + "\"";
  for (const std::string& word : SwitchWords(switches)) parameters += " \"" + word + "\"";
  return parameters;
}
