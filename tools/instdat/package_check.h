// What instdat knows about a package beyond the settings file: the sizes of
// its components as one disc's archive and medium give them, and the checks
// that catch a package the program would refuse or mishandle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/vrfiles.h"
#include "settings/install_set.h"

struct ComponentSizes {
  int64_t program = 0, data = 0, sound = 0, movie = 0;
};

// Sound (.mp2 .mp3 .wma .wav .mid .ogg), movie (.avi .wmv .asf .mpg .mpeg)
// or other, by the extension of a Shift-JIS name, ignoring case.
TFileKind ClassifyExtension(const std::string& name);

// The installed bytes of one disc, as the wizard counts its components:
// data is every archive entry that is merged into the data file (not loose;
// its stored size); program, sound and movie are the separate files by their
// extension: with FromArchive the archive's loose entries (install.dat left
// out), otherwise the CopyFiles found in medium_folder (Shift-JIS, with a
// trailing delimiter). A CopyFiles name missing there is added to *missing.
// The entry install.dat is never counted, loose or not: it is the settings
// file that holds these sizes (an add-on carries its own in its archive), so
// counting it would change them with every build.
ComponentSizes SizesOfDisc(TVrFileCollection& archive, const TZefoInstallSet& s, const std::string& medium_folder,
                           std::vector<std::string>* missing);

// Sets disc i's sizes and the totals (the sums over all discs).
void SetDiscSizes(TZefoInstallSet& s, int32_t disc, const ComponentSizes& sizes);
void SetTotals(TZefoInstallSet& s);

// The problems of a package's settings, one UTF-8 line each, empty when
// none. archive (may be null) is the archive of disc DiskIndex, opened from
// medium_folder; archive_utf8 is its name as the user gave it. An add-on
// (add_on, or AddOn set in s) is checked as one: its program is the archive,
// which carries these settings as the entry install.dat, and the game's
// program and uninstaller belong to the installation it is added to.
std::vector<std::string> CheckPackage(const TZefoInstallSet& s, TVrFileCollection* archive,
                                      const std::string& archive_utf8, const std::string& medium_folder,
                                      bool add_on = false);
