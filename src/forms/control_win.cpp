#include "forms/control_win.h"

#include <stdexcept>

#include "base/encoding.h"
#include "forms/application_win.h"
#include "forms/dpi_scale.h"

const wchar_t kContainerClass[] = L"ZiContainer";

namespace {
const wchar_t kControlProperty[] = L"ZiControl";
}

// --- TControl ---

TControl::TControl(TWinContainer* parent, int id)
    : parent_(parent), id_(id != 0 || !parent ? id : parent->NextControlId()) {}

TControl::~TControl() {
  if (hwnd_) {
    RemovePropW(hwnd_, kControlProperty);
    DestroyWindow(hwnd_);
  }
}

TControl* TControl::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<TControl*>(GetPropW(hwnd, kControlProperty)) : nullptr;
}

void TControl::AdoptHandle(HWND hwnd) {
  hwnd_ = hwnd;
  if (hwnd_) {
    SetPropW(hwnd_, kControlProperty, this);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(TApplication::Instance().UiFont(Dpi())), FALSE);
  }
}

int TControl::Dpi() const { return parent_ ? parent_->Dpi() : kDesignDpi; }

RECT TControl::PixelRect() const {
  const ScaledRect r = ScaleRectToDpi(bounds_.left, bounds_.top, bounds_.width, bounds_.height, Dpi());
  return {r.left, r.top, r.left + r.width, r.top + r.height};
}

void TControl::PlaceWindow() {
  if (!hwnd_ || !parent_) return;
  const RECT r = PixelRect();
  MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void TControl::ApplyDpi() {
  if (!hwnd_) return;
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(TApplication::Instance().UiFont(Dpi())), FALSE);
  PlaceWindow();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TControl::CreateHandle(const wchar_t* window_class, const std::string& text, DWORD style, DWORD ex_style,
                            const ControlBounds& bounds, HWND owner) {
  bounds_ = bounds;
  HWND parent = parent_ ? parent_->Handle() : owner;
  if (parent_) style |= WS_CHILD;
  HMENU menu = parent_ ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)) : nullptr;
  // A child is placed at its form's DPI; a top-level window is created at its
  // design size and sized for its screen once it exists (TForm).
  const RECT r = parent_ ? PixelRect() : RECT{bounds.left, bounds.top, bounds.left + bounds.width,
                                                bounds.top + bounds.height};
  HWND hwnd = CreateWindowExW(ex_style, window_class, enc::Wide(text).c_str(), style, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, parent, menu, TApplication::Instance().Module(),
                              this);
  AdoptHandle(hwnd);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, width, height};
  if (!hwnd_) return;
  if (parent_) PlaceWindow();
  else MoveWindow(hwnd_, left, top, width, height, TRUE);
}

bool TControl::Visible() const { return hwnd_ && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE); }

bool TControl::HoldsFocus() const {
  const HWND focus = GetFocus();
  return hwnd_ && focus && (focus == hwnd_ || IsChild(hwnd_, focus));
}

// A control that goes away under the focus leaves it nowhere (the system
// drops it): keys would then reach no control until the mouse is used.
void TControl::SetVisible(bool visible) {
  if (!hwnd_) return;
  const bool took_focus = !visible && HoldsFocus();
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
  if (took_focus && parent_) parent_->FocusMayHaveMoved();
}

bool TControl::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }

void TControl::SetEnabled(bool enabled) {
  if (!hwnd_) return;
  const bool took_focus = !enabled && HoldsFocus();
  EnableWindow(hwnd_, enabled);
  if (took_focus && parent_) parent_->FocusMayHaveMoved();
}

std::string TControl::Caption() const {
  if (!hwnd_) return {};
  const int n = GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd_, text.data(), n + 1);
  return enc::Narrow(std::wstring_view(text.data(), static_cast<size_t>(got)));
}

void TControl::SetCaption(const std::string& caption) {
  if (hwnd_) SetWindowTextW(hwnd_, enc::Wide(caption).c_str());
}

void TControl::SetFocus() {
  if (hwnd_) ::SetFocus(hwnd_);
}

void TControl::HandleCommand(WORD) {}
HBRUSH TControl::HandleColor(HDC) { return nullptr; }
bool TControl::HandleDrawItem(const DRAWITEMSTRUCT&) { return false; }
bool TControl::HandleMeasureItem(MEASUREITEMSTRUCT&) { return false; }

// --- TGraphicControl ---

TGraphicControl::TGraphicControl(TWinContainer* parent) : parent_(parent) {}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  bounds_ = {left, top, width, height};
  Invalidate();
}

void TGraphicControl::SetVisible(bool visible) {
  visible_ = visible;
  Invalidate();
}

void TGraphicControl::Invalidate() {
  if (parent_) parent_->InvalidateRect(bounds_);
}

int TGraphicControl::Dpi() const { return parent_ ? parent_->Dpi() : kDesignDpi; }

RECT TGraphicControl::PixelRect() const {
  const ScaledRect r = ScaleRectToDpi(bounds_.left, bounds_.top, bounds_.width, bounds_.height, Dpi());
  return {r.left, r.top, r.left + r.width, r.top + r.height};
}

// --- TWinContainer ---

