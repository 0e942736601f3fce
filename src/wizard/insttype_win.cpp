#include "wizard/insttype_win.h"

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "forms/message_dialog_win.h"
#include "os/elevation_win.h"
#include "os/files_win.h"
#include "os/shell_win.h"
#include "os/system_error_win.h"
#include "install/copy_work_win.h"
#include "install/destination.h"
#include "install/destination_facts_win.h"
#include "install/elevation.h"

namespace {

TForm::Args FormArgs(HWND owner) {
  TForm::Args a;
  a.caption = "インストールタイプの選択";
  a.client_width = 383;
  a.client_height = 269;
  a.position = TForm::Position::kOwnerCenter;
  a.owner = owner;
  return a;
}

TLabel::Args Text(const std::string& caption, int left, int top, int id) {
  TLabel::Args a;
  a.caption = caption;
  a.bounds = {left, top, 0, 0};
  a.id = id;
  return a;
}

}  // namespace

TFormType::TFormType(HWND owner, const TWizardContext& context) : TForm(FormArgs(owner)), context_(context) {
  CreateControls();
  FormCreate();
}

void TFormType::CreateControls() {
  Notebook = Add<TNotebook>(ControlBounds{0, 0, 383, 229}, kLastPage + 1);
  TPanel* p0 = Notebook->Page(kPageInst);
  TPanel* p1 = Notebook->Page(kPageMedia);
  TPanel* p2 = Notebook->Page(kPageFile);
  TPanel* p3 = Notebook->Page(kPageSelDir);
  TPanel* p4 = Notebook->Page(kPageConfirm);
  TPanel* p5 = Notebook->Page(kPageCopy);
  TPanel* p6 = Notebook->Page(kPageExit);
  TPanel* p7 = Notebook->Page(kPageUninst);
  TPanel* p8 = Notebook->Page(kPageDelete);

  Label2 = p0->Add<TLabel>(Text("処理を選択してください", 16, 12, kIdLabel2));
  RadioInst = p0->Add<TRadioButton>(TRadioButton::Args{"インストール", {24, 36, 237, 17}, true, kIdRadioInst});
  RadioUninst = p0->Add<TRadioButton>(TRadioButton::Args{"アンインストール", {24, 64, 237, 17}, false, kIdRadioUninst});

  LabelDisk = p1->Add<TLabel>(Text("", 16, 12, kIdLabelDisk));
  RadioDiskAll = p1->Add<TRadioButton>(TRadioButton::Args{"", {24, 36, 237, 17}, true, kIdRadioDiskAll});
  RadioDiskThis = p1->Add<TRadioButton>(TRadioButton::Args{"", {24, 64, 237, 17}, false, kIdRadioDiskThis});

  Label1 = p2->Add<TLabel>(Text("インストールするファイルを選択してください", 16, 12, kIdLabel1));
  CheckProg = p2->Add<TCheckBox>(TCheckBox::Args{"プログラム", {24, 36, 169, 17}, kIdCheckProg});
  CheckData = p2->Add<TCheckBox>(TCheckBox::Args{"シナリオ・グラフィック", {24, 64, 141, 17}, kIdCheckData});
  CheckSound = p2->Add<TCheckBox>(TCheckBox::Args{"サウンド", {24, 92, 141, 17}, kIdCheckSound});
  CheckMovie = p2->Add<TCheckBox>(TCheckBox::Args{"ムービー", {24, 120, 141, 17}, kIdCheckMovie});
  LabelSize = p2->Add<TLabel>(Text("", 24, 204, kIdLabelSize));
  CheckProg->SetChecked(true);
  CheckProg->SetEnabled(false);

  Label3 = p3->Add<TLabel>(Text("インストール先を選択してください", 16, 12, kIdLabel3));
  EditDir = p3->Add<TEdit>(TEdit::Args{"", {16, 28, 237, 20}, kIdEditDir});
  Directory = p3->Add<TDirectoryListBox>(TDirectoryListBox::Args{{16, 52, 237, 113}, 16, kIdDirectory});
  Drive = p3->Add<TDriveComboBox>(TDriveComboBox::Args{{16, 168, 237, 18}, kIdDrive});
  LabelSzDrv = p3->Add<TLabel>(Text("", 16, 188, kIdLabelSzDrv));
  LabelSzNeed = p3->Add<TLabel>(Text("", 16, 208, kIdLabelSzNeed));
  Drive->SetDirList(Directory);

  Label5 = p4->Add<TLabel>(Text("ファイルをコピーする準備が整いました", 16, 12, kIdLabel5));
  Label6 = p4->Add<TLabel>(Text("インストール をクリックするとコピーを開始します。設定を確認・変更\r\n"
                                "したい場合は 戻る をクリックしてください",
                                16, 32, kIdLabel6));

  LabelCopyCap = p5->Add<TLabel>(Text("ファイルをコピーしています", 16, 12, kIdLabelCopyCap));
  LabelCopy = p5->Add<TLabel>(Text("...", 16, 172, kIdLabelCopy));
  Progress = p5->Add<TProgressBar>(TProgressBar::Args{{16, 192, 349, 16}, 0, 100, kIdProgress});

  LabelExit = p6->Add<TLabel>(Text("インストールが完了しました", 16, 12, kIdLabelExit));

  LabelUninst = p7->Add<TLabel>(Text("", 16, 12, kIdLabelUninst));
  Label7 = p7->Add<TLabel>(Text("実行 をクリックすると削除処理を開始します", 16, 32, kIdLabel7));
  CheckDelSave = p7->Add<TCheckBox>(TCheckBox::Args{"セーブデータも削除", {20, 60, 201, 17}, kIdCheckDelSave});

  LabelDelTitle = p8->Add<TLabel>(Text("", 16, 12, kIdLabelDelTitle));
  LabelDel = p8->Add<TLabel>(Text("", 16, 200, kIdLabelDel));

  Bevel1 = Add<TBevel>(ControlBounds{0, 229, 383, 2});
  btnBack = Add<TButton>(TButton::Args{"< 戻る(&B)", {132, 236, 75, 25}, 0, false, kIdBtnBack});
  btnNext = Add<TButton>(TButton::Args{"次へ(&N) >", {212, 236, 75, 25}, 0, true, kIdBtnNext});
  btnAbort = Add<TButton>(TButton::Args{"中断(&A)", {304, 236, 75, 25}, 0, false, kIdBtnAbort});
  btnBack->SetEnabled(false);
  SetDefaultButton(btnNext);
  // Escape acts as 中断 does, wherever 中断 can act.
  SetCancelButton(btnAbort);

  btnNext->OnClick = [this] { btnNextClick(); };
  btnBack->OnClick = [this] { btnBackClick(); };
  btnAbort->OnClick = [this] { btnAbortClick(); };
  CheckData->OnClick = [this] { CheckDataClick(); };
  CheckSound->OnClick = [this] { CheckDataClick(); };
  CheckMovie->OnClick = [this] { CheckDataClick(); };
  CheckProg->OnClick = [this] { CheckProgClick(); };
  Directory->OnChange = [this] { DirectoryChange(); };
  Drive->OnChange = [this] { DriveChange(); };
}

