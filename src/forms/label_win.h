// A static text. With auto_size the control takes the size of its text (the
// longest line wide, every line high), measured with the font of its DPI, so
// that no scaling of the design size can cut it; otherwise it keeps its
// bounds and aligns the text left or right. Colours default to the parent's background
// and the window text colour.
#pragma once

#include "forms/control_win.h"

class TLabel : public TControl {
 public:
  enum class Alignment { kLeft, kRight };
  struct Args {
    std::string caption;
    ControlBounds bounds;  // width and height ignored with auto_size
    bool auto_size = true;
    Alignment alignment = Alignment::kLeft;
    COLORREF background = CLR_INVALID;  // CLR_INVALID: the parent's
    COLORREF text_color = CLR_INVALID;  // CLR_INVALID: the system's window text
    int id = 0;
  };
  TLabel(TWinContainer* parent, const Args& args);
  ~TLabel() override;

  void SetCaption(const std::string& caption) override;
  HBRUSH HandleColor(HDC dc) override;
  void ApplyDpi() override;

 protected:
  RECT PixelRect() const override;

 private:
  void FitToText();
  SIZE text_size_ = {0, 0};  // device pixels, with auto_size
  bool auto_size_;
  COLORREF background_;
  COLORREF text_color_;
  HBRUSH brush_ = nullptr;
};
