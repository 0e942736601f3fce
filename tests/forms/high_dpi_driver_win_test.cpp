// The program's windows on a screen above 96 DPI, worked from outside: the
// launcher, the background window, each wizard page a run reaches and a
// message dialog, laid out at the screen's scale with no control outside its
// window, none over another and no text cut.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "common/package_win.h"
#include "common/run_tool.h"
#include "common/windriver_win.h"
#include "common/wizard_win.h"
#include "forms/dpi_scale.h"
#include "forms/message_dialog_win.h"
#include "imaging/galewriter.h"
#include "launcher/start_win.h"
#include "wizard/insttype_win.h"

using driver::Process;
using driver::kTimeout;
using testing_support::TestPackage;
using testing_support::Wizard;

namespace {

// The scale of the screen for the programs started while it lives: Wine reads
// it from LogPixels when a process starts. The value before is put back.
class ScreenDpi {
 public:
  explicit ScreenDpi(int dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    DWORD size = sizeof old_;
    had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
           ERROR_SUCCESS;
    const DWORD value = static_cast<DWORD>(dpi);
    ok_ = RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
          ERROR_SUCCESS;
  }
  ~ScreenDpi() {
    if (had_) RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    else RegDeleteValueW(key_, L"LogPixels");
    RegCloseKey(key_);
  }
  bool Ok() const { return ok_; }

 private:
  static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
  bool ok_ = false;
};

// This thread reads other windows in device pixels, as they are on the screen.
void ReadInDevicePixels() {
  using SetContextFn = HANDLE(WINAPI*)(HANDLE);
  const auto set_context = reinterpret_cast<SetContextFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
  if (set_context) set_context(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));  // per-monitor v2
}

struct Shown {
  HWND hwnd;
  std::wstring cls;
  RECT rect;  // in the window's client area
};

// The visible controls of a window, the containers (notebook, pages) left out.
std::vector<Shown> VisibleControls(HWND window) {
  std::vector<Shown> out;
  for (HWND c : driver::Children(window)) {
    if (!IsWindowVisible(c)) continue;
    const std::wstring cls = driver::ClassOf(c);
    if (cls == L"ZiContainer") continue;
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    out.push_back({c, cls, r});
  }
  return out;
}

std::string Describe(const Shown& s) {
  return Format("%s %d \"%s\" (%d,%d)-(%d,%d)", enc::Narrow(s.cls).c_str(), GetDlgCtrlID(s.hwnd),
                enc::SjisToUtf8(enc::Narrow(driver::Text(s.hwnd))).c_str(), static_cast<int>(s.rect.left),
                static_cast<int>(s.rect.top), static_cast<int>(s.rect.right), static_cast<int>(s.rect.bottom));
}

// The form layer's font at dpi. A font handle belongs to its process (under
// Wine, WM_GETFONT from another process even answers none): the same font is
// made again here.
class UiFont {
 public:
  explicit UiFont(int dpi)
      : font_(CreateFontW(-ScaleToDpi(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          L"ＭＳ Ｐゴシック")) {}
  ~UiFont() { DeleteObject(font_); }
  UiFont(const UiFont&) = delete;
  UiFont& operator=(const UiFont&) = delete;

  // The size of text in this font (multi-line; an "&" marks a mnemonic
  // unless prefix is false), wrapped at words to wrap_width when it is not 0,
  // as a static text wraps. A word wider than that widens the result.
  SIZE TextSize(const std::wstring& text, bool prefix, int wrap_width = 0) const {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font_);
    RECT r = {0, 0, wrap_width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_EXPANDTABS | (prefix ? 0 : DT_NOPREFIX) | (wrap_width ? DT_WORDBREAK : 0));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
  }

 private:
  HFONT font_;
};

// Waits until the window and its visible controls have kept their places
// for a moment: a window is found as soon as it shows, and on a busy machine
// its scaling to the DPI and its layout may still be under way then.
void WaitUntilSettled(HWND window) {
  const auto places = [window] {
    std::vector<LONG> v;
    RECT client;
    GetClientRect(window, &client);
    v.insert(v.end(), {client.right, client.bottom});
    for (const Shown& c : VisibleControls(window))
      v.insert(v.end(), {c.rect.left, c.rect.top, c.rect.right, c.rect.bottom});
    return v;
  };
  std::vector<LONG> last = places();
  driver::WaitUntil(
      [&] {
        Sleep(150);
        std::vector<LONG> now = places();
        const bool same = now == last;
        last = std::move(now);
        return same;
      },
      kTimeout);
}