void TFormType::FormCreate() {
  const TZefoInstallSet& s = Settings();
  LabelDisk->SetCaption(Format("インストールする%sを指定してください", s.MediaName.c_str()));
  RadioDiskAll->SetCaption(Format("全ての%sをインストール", s.MediaName.c_str()));
  RadioDiskThis->SetCaption(Format("この%sをインストール", s.MediaName.c_str()));
  if (AllDisksPreselected(s)) RadioDiskAll->SetChecked(true);
  LabelUninst->SetCaption(Format("%s をコンピュータから削除します", s.Title.c_str()));

  btnBack->SetVisible(!s.UninstallMode);  // an uninstallation never offers Back
  ProposeInstallFolder();

  FirstPage = FirstPageOf(s);
  if (s.IsSystemInstall()) Label6->SetVisible(false);
  ShowPage(s.UninstallMode ? kPageUninst : FirstPage);
  if (s.InstallsAllComponents()) {
    CheckData->SetChecked(true);
    CheckSound->SetChecked(true);
    CheckMovie->SetChecked(true);
  }
  // The component page recomputes the size on entry; a run that starts on
  // the folder page never shows it.
  if (FirstPage == kPageSelDir) CalcNeedBytes();
  if (context_.resumed) Resume(*context_.resumed);
}

TWizardChoices TFormType::Choices() const {
  TWizardChoices c;
  c.install_folder = Settings().IsSystemInstall() ? std::string() : EditDir->Text();
  c.data = CheckData->Checked();
  c.sound = CheckSound->Checked();
  c.movie = CheckMovie->Checked();
  c.all_disks = AllDisks();
  c.delete_save = CheckDelSave->Checked();
  return c;
}

void TFormType::Resume(const TWizardChoices& c) {
  if (Settings().UninstallMode) {
    CheckDelSave->SetChecked(c.delete_save);
    return;
  }
  if (!Settings().IsSystemInstall()) EditDir->SetText(c.install_folder);
  if (!Settings().InstallsAllComponents()) {
    CheckData->SetChecked(c.data);
    CheckSound->SetChecked(c.sound);
    CheckMovie->SetChecked(c.movie);
  }
  (c.all_disks ? RadioDiskAll : RadioDiskThis)->SetChecked(true);
  UpdateComponentBoxes();
  CalcNeedBytes();
  // The folder came on the command line: it opens the confirmation page only
  // if the folder page would let it through; otherwise the folder page shows
  // it, and leaving that page says what is wrong.
  const TDestinationVerdict verdict = JudgeFolder().verdict;
  const bool usable = verdict == TDestinationVerdict::kUsable || verdict == TDestinationVerdict::kTooLittleSpace;
  ShowPage(usable || Settings().IsSystemInstall() ? kPageConfirm : kPageSelDir);
}

