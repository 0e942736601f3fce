// A one-line edit box, progress bar and a notebook of pages.
#pragma once

#include <memory>
#include <vector>

#include "forms/control_win.h"

class TEdit : public TControl {
 public:
  struct Args {
    std::string text;
    ControlBounds bounds;
    int id = 0;
  };
  TEdit(TWinContainer* parent, const Args& args);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  std::function<void()> OnChange;
  void HandleCommand(WORD code) override;
};

// Counts from Min to Max with 32-bit values.
class TProgressBar : public TControl {
 public:
  struct Args {
    ControlBounds bounds;
    int min = 0;
    int max = 100;
    int id = 0;
  };
  TProgressBar(TWinContainer* parent, const Args& args);
  void SetMax(int max);
  void SetPosition(int position);
  int Max() const;
  int Position() const;
};

// Pages stacked in one place; only the page at PageIndex is shown.
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