TWinContainer::TWinContainer(TWinContainer* parent, int id) : TControl(parent, id) {
  RegisterFormsClass(kContainerClass, ContainerProc);
}

TWinContainer::~TWinContainer() {
  // Controls go first, while the container's window still exists.
  controls_.clear();
  graphics_.clear();
}

SIZE TWinContainer::ClientSize() const {
  RECT r = {};
  if (hwnd_) GetClientRect(hwnd_, &r);
  const int dpi = Dpi();
  return SIZE{UnscaleFromDpi(r.right - r.left, dpi), UnscaleFromDpi(r.bottom - r.top, dpi)};
}

int TWinContainer::Dpi() const { return parent_ ? parent_->Dpi() : dpi_; }

void TWinContainer::ApplyDpi() {
  if (parent_) TControl::ApplyDpi();
  for (const auto& c : controls_) c->ApplyDpi();
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void TWinContainer::InvalidateRect(const ControlBounds& b) {
  if (!hwnd_) return;
  const ScaledRect s = ScaleRectToDpi(b.left, b.top, b.width, b.height, Dpi());
  const RECT r = {s.left, s.top, s.left + s.width, s.top + s.height};
  ::InvalidateRect(hwnd_, &r, FALSE);
}

LRESULT CALLBACK TWinContainer::ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* self = static_cast<TWinContainer*>(cs->lpCreateParams);
    self->hwnd_ = hwnd;  // messages of the creation itself reach the object already
    SetPropW(hwnd, kControlProperty, static_cast<TControl*>(self));
  }
  auto* self = dynamic_cast<TWinContainer*>(TControl::FromHandle(hwnd));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  // An exception must never unwind through the system's code that called
  // this procedure: a handler's error is shown in the error box and the
  // window stays as the handler left it.
  try {
    return self->WindowProc(msg, wp, lp);
  } catch (const std::exception& e) {
    TApplication::Instance().ShowException(e);
  } catch (...) {
    TApplication::Instance().ShowException(std::runtime_error("unknown error"));
  }
  return 0;
}

LRESULT TWinContainer::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (ContainerMessage(msg, wp, lp, &result)) return result;
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

bool TWinContainer::ContainerMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  switch (msg) {
    case WM_COMMAND: {
      TControl* child = TControl::FromHandle(reinterpret_cast<HWND>(lp));
      if (!child && lp == 0) child = TControl::FromHandle(GetDlgItem(hwnd_, LOWORD(wp)));
      if (child) {
        child->HandleCommand(HIWORD(wp));
        *result = 0;
        return true;
      }
      return false;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      TControl* child = TControl::FromHandle(reinterpret_cast<HWND>(lp));
      HBRUSH brush = child ? child->HandleColor(reinterpret_cast<HDC>(wp)) : nullptr;
      if (!brush && (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN)) {
        // Static texts and check boxes take the container's own background.
        SetBkColor(reinterpret_cast<HDC>(wp), Color);
        SetDCBrushColor(reinterpret_cast<HDC>(wp), Color);
        brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
      }
      if (!brush) return false;
      *result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      TControl* child = TControl::FromHandle(item->hwndItem);
      if (child && child->HandleDrawItem(*item)) {
        *result = TRUE;
        return true;
      }
      return false;
    }
    case WM_ERASEBKGND:
      *result = 1;  // WM_PAINT paints everything, without flicker
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      PaintGraphics(dc, ps.rcPaint);
      EndPaint(hwnd_, &ps);
      *result = 0;
      return true;
    }
  }
  return false;
}

namespace {

// A memory DC with a bitmap of its own selected into it, for composing off
// screen. Both go, the bitmap deselected first, however the painting ends.
class OffscreenCanvas {
 public:
  OffscreenCanvas(HDC like, int width, int height)
      : dc_(CreateCompatibleDC(like)),
        bitmap_(CreateCompatibleBitmap(like, width, height)),
        old_(SelectObject(dc_, bitmap_)) {}
  ~OffscreenCanvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  OffscreenCanvas(const OffscreenCanvas&) = delete;
  OffscreenCanvas& operator=(const OffscreenCanvas&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

}  // namespace

void TWinContainer::PaintGraphics(HDC dc, const RECT& area) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return;
  // Composed off screen, then copied in one step.
  const OffscreenCanvas canvas(dc, w, h);
  const HDC mem = canvas.Dc();
  SetViewportOrgEx(mem, -area.left, -area.top, nullptr);
  SetDCBrushColor(mem, Color);
  FillRect(mem, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  for (const auto& g : graphics_) {
    if (!g->Visible()) continue;
    const RECT b = g->PixelRect();
    const int saved = SaveDC(mem);
    IntersectClipRect(mem, b.left, b.top, b.right, b.bottom);  // logical = client coordinates
    SetViewportOrgEx(mem, b.left - area.left, b.top - area.top, nullptr);
    g->Paint(mem);
    RestoreDC(mem, saved);
  }
  SetViewportOrgEx(mem, 0, 0, nullptr);
  BitBlt(dc, area.left, area.top, w, h, mem, 0, 0, SRCCOPY);
}

// --- TPanel ---

TPanel::TPanel(TWinContainer* parent, const ControlBounds& bounds) : TWinContainer(parent, 0) {
  CreateHandle(kContainerClass, "", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, bounds);
}