bool TFormType::RightsSuffice(const std::string& folder) {
  TElevationFacts facts;
  facts.access = TrialFolderAccess(folder, context_.log);
  facts.elevated = ProcessIsElevated();
  facts.network = IsNetworkFolder(folder);
  facts.restarted = context_.resumed.has_value();
  // Without a way to restart, the work runs here and reports what it cannot do.
  if (ElevationStep(facts) != TElevationStep::kAsk || !context_.restart_elevated) return true;
  const bool uninstall = Settings().UninstallMode != 0;
  if (context_.log) context_.log->Line(ElevationRefusal(folder, uninstall));
  if (MessageDlg(ElevationQuestion(folder, uninstall), mtConfirmation, mbYes | mbNo) != mrYes) return false;
  unsigned long error = 0;
  if (!context_.restart_elevated(Choices(), &error)) {
    if (context_.log) context_.log->Line("the run with administrator rights did not start: " + SystemErrorText(error));
    // Declining the system's prompt is an answer, not an error.
    if (error != ERROR_CANCELLED)
      MessageDlg(Format("プログラムを実行できませんでした\r\n%s", SystemErrorText(error).c_str()), mtWarning, mbOK);
    return false;
  }
  if (context_.log) context_.log->Line("a run with administrator rights continues the wizard");
  handed_to_elevated_ = true;
  ModalResult = mrOk;
  return false;
}

bool TFormType::AccountAccepted() {
  if (!context_.resumed) return true;
  const std::string account = CurrentAccountSid();
  if (account == context_.resumed_for) return true;
  if (context_.log)
    context_.log->Line("this run's account " + account + " is not the one that asked, " + context_.resumed_for);
  return MessageDlg(OtherAccountWarning(AccountName(account), Settings().UninstallMode != 0), mtWarning,
                    mbYes | mbNo) == mrYes;
}

std::string TFormType::TargetDir() const {
  if (Settings().IsSystemInstall()) return WindowsFolder();
  // The real folder the checks on leaving page 3 judged; its text otherwise.
  const TDestinationResult judged = JudgeFolder();
  if (!judged.target.empty()) return judged.target;
  const std::string text = EditDir->Text();
  return AddTrailingDelimiter(NormalizeInstallFolder(text).value_or(text));
}

void TFormType::ProposeInstallFolder() {
  const FolderProposal p =
      ProposeFolder(Settings(), Settings().ReadValue("InstallPath", ""), SpecialFolderPath(kCsidlProgramFiles),
                    WindowsFolder(), [](const std::string& f) { return fs::DirectoryExists(f); });
  EditDir->SetText(p.edit_text);
  SubFolder = p.sub_folder;
  if (p.drive) Drive->SetDrive(p.drive);
  if (!p.list_folder.empty()) Directory->SetDirectory(p.list_folder);
}

void TFormType::DirectoryChange() { EditDir->SetText(EditTextForFolder(Directory->Directory(), SubFolder)); }

void TFormType::UpdateDriveLabel() {
  // A drive that does not tell its free space shows no figure rather than 0.
  const std::optional<uint64_t> free = FreeBytesAt(std::string(1, Drive->Drive()) + ":\\");
  const uint64_t mb = free ? *free / 1048576u : 0;
  LabelSzDrv->SetCaption(free ? DriveFreeText(mb > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(mb)) : std::string());
}

void TFormType::UpdateComponentBoxes() {
  const ComponentVisibility v = VisibleComponents(Settings(), AllDisks());
  // Hiding a box keeps its tick: a hidden ticked box still counts.
  CheckData->SetVisible(v.data);
  CheckSound->SetVisible(v.sound);
  CheckMovie->SetVisible(v.movie);
}

void TFormType::CalcNeedBytes() {
  NeedBytes = ::CalcNeedBytes(Settings(), {AllDisks(), CheckData->Checked(), CheckSound->Checked(), CheckMovie->Checked()});
  LabelSize->SetCaption(ComponentSizeText(NeedBytes));
  LabelSzNeed->SetCaption(FolderSizeText(NeedBytes));
}

