// TShellLink: a shortcut file in one of the shell's special folders, written
// through the shell's own link object (the W interfaces; texts converted with
// code page 932, so Japanese titles and paths survive on any system locale).
#pragma once

#include <cstdint>
#include <string>

#include "base/errors.h"

// The special folder that receives a shortcut; the ordinals are the shell's
// folder numbers (CSIDL).
enum TShellLinkType : int {
  lnkDesktop,
  lnkReserved1,
  lnkPrograms,  // the Start menu's Programs folder
  lnkControls,
  lnkPrinters,
  lnkPersonal,
  lnkFavorites,
  lnkStartup,
  lnkRecent,
  lnkSendTo,
  lnkBitBucket,
  lnkStartMenu,
  lnkReserved2,
  lnkReserved3,
  lnkReserved4,
  lnkReserved5,
  lnkDesktopDirectory,
  lnkDrives,
  lnkNetwork,
  lnkNetHood,
  lnkFonts,
  lnkTemplates,
  lnkCommonStartMenu,
  lnkCommonPrograms,
  lnkCommonStartup,
  lnkCommonDesktopDirectory,
  lnkAppData,
};

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

class EShellLinkError : public EError {
  using EError::EError;
};

class TShellLink {
 public:
  std::string Arguments;
  std::string Description;
  // Key code in the low bits; 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
  uint16_t HotKey = 0;
  int32_t IconIndex = 0;
  TShellLinkType LinkType = lnkDesktop;
  TWindowState WindowState = TWindowState::wsNormal;
  std::string WorkDir;
  std::string SubDir;  // below the special folder; "" for none
  std::string Name;    // the shortcut's file name without ".lnk"

  const std::string& FileName() const { return file_name_; }
  // Sets the target; an empty Description becomes the file's name without
  // folder and extension, an empty WorkDir the file's folder.
  void SetFileName(const std::string& file_name);

  // Writes the shortcut (created or replaced) into LinkType + SubDir, creating
  // that folder with its parents; an empty target is the running program.
  // Throws EShellLinkError: "Error in GetSpecialFolderLocation", "Error in
  // QueryInterface", a SubDir or Name that is no plain relative name, or a
  // shortcut file that cannot be saved.
  void CreateLink();
  // Opens the folder LinkType + SubDir in the shell.
  void OpenFolder();
  // The shortcut file the last CreateLink wrote.
  const std::string& LinkFile() const { return link_file_; }

  // The shell's hot-key word for HotKey (modifier flags moved to 0x100, 0x200, 0x400).
  static uint16_t HotKeyWord(uint16_t hot_key);

 private:
  std::string Folder() const;

  std::string file_name_;
  std::string link_file_;
};

void CreateShortcut(const std::string& name, const std::string& file_name, const std::string& arguments,
                    const std::string& description, const std::string& work_dir, TShellLinkType link_type,
                    const std::string& sub_dir, TWindowState window_state, uint16_t hot_key, int32_t icon_index);
void OpenSpecialFolder(TShellLinkType link_type, const std::string& sub_dir);
