// Observers of the install and uninstall work that need no window:
//
// TLoggedObserver stands in front of another observer (the wizard's page, or
// a silent one) and writes what the work reports to a run log: captions,
// every file written or deleted, warnings and errors, the disc changes, and
// the byte progress at each tenth.
//
// TSilentObserver answers without asking anyone: the work never stops, and a
// disc is looked for once, never by prompting: where the last disc came
// from, on the medium's folder, in each folder of a list, then on the CD-ROM
// and removable drives; when none holds it, the run gives up.
#pragma once

#include <string>
#include <vector>

#include "base/run_log.h"
#include "install/work_observer.h"

class TLoggedObserver : public TWorkObserver {
 public:
  TLoggedObserver(TWorkObserver& inner, TRunLog& log) : inner_(inner), log_(log) {}

  void Caption(const std::string& text) override;
  void Status(const std::string& text) override { inner_.Status(text); }
  void ByteProgress(int64_t done, int64_t total) override;
  void ItemProgress(int32_t index, int32_t last) override { inner_.ItemProgress(index, last); }
  void HideProgress() override { inner_.HideProgress(); }
  bool StopRequested() override;
  bool AskForDisc(int number, const std::function<bool()>& disc_in) override;
  std::vector<std::string> DiscFolders() override { return inner_.DiscFolders(); }
  void Warn(const std::string& text) override;
  void Inform(const std::string& text) override;
  void Error(const std::string& text) override;
  void Pause(int milliseconds) override { inner_.Pause(milliseconds); }
  void BringToFront() override { inner_.BringToFront(); }
  void OpenReadme(const std::string& file, const std::string& folder) override;
  void Note(const std::string& text) override;

 private:
  TWorkObserver& inner_;
  TRunLog& log_;
  int last_tenth_ = -1;
  int64_t last_end_ = -1;  // the figure of the last "100%" line
  bool stop_logged_ = false;
};

class TSilentObserver : public TWorkObserver {
 public:
  // medium_folder: where the run started; disc_folders: the other places to look.
  TSilentObserver(std::string medium_folder, std::vector<std::string> disc_folders)
      : medium_folder_(std::move(medium_folder)), disc_folders_(std::move(disc_folders)) {}

  void Caption(const std::string&) override {}
  void Status(const std::string&) override {}
  void ByteProgress(int64_t, int64_t) override {}
  void ItemProgress(int32_t, int32_t) override {}
  void HideProgress() override {}
  bool StopRequested() override { return false; }
  // The first call for a disc lets the work look once; a second call for
  // the same disc means it was nowhere, and the run gives up.
  bool AskForDisc(int number, const std::function<bool()>& disc_in) override;
  std::vector<std::string> DiscFolders() override;
  void Warn(const std::string&) override {}
  void Inform(const std::string&) override {}
  void Pause(int) override {}
  void BringToFront() override {}

 private:
  std::string medium_folder_;
  std::vector<std::string> disc_folders_;
  int disc_ = 0;
};
