// What a package's settings file must hold, judged from the settings alone:
// the rules install.exe applies before any of its work begins (so a file
// that would make the work fail half-way is refused with nothing written),
// and the advice instdat check gives a publisher besides. Both read the same
// list, so a rule lives here once.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/install_set.h"

struct TSettingsProblem {
  std::string field;  // the settings field at fault ("Title", "GameExe", ...)
  std::string value;  // its value as the file holds it (Shift-JIS), or the number as text
  // One line for a publisher, in English; names inside stay Shift-JIS
  // ("GameExe \"con.exe\": Windows cannot create a file of this name: ...").
  std::string line;
  // install.exe refuses the package: the work would fail or misbehave after
  // it had begun writing. Otherwise it is advice that only the tools give.
  bool refuses_install = false;
};

// Every problem of s, in field order. The refusals:
// - Title is not one plain folder name (IsPlainFolderName): it names the
//   instance lock, the program group and its folder;
// - RegistryKey is not empty and not a key the product can own
//   (OwnedRegistryKeyPath);
// - GameExe or ReadmeFile is not empty and fails the name check (an empty
//   GameExe means no game shortcut and no game start).
// A disc count or disc number outside the set is advice: the work does not
// fail on it (it installs the discs there are, or asks for the disc again).
std::vector<TSettingsProblem> CheckSettingsRules(const TZefoInstallSet& s);

// The first problem that makes install.exe refuse s, or nothing.
std::optional<TSettingsProblem> InstallRefusal(const TZefoInstallSet& s);

// The message install.exe shows or logs for a refusal, naming the field and
// its value (Shift-JIS).
std::string RefusalText(const TSettingsProblem& problem);

// True when title can name a folder of its own (the program group) and a
// named lock, read alike by Windows and the shell: one name that passes the
// name check (no trailing dot or blank, no double quote), without "\" or
// "/", and without a blank (also the ideographic one) at either end.
bool IsPlainFolderName(const std::string& title);

// True when title is one name that passes the name check, without "\" or
// "/": what earlier installations accepted as a title. Such a title that is
// not IsPlainFolderName still names its group's folder exactly, but the
// shell's group commands would read it otherwise.
bool IsSingleFolderName(const std::string& title);

// Why title is read otherwise at its ends ("a blank at either end"), or null.
const char* BlankAtEnd(const std::string& title);

// True when later, the settings found on another disc, belong to the same
// package as first: the same Title, AddOn, FromArchive and DiskCount. The
// copy work is set up for the first disc's settings; a disc that differs in
// any of them is the wrong disc.
bool IsDiscOfSamePackage(const TZefoInstallSet& first, const TZefoInstallSet& later);
