// Where a message dialog stands on the screen. Portable: no window-system
// headers, so the rule is tested natively.
//
// By default a dialog is centred on the screen. A dialog that must leave part
// of a window readable (the disc prompt over the copy page's status line and
// bar) stands right below that part, else right above it, centred on it
// across and kept on the screen; only where neither fits is it centred.
#pragma once

#include <optional>

struct SpotRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
struct SpotSize {
  int width = 0, height = 0;
};
struct DialogSpot {
  int left = 0, top = 0;
  bool operator==(const DialogSpot& o) const { return left == o.left && top == o.top; }
};

// The dialog's top-left corner for a dialog of size on screen, leaving
// keep_clear uncovered where the screen has room.
DialogSpot PlaceClearOf(SpotSize size, SpotRect screen, std::optional<SpotRect> keep_clear);
