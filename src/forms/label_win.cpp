#include "forms/label_win.h"

#include "base/encoding.h"
#include "forms/application_win.h"
#include "forms/dpi_scale.h"

TLabel::TLabel(TWinContainer* parent, const Args& a)
    : TControl(parent, a.id), auto_size_(a.auto_size), background_(a.background), text_color_(a.text_color) {
  const DWORD align = a.alignment == Alignment::kRight ? SS_RIGHT : SS_LEFT;
  CreateHandle(L"STATIC", a.caption, WS_VISIBLE | SS_NOPREFIX | align, 0, a.bounds);
  if (auto_size_) FitToText();
}

TLabel::~TLabel() {
  if (brush_) DeleteObject(brush_);
}

void TLabel::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  if (auto_size_) FitToText();
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void TLabel::FitToText() {
  const std::wstring text = enc::Wide(Caption());
  RECT r = {0, 0, 0, 0};
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, TApplication::Instance().UiFont(Dpi()));
  if (text.empty()) {
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    r.bottom = tm.tmHeight;
  } else {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  text_size_ = {r.right - r.left, r.bottom - r.top};
  const int dpi = Dpi();
  SetBounds(bounds_.left, bounds_.top, UnscaleCovering(text_size_.cx, dpi), UnscaleCovering(text_size_.cy, dpi));
}

RECT TLabel::PixelRect() const {
  if (!auto_size_) return TControl::PixelRect();
  // Exactly the text's size: scaling the design size could round it short.
  const int dpi = Dpi();
  const int left = ScaleToDpi(bounds_.left, dpi), top = ScaleToDpi(bounds_.top, dpi);
  return {left, top, left + text_size_.cx, top + text_size_.cy};
}

void TLabel::ApplyDpi() {
  TControl::ApplyDpi();
  if (auto_size_) FitToText();
}

HBRUSH TLabel::HandleColor(HDC dc) {
  if (text_color_ != CLR_INVALID) SetTextColor(dc, text_color_);
  if (background_ == CLR_INVALID) return nullptr;  // the parent's background
  SetBkColor(dc, background_);
  if (!brush_) brush_ = CreateSolidBrush(background_);
  return brush_;
}