void TFormType::ShowPage(int index) {
  Notebook->SetPageIndex(index);
  switch (index) {
    case kPageInst: SetCaption("処理を選択"); break;
    case kPageMedia: SetCaption(Format("インストールする%s", Settings().MediaName.c_str())); break;
    case kPageFile:
      SetCaption("インストールするファイル");
      UpdateComponentBoxes();
      CalcNeedBytes();
      break;
    case kPageSelDir:
      SetCaption("インストール先の選択");
      UpdateDriveLabel();
      break;
    case kPageConfirm: SetCaption("インストール準備完了"); break;
    case kPageCopy:
      btnBack->SetVisible(false);
      btnNext->SetVisible(false);
      SetCaption("ファイルコピー");
      TApplication::Instance().ProcessMessages();
      FinishWork(RunWork(RunCopyWork));
      return;  // the work ends on the last page itself, or stops here
    case kPageExit:
      SetCaption("完了");
      btnAbort->SetFocus();
      break;
    case kPageUninst:
      SetCaption("アンインストール");
      CheckDelSave->SetVisible(fs::FileExists(SourceFolder() + "save.dat"));
      break;
    case kPageDelete:
      FinishWork(RunWork(RunDeleteWork));
      return;
  }
  btnBack->SetEnabled(index > FirstPage);
  btnNext->SetEnabled(index < kLastPage);
  if (index == kPageConfirm) btnNext->SetCaption("インストール");
  else if (index == kPageUninst) btnNext->SetCaption("実行");
  else if (index == kPageExit) btnAbort->SetCaption("閉じる(&C)");
  else btnNext->SetCaption("次へ(&N) >");
}

TWorkOutcome TFormType::RunWork(TWorkOutcome (*work)(TFormType&)) {
  try {
    return work(*this);
  } catch (...) {
    work_failed_ = true;
    throw;
  }
}

void TFormType::FinishWork(TWorkOutcome outcome) {
  switch (outcome) {
    case TWorkOutcome::kFinished: ShowPage(kPageExit); break;
    case TWorkOutcome::kIncomplete:
      work_failed_ = true;
      ShowPage(kPageExit);
      break;
    case TWorkOutcome::kAborted: ModalResult = mrAbort; break;
    case TWorkOutcome::kClosed:
      work_failed_ = true;
      ModalResult = mrOk;
      break;
  }
}

bool TFormType::Confirm(const std::string& text) const {
  return MessageDlg(text, mtConfirmation, mbYes | mbNo) == mrYes;
}

TDestinationResult TFormType::JudgeFolder() const {
  return JudgeDestination(DestinationFactsFor(context_, EditDir->Text(), NeedBytes, CheckData->Checked()));
}

bool TFormType::DestinationChecksPass() {
  // A character Shift-JIS cannot hold reads "?" in the folder's text: the
  // person is told which one it was, not only that the folder is wrong.
  const std::u16string unspellable = enc::FirstCharWithoutCp932(EditDir->WideText());
  if (!unspellable.empty()) {
    MessageDlg(UnspellableFolderText(unspellable), mtWarning, mbOK);
    FocusOn(EditDir);
    return false;
  }
  const TDestinationResult r = JudgeFolder();
  switch (r.verdict) {
    case TDestinationVerdict::kUsable: break;
    case TDestinationVerdict::kTooLittleSpace:
      if (MessageDlg(r.text, mtWarning, mbYes | mbNo) != mrYes) return false;
      break;
    default:
      MessageDlg(r.text, mtWarning, mbOK);
      FocusOn(EditDir);
      return false;
  }
  if (!r.add_on_text.empty()) MessageDlg(r.add_on_text, mtInformation, mbOK);
  return true;
}

void TFormType::btnNextClick() {
  const int page = CurrentPage();
  if (page == kPageSelDir && !(DestinationChecksPass() && RightsSuffice(TargetDir()))) return;
  if (page == kPageConfirm || page == kPageUninst) {
    // A system install has no folder page: its folder is asked for here.
    if (page == kPageConfirm && Settings().IsSystemInstall() && !RightsSuffice(TargetDir())) return;
    if (page == kPageUninst && !RightsSuffice(SourceFolder())) return;
    if (!AccountAccepted()) return;
  }
  ShowPage(page + 1);
}

void TFormType::btnBackClick() { ShowPage(std::max(FirstPage, CurrentPage() - 1)); }

void TFormType::btnAbortClick() {
  switch (CurrentPage()) {
    case kPageExit: ModalResult = mrOk; break;
    case kPageCopy:
      if (Confirm("インストールを中断しますか？")) ModalResult = mrAbort;
      break;
    case kPageDelete:
      if (Confirm("アンインストールを中断しますか？")) ModalResult = mrAbort;
      break;
    default: ModalResult = mrCancel; break;
  }
}

bool TFormType::CloseQuery() {
  if (ModalResult != mrCancel) return true;
  static const char* const OperationNames[] = {"インストール", "アンインストール"};
  return Confirm(std::string(OperationNames[Settings().UninstallMode ? 1 : 0]) + "を中断しますか？");
}
