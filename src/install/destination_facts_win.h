// What the system tells about an install folder before anything is written
// there: the folder it really is, the protected folders as the uninstaller
// finds them, what claims it as another installation's, the names the
// package would put there, and whether this process may write. The verdict
// is JudgeDestination's (destination.h); nothing here decides.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/run_log.h"
#include "install/destination.h"
#include "install/elevation.h"
#include "install/wizard_context.h"

// folder (normal form) as the file system names it, links followed and
// short names expanded; a folder not there yet is its nearest existing
// ancestor's real name with the rest appended. Nothing when a part that is
// there cannot be opened (a link to nowhere, a folder denied).
std::optional<std::u16string> FinalFolderOf(const std::string& folder);

// The uninstaller's rule on a real folder, with the Windows folder and the
// kept folders (Program Files, the profile, documents ...) taken by their
// text, by their own name and by the folder a link of theirs leads to.
bool RemovableRealFolder(const std::string& folder);

// What claims target (trailing delimiter) other than the installation of
// settings' own title and key.
TFolderClaims ClaimsOn(const std::string& target, const TZefoInstallSet& settings);

// The names the package on this disc installs, relative to the folder: its
// fixed files, the loose files of the medium it copies, or the archive's
// separate entries.
std::vector<std::string> InstalledNamesOf(const TWizardContext& context);

// Every fact of the folder page's and /dir='s judgement of folder_text, for
// a run that builds a data file when builds_data (the data component chosen).
TDestinationFacts DestinationFactsFor(const TWizardContext& context, const std::string& folder_text,
                                      int64_t need_bytes, bool builds_data);

// The rights trial in folder: its access, with a trial folder it could not
// remove again logged (when there is a log).
TFolderAccess TrialFolderAccess(const std::string& folder, TRunLog* log);
