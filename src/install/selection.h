// The wizard's choices, as rules without windows: which page a run starts on,
// which component boxes show, how many bytes the chosen components need, the
// texts of the size labels, which folder is proposed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "settings/install_set.h"

// Page indices of the wizard's notebook.
enum WizardPage : int {
  kPageInst = 0,
  kPageMedia = 1,
  kPageFile = 2,
  kPageSelDir = 3,
  kPageConfirm = 4,
  kPageCopy = 5,
  kPageExit = 6,
  kPageUninst = 7,
  kPageDelete = 8,
  kPageExitDel = 9,
  kLastPage = kPageExitDel,
};

constexpr char kSoundExtensions[] = ".mp2.mp3.wma.wav.mid.ogg";
constexpr char kMovieExtensions[] = ".avi.wmv.asf.mpg.mpeg";

// Sound or movie when the lower-cased extension (dot included) is found
// anywhere in the sound list, else in the movie list; "" is other.
TFileKind ClassifyExtension(const std::string& extension);

// First page of an install run: 4 for a system install, 3 for an add-on or a
// preselected install, 1 on the first disk of a set, else 2.
int FirstPageOf(const TZefoInstallSet& s);

// RadioDiskAll starts ticked on the first disk of a set of two or more.
bool AllDisksPreselected(const TZefoInstallSet& s);

struct ComponentChoice {
  bool all_disks = false;
  bool data = false;
  bool sound = false;
  bool movie = false;
};

struct ComponentVisibility {
  bool data = false;
  bool sound = false;
  bool movie = false;
};

// A box shows when its component has bytes: over all disks, or on this disk.
ComponentVisibility VisibleComponents(const TZefoInstallSet& s, bool all_disks);

// Bytes the chosen components need: everything for an add-on; the totals with
// all disks or a preselected install; else the sizes of this disk.
int64_t CalcNeedBytes(const TZefoInstallSet& s, const ComponentChoice& choice);

// "最低 %.2f MBのディスクの空き容量が必要です" (the component page) and
// "インストールには最低 ..." (the folder page), for a byte count.
std::string ComponentSizeText(int64_t need_bytes);
std::string FolderSizeText(int64_t need_bytes);
// "このドライブには 1,234 MBの空きがあります".
std::string DriveFreeText(int32_t free_mb);

struct ProgressBarRange {
  int32_t max = 0;
  int32_t position = 0;
};
// The progress bar for done of total bytes: units of 10 bytes (the bar's
// range is 32-bit), coarser when the total needs it; done is kept within 0..total.
ProgressBarRange ByteProgressRange(int64_t done, int64_t total);

// Whole MiB of a byte count, truncated (1.9 MiB counts as 1).
int64_t WholeMiB(int64_t bytes);

struct FolderProposal {
  std::string edit_text;    // EditDir before the lists move
  std::string sub_folder;   // appended to whatever folder the list shows
  char drive = 0;           // the drive the drive list selects
  std::string list_folder;  // the existing folder the folder list points at; "" for none
};

// The proposed install folder. install_path: "InstallPath" from the registry;
// program_files: the Program Files folder; windows_folder: the Windows folder.
FolderProposal ProposeFolder(const TZefoInstallSet& s, const std::string& install_path,
                             const std::string& program_files, const std::string& windows_folder,
                             const std::function<bool(const std::string&)>& directory_exists);

// An add-on goes into an existing installation of its title: target_dir
// (with a trailing delimiter) holds a readable install.dat with that Title.
bool HoldsInstallationOf(const std::string& target_dir, const std::string& title);
// The names the installation of title in target_dir records (its install.dat
// with the uninstaller's flag); empty when there is none or it cannot be read.
std::vector<std::string> RecordedNamesOf(const std::string& target_dir, const std::string& title);

// EditDir after the folder list moved to list_folder.
std::string EditTextForFolder(const std::string& list_folder, const std::string& sub_folder);
