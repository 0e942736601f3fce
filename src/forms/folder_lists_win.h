// The folder list and the drive list of the install-folder page.
//
// TDirectoryListBox shows the folders of its path from the root down (open
// folders) and the sub-folders of the current folder (closed folders); a
// double click moves into a folder. Changing the folder also makes it the
// process's current folder. TDriveComboBox lists the drives and moves its
// bound folder list to the drive chosen.
#pragma once

#include <vector>

#include "forms/control_win.h"

class TDirectoryListBox : public TControl {
 public:
  struct Args {
    ControlBounds bounds;
    int item_height = 16;
    int id = 0;
  };
  TDirectoryListBox(TWinContainer* parent, const Args& args);

  // The current folder ("C:\" for a root, else without trailing delimiter).
  const std::string& Directory() const { return directory_; }
  // Moves to path (made absolute); false, and nothing changes, when it is not a folder.
  bool SetDirectory(const std::string& path);
  // Moves to the current folder of drive letter (its root when it has none).
  bool SetDrive(char letter);
  // The folder of the list entry at index (for the driver of tests, the same as a user reads it).
  std::string ItemPath(int index) const;
  int ItemCount() const { return static_cast<int>(items_.size()); }

  std::function<void()> OnChange;

  void HandleCommand(WORD code) override;
  bool HandleDrawItem(const DRAWITEMSTRUCT& item) override;
  void ApplyDpi() override;

 private:
  struct Item {
    std::string path;
    std::string name;
    int level;
    bool open;  // on the path (an open folder) rather than a sub-folder
  };
  void Rebuild();

  std::string directory_;
  std::vector<Item> items_;
  int item_height_;  // design pixels
};

class TDriveComboBox : public TControl {
 public:
  struct Args {
    ControlBounds bounds;
    int id = 0;
  };
  TDriveComboBox(TWinContainer* parent, const Args& args);

  // Upper-case drive letter shown, or 0.
  char Drive() const { return drive_; }
  // Selects the drive, moves the bound folder list there and reports OnChange.
  void SetDrive(char letter);
  void SetDirList(TDirectoryListBox* list) { dir_list_ = list; }

  std::function<void()> OnChange;
  void HandleCommand(WORD code) override;
  void ApplyDpi() override;

 protected:
  // The window of a drop-down list is as high as the open list.
  RECT PixelRect() const override;

 private:
  void SetItemHeight();
  std::vector<char> letters_;
  char drive_ = 0;
  TDirectoryListBox* dir_list_ = nullptr;
};
