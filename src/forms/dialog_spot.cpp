#include "forms/dialog_spot.h"

#include <algorithm>

namespace {

// A gap between the kept area and the dialog, so the two do not read as one.
constexpr int kGap = 8;

int Clamp(int value, int low, int high) { return high < low ? low : std::min(std::max(value, low), high); }

}  // namespace

DialogSpot PlaceClearOf(SpotSize size, SpotRect screen, std::optional<SpotRect> keep) {
  const DialogSpot centred{screen.left + (screen.right - screen.left - size.width) / 2,
                           screen.top + (screen.bottom - screen.top - size.height) / 2};
  if (!keep) return centred;
  const int left = Clamp(keep->left + (keep->right - keep->left - size.width) / 2, screen.left, screen.right - size.width);
  if (keep->bottom + kGap + size.height <= screen.bottom) return {left, keep->bottom + kGap};
  if (keep->top - kGap - size.height >= screen.top) return {left, keep->top - kGap - size.height};
  return centred;
}
