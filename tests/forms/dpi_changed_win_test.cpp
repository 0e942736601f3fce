// A form of the form layer moved to screens of other scales: the message the
// system sends then (WM_DPICHANGED) is sent to a real window here, in this
// process, and what the window does is read back from the system.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "forms/button_win.h"
#include "common/windriver_win.h"
#include "forms/dpi_scale.h"
#include "forms/form_win.h"
#include "forms/label_win.h"

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace {

int FontHeight(HWND control) {
  LOGFONTW lf = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf.lfHeight;
}

int TextWidth(HWND control) {
  const std::wstring text = enc::Wide(TControl::FromHandle(control)->Caption());
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

class TTestForm : public TForm {
 public:
  TTestForm() : TForm(Args{"scaled", 383, 269, Position::kDesigned, nullptr}) {
    TLabel::Args text;
    text.caption = "インストール先を選択してください";
    text.bounds = {16, 12, 0, 0};
    label = Add<TLabel>(text);
    button = Add<TButton>(TButton::Args{"次へ(&N) >", {212, 236, 75, 25}, 0, true, 0});
  }
  TLabel* label;
  TButton* button;
};

}  // namespace

TEST(DpiChanged, ControlsFontsAndTheWindowFollowTheScreen) {
  TTestForm form;
  HWND hwnd = form.Handle();
  ASSERT_EQ(form.Dpi(), 96);  // this test program declares no awareness
  EXPECT_EQ(FontHeight(form.button->Handle()), -12);
  for (int dpi : {192, 144, 96}) {
    SCOPED_TRACE(dpi);
    // What the system asks first (per-monitor v2): the size at the new scale.
    // (the design client size scaled, with a frame around it).
    SIZE asked = {};
    EXPECT_TRUE(SendMessageW(hwnd, WM_GETDPISCALEDSIZE, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&asked)));
    EXPECT_GT(asked.cx, ScaleToDpi(383, dpi));
    EXPECT_GT(asked.cy, ScaleToDpi(269, dpi));

    const RECT suggested = {40, 30, 40 + asked.cx, 30 + asked.cy};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(form.Dpi(), dpi);
    RECT outer;
    GetWindowRect(hwnd, &outer);
    EXPECT_EQ(outer.left, 40);
    EXPECT_EQ(outer.top, 30);
    // Its client area is the design size at the new scale, whatever frame the
    // system really draws.
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, ScaleToDpi(383, dpi));
    EXPECT_EQ(client.bottom, ScaleToDpi(269, dpi));

    const RECT b = driver::RectInParent(form.button->Handle());
    const ScaledRect designed = ScaleRectToDpi(212, 236, 75, 25, dpi);
    EXPECT_EQ(b.left, designed.left);
    EXPECT_EQ(b.top, designed.top);
    EXPECT_EQ(b.right - b.left, designed.width);
    EXPECT_EQ(b.bottom - b.top, designed.height);
    EXPECT_EQ(FontHeight(form.button->Handle()), -ScaleToDpi(12, dpi));
    EXPECT_EQ(FontHeight(form.label->Handle()), -ScaleToDpi(12, dpi));
    // The label takes its text's width in the new font; the form layer still
    // answers in design pixels.
    const RECT l = driver::RectInParent(form.label->Handle());
    EXPECT_EQ(l.left, ScaleToDpi(16, dpi));
    EXPECT_EQ(l.right - l.left, TextWidth(form.label->Handle()));
    EXPECT_EQ(form.button->Left(), 212);
    EXPECT_EQ(form.ClientSize().cx, 383);
    EXPECT_EQ(form.ClientSize().cy, 269);
  }
}
