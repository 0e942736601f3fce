// Pages stacked in one place; only the page at PageIndex is shown.
#pragma once

#include <vector>

#include "forms/control_win.h"

class TNotebook : public TWinContainer {
 public:
  TNotebook(TWinContainer* parent, const ControlBounds& bounds, int page_count);
  TPanel* Page(int index) const { return pages_.at(static_cast<size_t>(index)); }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  int PageIndex() const { return page_index_; }
  void SetPageIndex(int index);

 private:
  std::vector<TPanel*> pages_;
  int page_index_ = -1;
};
