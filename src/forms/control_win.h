// The form layer's controls: thin owners of Win32 windows. A control is made
// from a small arguments struct, placed inside its parent in design pixels
// (those of a 96-DPI screen), and reports user actions through plain callbacks
// (OnClick, OnChange). Texts are Shift-JIS, converted with code page 932.
//
// Scaling: every position, size and font is given and read back in design
// pixels; the windows themselves are placed at the DPI of the form they are
// on (dpi_scale.h), and placed again, with the font of the new DPI, when the
// form moves to a screen of another scale.
//
// Ownership: a container (form, notebook page) owns its controls; destroying
// the container destroys their windows.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TWinContainer;

struct ControlBounds {
  int left = 0, top = 0, width = 0, height = 0;
};

class TControl {
 public:
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  HWND Handle() const { return hwnd_; }
  int Id() const { return id_; }
  TWinContainer* Parent() const { return parent_; }

  ControlBounds Bounds() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  void SetTop(int top) { SetBounds(bounds_.left, top, bounds_.width, bounds_.height); }

  bool Visible() const;
  virtual void SetVisible(bool visible);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  std::string Caption() const;
  virtual void SetCaption(const std::string& caption);
  void SetFocus();

  // The DPI the control is laid out at: its form's.
  virtual int Dpi() const;
  // Places the window and sets its font for the current DPI (after a change).
  virtual void ApplyDpi();

  int Tag = 0;
  std::function<void()> OnClick;

  // Called by the parent for notifications about this control's window.
  virtual void HandleCommand(WORD code);
  virtual HBRUSH HandleColor(HDC dc);  // nullptr: the default colours
  virtual bool HandleDrawItem(const DRAWITEMSTRUCT& item);
  virtual bool HandleMeasureItem(MEASUREITEMSTRUCT& item);

  // The control that owns a window of the form layer, or nullptr.
  static TControl* FromHandle(HWND hwnd);

 protected:
  TControl(TWinContainer* parent, int id);
  // Creates the window as a child of the parent (or top-level when parent is
  // nullptr) and sets the form layer's font.
  void CreateHandle(const wchar_t* window_class, const std::string& text, DWORD style, DWORD ex_style,
                    const ControlBounds& bounds, HWND owner = nullptr);
  void AdoptHandle(HWND hwnd);
  // The window's rectangle in its parent at the current DPI.
  virtual RECT PixelRect() const;
  // Moves the window to PixelRect().
  void PlaceWindow();
  // Whether the focus is on this window or inside it.
  bool HoldsFocus() const;

  HWND hwnd_ = nullptr;
  TWinContainer* parent_;
  int id_;
  ControlBounds bounds_;
};

// A windowless control painted by its container, behind every child window,
// in the order the graphic controls were added (the first is at the back).
class TGraphicControl {
 public:
  explicit TGraphicControl(TWinContainer* parent);
  virtual ~TGraphicControl() = default;
  TGraphicControl(const TGraphicControl&) = delete;
  TGraphicControl& operator=(const TGraphicControl&) = delete;

  ControlBounds Bounds() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Invalidate();
  // The control's rectangle in its parent's client area at the current DPI.
  RECT PixelRect() const;
  int Dpi() const;
  // Paints onto dc, whose origin is the control's top-left corner, the area
  // of PixelRect() (device pixels).
  virtual void Paint(HDC dc) = 0;

 protected:
  TWinContainer* parent_;
  ControlBounds bounds_;
  bool visible_ = true;
};

// A window that holds controls: a form, a notebook page.
class TWinContainer : public TControl {
 public:
  // Adds a control owned by this container.
  template <typename T, typename... Args>
  T* Add(Args&&... args) {
    auto control = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = control.get();
    controls_.push_back(std::move(control));
    return raw;
  }
  template <typename T, typename... Args>
  T* AddGraphic(Args&&... args) {
    auto control = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = control.get();
    graphics_.push_back(std::move(control));
    return raw;
  }
  int NextControlId() { return next_id_++; }
  // Client size of the container's window, in design pixels.
  SIZE ClientSize() const;
  // Places every control again for the current DPI.
  void ApplyDpi() override;
  int Dpi() const override;
  void InvalidateRect(const ControlBounds& bounds);
  // Told when the keyboard focus may have moved inside the container or left
  // a control that was hidden or disabled; the form puts it right.
  virtual void FocusMayHaveMoved() {
    if (parent_) parent_->FocusMayHaveMoved();
  }

  // Background colour of the container (COLOR_BTNFACE unless set).
  COLORREF Color = GetSysColor(COLOR_BTNFACE);

 protected:
  TWinContainer(TWinContainer* parent, int id);
  ~TWinContainer() override;
  // The window procedure shared by containers; returns true when it handled msg.
  bool ContainerMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  static LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  void PaintGraphics(HDC dc, const RECT& area);

  std::vector<std::unique_ptr<TControl>> controls_;
  std::vector<std::unique_ptr<TGraphicControl>> graphics_;
  int next_id_ = 1000;
  int dpi_ = 96;  // a top-level container's own; children ask their parent
};

// A plain child container (notebook pages).
class TPanel : public TWinContainer {
 public:
  TPanel(TWinContainer* parent, const ControlBounds& bounds);
};

extern const wchar_t kContainerClass[];
