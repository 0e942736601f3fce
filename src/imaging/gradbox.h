// The band computation of TGradBox, the gradient control of the setup
// background window: which rectangles to fill with which colour. The control
// itself (a windowless control painting these bands) belongs to the Win32
// layer; this part has no window-system dependency.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/dib.h"

enum class TGradDirection { gdHorizontal = 0, gdVertical = 1, gdHorzCenter = 2 };

struct TGradBand {
  TRect Rect;    // may reach past the control; the canvas cuts it
  TColor Color;  // 0x00BBGGRR
};

// Rounds to the nearest integer, ties to the even neighbour (2.5 -> 2, 3.5 -> 4).
int64_t RoundHalfEven(double value);

// The fills of one paint of a width × height gradient box with steps = GradStep
// (0..255) from start to end (both already the colours the device shows): the
// steps + 2 bands in painting order, band size round(extent / (steps + 1)) (at
// least 1), colours stepping from start to end (gdHorzCenter: start in the
// middle band, towards end on both sides). Then one final fill with the last
// band's colour of whatever strip the bands left unpainted at the far edge.
std::vector<TGradBand> ComputeGradBands(TColor start, TColor end, int steps, TGradDirection direction, int width,
                                        int height);