// Every visible control inside the client area, no two overlapping, every
// text fitting its control, every font scaled to dpi.
void ExpectLaidOut(HWND window, int dpi, const char* what) {
  SCOPED_TRACE(what);
  ASSERT_NE(window, nullptr);
  WaitUntilSettled(window);
  RECT client;
  GetClientRect(window, &client);
  const std::vector<Shown> controls = VisibleControls(window);
  EXPECT_FALSE(controls.empty());
  const UiFont font(dpi);
  for (size_t i = 0; i < controls.size(); ++i) {
    const Shown& c = controls[i];
    SCOPED_TRACE(Describe(c));
    const LONG style = GetWindowLongW(c.hwnd, GWL_STYLE);
    // Wine gives an etched line a static edge that makes it 2 pixels wider
    // than asked, at any scale; the window cuts it at its right edge.
    const bool line = c.cls == L"Static" && (style & SS_TYPEMASK) == SS_ETCHEDHORZ;
    const int right = line ? c.rect.right - 2 : c.rect.right;
    EXPECT_TRUE(c.rect.left >= 0 && c.rect.top >= 0 && right <= client.right && c.rect.bottom <= client.bottom)
        << "outside the client area " << client.right << "x" << client.bottom;
    for (size_t j = i + 1; j < controls.size(); ++j) {
      RECT both;
      EXPECT_FALSE(IntersectRect(&both, &c.rect, &controls[j].rect)) << "overlaps " << Describe(controls[j]);
    }
    const std::wstring text = driver::Text(c.hwnd);
    if (c.cls == L"Static" && (style & SS_TYPEMASK) <= SS_RIGHT) {  // a text, not an icon or a line
      if (text.empty()) continue;
      const SIZE need = font.TextSize(text, !(style & SS_NOPREFIX), c.rect.right - c.rect.left);
      EXPECT_LE(need.cx, c.rect.right - c.rect.left) << "text cut on the right";
      // The footer strip is as high as its font's character height, by design,
      // a little less than a line: only labels that take their text's size
      // are held to the height of their lines.
      // A label that takes its text's size was measured in the scaled font:
      // as high as its lines in it.
      if ((style & SS_TYPEMASK) == SS_LEFT) {
        EXPECT_EQ(need.cy, c.rect.bottom - c.rect.top) << "not the scaled font";
      }
    } else if (c.cls == L"Button" && !text.empty()) {
      const SIZE need = font.TextSize(text, true);
      const LONG kind = style & BS_TYPEMASK;
      const bool push = kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
      // A check or radio box puts its text after the box and a gap.
      const int beside = push ? 0 : ScaleToDpi(13 + 4, dpi);
      EXPECT_LE(need.cx + beside, c.rect.right - c.rect.left) << "caption cut";
      EXPECT_LE(need.cy, c.rect.bottom - c.rect.top) << "caption cut";
    }
  }
}

void ExpectClientSize(HWND window, int width, int height, int dpi) {
  const SIZE want = {ScaleToDpi(width, dpi), ScaleToDpi(height, dpi)};
  driver::WaitUntil([&] {
    const SIZE now = driver::ClientSize(window);
    return now.cx == want.cx && now.cy == want.cy;
  }, kTimeout);
  const SIZE s = driver::ClientSize(window);
  EXPECT_EQ(s.cx, ScaleToDpi(width, dpi));
  EXPECT_EQ(s.cy, ScaleToDpi(height, dpi));
}

// A 100 x 80 picture, red on the left half and blue on the right, centred in the launcher.
void AddHalvedPicture(TestPackage& pkg) {
  TDIBSurface picture;
  picture.SetSize(100, 80, 24);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) picture.SetPixel(x, y, x < 50 ? 0xFF0000 : 0x0000FF);
  const std::string content = pkg.Dir() / "content/";
  fs::MakeDirectories(content);
  TMemoryStream m;
  WriteGalePicture(m, picture, TGaleWriteOptions{});
  m.SaveToFile(content + "halves.gal");
  testing_support::RunTool(ZI_VFTOOL_EXE,
                           {"pack", enc::SjisToUtf8(pkg.Folder() + "game.dat"), enc::SjisToUtf8(content)});
  pkg.settings.BackgroundImage = "halves.gal";
  pkg.settings.BackgroundMode = 0;  // centred
}

class HighDpi : public testing::TestWithParam<int> {
 protected:
  void SetUp() override { ReadInDevicePixels(); }
};

}  // namespace

