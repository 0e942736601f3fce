// Scaling the form layer's 96-DPI design layout to a window's DPI. Portable:
// no window-system headers, so the rules are tested natively.
//
// Positions and sizes are designed in pixels of a 96-DPI screen. On another
// screen every edge is scaled by dpi / 96 and rounded to the nearest pixel
// (halves away from zero), and a size is the distance between its scaled
// edges: controls that touch at 96 DPI still touch, and none that are apart
// come to overlap, whatever the rounding.
#pragma once

constexpr int kDesignDpi = 96;

// value * dpi / 96, rounded to the nearest integer, halves away from zero. A
// dpi of 0 or less is taken as 96.
int ScaleToDpi(int value, int dpi);
// The inverse: pixels at dpi back to design pixels, rounded the same way.
int UnscaleFromDpi(int pixels, int dpi);
// Design pixels that cover at least pixels at dpi: ScaleToDpi of the result
// is never below pixels.
int UnscaleCovering(int pixels, int dpi);

struct ScaledRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const ScaledRect& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

// The rectangle (left, top, width, height) of the design layout, at dpi.
ScaledRect ScaleRectToDpi(int left, int top, int width, int height, int dpi);
