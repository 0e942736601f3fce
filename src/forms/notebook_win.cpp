#include "forms/notebook_win.h"

TNotebook::TNotebook(TWinContainer* parent, const ControlBounds& bounds, int page_count) : TWinContainer(parent, 0) {
  CreateHandle(kContainerClass, "", WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, bounds);
  for (int i = 0; i < page_count; ++i) pages_.push_back(Add<TPanel>(ControlBounds{0, 0, bounds.width, bounds.height}));
}

void TNotebook::SetPageIndex(int index) {
  if (index < 0 || index >= PageCount() || index == page_index_) return;
  // Show the new page before hiding the old one, so the focus can move onto it.
  pages_[static_cast<size_t>(index)]->SetVisible(true);
  if (page_index_ >= 0) pages_[static_cast<size_t>(page_index_)]->SetVisible(false);
  page_index_ = index;
}