TEST_P(HighDpi, LauncherScaledWithItsPicture) {
  const int dpi = GetParam();
  TestPackage pkg;
  AddHalvedPicture(pkg);
  pkg.settings.OfferRuntimes = 1;
  pkg.WriteSettings();
  testing_support::WriteFileBytes(pkg.Folder() + "directx\\dxsetup.exe", "MZ");
  testing_support::WriteFileBytes(pkg.Folder() + "winmedia\\mp71.exe", "MZ");
  ScreenDpi screen(dpi);
  ASSERT_TRUE(screen.Ok());
  Process p = pkg.Start();
  HWND form = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
  ASSERT_NE(form, nullptr);
  ExpectClientSize(form, 265, 230, dpi);
  const RECT exit = driver::RectInParent(driver::ChildById(form, kIdBtnExit));
  const ScaledRect designed = ScaleRectToDpi(28, 188, 213, 29, dpi);
  EXPECT_EQ(exit.left, designed.left);
  EXPECT_EQ(exit.top, designed.top);
  EXPECT_EQ(exit.right - exit.left, designed.width);
  EXPECT_EQ(exit.bottom - exit.top, designed.height);
  ExpectLaidOut(form, dpi, "launcher");

  // The picture at the scale, centred as at 96 DPI, its halves meeting at a
  // hard edge: at (82, 75) in design pixels, 100 x 80, the edge at x = 132.
  const ScaledRect place = ScaleRectToDpi(82, 75, 100, 80, dpi);
  // Read along the row at y = 96, between the install and DirectX buttons.
  const int edge = ScaleToDpi(132, dpi), row = ScaleToDpi(96, dpi);
  const driver::ScreenPixels shot = driver::CaptureWhenPainted(
      form, [&](const driver::ScreenPixels& s) { return s.At(place.left, row) == RGB(0xFF, 0, 0); }, kTimeout);
  EXPECT_EQ(shot.At(place.left, row), RGB(0xFF, 0, 0));
  EXPECT_EQ(shot.At(edge - 1, row), RGB(0xFF, 0, 0));
  EXPECT_EQ(shot.At(edge, row), RGB(0, 0, 0xFF));
  EXPECT_EQ(shot.At(place.left + place.width - 1, row), RGB(0, 0, 0xFF));
  EXPECT_NE(shot.At(place.left - 1, row), RGB(0xFF, 0, 0));  // nothing beyond the scaled picture
  EXPECT_NE(shot.At(place.left + place.width, row), RGB(0, 0, 0xFF));
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST_P(HighDpi, EveryInstallPageAndItsDialog) {
  const int dpi = GetParam();
  TestPackage pkg;
  pkg.settings.FooterText = "(C) 2026 テスト";
  pkg.settings.MediaName = "CD-ROM";
  pkg.settings.SetDiskCount(2);
  pkg.settings.ProgramSize = 12345678;
  pkg.settings.DataSize = 50000000;
  pkg.settings.SoundSize = 3000000;
  pkg.settings.MovieSize = 3000000;
  pkg.settings.DiskProgramSize = {12345678, 0};
  pkg.settings.DiskDataSize = {50000000, 0};
  pkg.settings.DiskSoundSize = {3000000, 0};
  pkg.settings.DiskMovieSize = {3000000, 0};
  pkg.WriteSettings();
  ScreenDpi screen(dpi);
  ASSERT_TRUE(screen.Ok());
  Process p = pkg.Start("\"" + pkg.Folder() + "\"");
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ExpectClientSize(w.Form(), 383, 269, dpi);
  ExpectClientSize(w.Background(), 600, 400, dpi);
  ExpectLaidOut(w.Background(), dpi, "background window");

  ASSERT_TRUE(w.WaitForCaption(L"インストールするCD-ROM"));
  ExpectLaidOut(w.Form(), dpi, "page 1, media");
  w.Click(kIdRadioDiskThis);
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストールするファイル"));
  w.Click(kIdCheckData);
  w.Click(kIdCheckMovie);
  ExpectLaidOut(w.Form(), dpi, "page 2, components");
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストール先の選択"));
  ExpectLaidOut(w.Form(), dpi, "page 3, folder");
  // The Windows folder is refused with a warning of two lines.
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  w.SetText(kIdEditDir, windows);
  w.Click(kIdBtnNext);
  HWND dialog = driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout);
  ASSERT_NE(dialog, nullptr);
  ExpectLaidOut(dialog, dpi, "message dialog");
  EXPECT_EQ(driver::AnswerMessageDialog(p.Id(), IDOK, kTimeout).caption, L"警告");
  w.SetText(kIdEditDir, enc::Wide(pkg.Dir() / "target"));
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  ExpectLaidOut(w.Form(), dpi, "page 4, ready");
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"完了", 60000));
  ExpectLaidOut(w.Form(), dpi, "page 6, done");
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST_P(HighDpi, UninstallPage) {
  const int dpi = GetParam();
  TestPackage pkg("installed");
  pkg.settings.UninstallMode = 1;
  pkg.WriteSettings();
  testing_support::WriteFileBytes(pkg.Folder() + "save.dat", "save");
  ScreenDpi screen(dpi);
  ASSERT_TRUE(screen.Ok());
  Process p = pkg.Start("\"" + pkg.Folder() + "\"");
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"アンインストール"));
  ExpectLaidOut(w.Form(), dpi, "page 7, uninstall");
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

INSTANTIATE_TEST_SUITE_P(Scales, HighDpi, testing::Values(144, 192),
                         [](const testing::TestParamInfo<int>& info) { return Format("Dpi%d", info.param); });
