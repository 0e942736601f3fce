// TFormType: the install and uninstall wizard. A notebook of ten pages under
// three buttons (Back, Next, Abort); ShowPage switches pages and does each
// page's entry work, the copy and the deletion among them.
//
//   install:    FirstPage -> ... -> 4 (confirm) -> 5 (copy) -> 6 (done)
//   uninstall:  7 (uninst) -> 8 (delete) -> 6 (done)
#pragma once

#include <cstdint>
#include <string>

#include "forms/bevel_win.h"
#include "forms/button_win.h"
#include "forms/edit_win.h"
#include "forms/folder_lists_win.h"
#include "forms/form_win.h"
#include "forms/label_win.h"
#include "forms/notebook_win.h"
#include "forms/progress_bar_win.h"
#include "install/destination.h"
#include "install/selection.h"
#include "install/wizard_context.h"
#include "install/work_observer.h"

// Control identifiers, for whoever works the wizard from outside.
enum WizardControlId : int {
  kIdBtnBack = 201,
  kIdBtnNext,
  kIdBtnAbort,
  kIdLabel2 = 210,
  kIdRadioInst,
  kIdRadioUninst,
  kIdLabelDisk,
  kIdRadioDiskAll,
  kIdRadioDiskThis,
  kIdLabel1,
  kIdCheckProg,
  kIdCheckData,
  kIdCheckSound,
  kIdCheckMovie,
  kIdLabelSize,
  kIdLabel3,
  kIdEditDir,
  kIdDirectory,
  kIdDrive,
  kIdLabelSzDrv,
  kIdLabelSzNeed,
  kIdLabel5,
  kIdLabel6,
  kIdLabelCopyCap,
  kIdLabelCopy,
  kIdProgress,
  kIdLabelExit,
  kIdLabelUninst,
  kIdLabel7,
  kIdCheckDelSave,
  kIdLabelDelTitle,
  kIdLabelDel,
};

class TFormType : public TForm {
 public:
  // owner: the background window the wizard is centred on.
  TFormType(HWND owner, const TWizardContext& context);

  void ShowPage(int index);
  int CurrentPage() const { return Notebook->PageIndex(); }
  // The install folder, with a trailing delimiter (the Windows folder for a system install).
  std::string TargetDir() const;
  // The folder the wizard was started for (the medium, or the install folder
  // of an uninstaller), with a trailing delimiter.
  const std::string& SourceFolder() const { return context_.source_folder; }
  TZefoInstallSet& Settings() const { return *context_.settings; }
  const TWizardContext& Context() const { return context_; }
  bool AllDisks() const { return RadioDiskAll->Checked(); }
  void CalcNeedBytes();

  bool CloseQuery() override;
  // Whether the copy or deletion work stopped with an error or a warning that
  // ended it (what the person did afterwards does not change that).
  bool WorkFailed() const { return work_failed_; }
  // The wizard closed because a run with administrator rights continues it.
  bool HandedToElevatedRun() const { return handed_to_elevated_; }

  TNotebook* Notebook;
  TCheckBox* CheckData;
  TCheckBox* CheckSound;
  TCheckBox* CheckMovie;
  TCheckBox* CheckProg;
  TLabel* Label1;
  TLabel* LabelDisk;
  TRadioButton* RadioDiskAll;
  TRadioButton* RadioDiskThis;
  TButton* btnBack;
  TButton* btnNext;
  TButton* btnAbort;
  TBevel* Bevel1;
  TLabel* Label2;
  TRadioButton* RadioInst;
  TRadioButton* RadioUninst;
  TLabel* LabelSize;
  TLabel* Label3;
  TEdit* EditDir;
  TDirectoryListBox* Directory;
  TDriveComboBox* Drive;
  TLabel* LabelSzNeed;
  TLabel* LabelSzDrv;
  TLabel* LabelCopyCap;
  TProgressBar* Progress;
  TLabel* LabelCopy;
  TLabel* Label5;
  TLabel* Label6;
  TLabel* LabelExit;
  TLabel* LabelUninst;
  TCheckBox* CheckDelSave;
  TLabel* Label7;
  TLabel* LabelDelTitle;
  TLabel* LabelDel;

  int64_t NeedBytes = 0;
  std::string SubFolder;
  int64_t CopiedBytes = 0;
  bool DataVerifyFailed = false;  // the copy work stopped because the data file did not verify
  int FirstPage = kPageFile;

 private:
  TWizardContext context_;
  bool work_failed_ = false;
  bool handed_to_elevated_ = false;

  void CreateControls();
  void FormCreate();
  void ProposeInstallFolder();
  void btnNextClick();
  void btnBackClick();
  void btnAbortClick();
  void CheckDataClick() { CalcNeedBytes(); }
  void CheckProgClick() { CheckProg->SetChecked(true); }
  void DirectoryChange();
  void DriveChange() { UpdateDriveLabel(); }
  void UpdateDriveLabel();
  void UpdateComponentBoxes();
  TDestinationResult JudgeFolder() const;
  bool DestinationChecksPass();
  // The choices so far, as a restart with administrator rights takes them.
  TWizardChoices Choices() const;
  void Resume(const TWizardChoices& choices);
  // Whether this process may write in folder. When rights are missing the
  // person may continue as administrator: the wizard then closes and false
  // is returned, as it is when they decline.
  bool RightsSuffice(const std::string& folder);
  // Before the work of a restart under another account: whether to go on.
  bool AccountAccepted();
  bool Confirm(const std::string& text) const;
  // Runs the page's work, noting an error it raises before passing it on.
  TWorkOutcome RunWork(TWorkOutcome (*work)(TFormType&));
  // The end of the copy or deletion work: the last page, or the result that closes the wizard.
  void FinishWork(TWorkOutcome outcome);
};

// The work of the copy page and of the deletion page, run as the pages'
// entry work. An error raised by the work reaches the form layer, which shows
// it; the wizard then stays on the page with only Abort usable.
TWorkOutcome RunCopyWork(TFormType& wizard);
TWorkOutcome RunDeleteWork(TFormType& wizard);
