#include "install/logged_observer.h"

#include "base/format.h"

void TLoggedObserver::Caption(const std::string& text) {
  log_.Line(text);
  inner_.Caption(text);
}

void TLoggedObserver::ByteProgress(int64_t done, int64_t total) {
  if (total > 0) {
    const int tenth = static_cast<int>(done >= total ? 10 : done / (total / 10 > 0 ? total / 10 : 1));
    if (tenth > last_tenth_) {
      last_tenth_ = tenth;
      log_.Line(Format("progress %d%% (%lld of %lld bytes)", tenth * 10, static_cast<long long>(done),
                       static_cast<long long>(total)));
    }
  }
  inner_.ByteProgress(done, total);
}

bool TLoggedObserver::StopRequested() {
  const bool stop = inner_.StopRequested();
  if (stop && !stop_logged_) {
    stop_logged_ = true;
    log_.Line("stopped on request");
  }
  return stop;
}

bool TLoggedObserver::AskForDisc(int number, std::string& folder) {
  const bool found = inner_.AskForDisc(number, folder);
  if (found) log_.Line(Format("disc %d: looking in %s", number, folder.c_str()));
  else log_.Error(Format("disc %d was not found; the run gives up", number));
  return found;
}

void TLoggedObserver::Warn(const std::string& text) {
  log_.Line("warning: " + text);
  inner_.Warn(text);
}

void TLoggedObserver::Inform(const std::string& text) {
  log_.Line("info: " + text);
  inner_.Inform(text);
}

void TLoggedObserver::Error(const std::string& text) {
  log_.Error(text);
  inner_.Error(text);
}

void TLoggedObserver::Note(const std::string& text) {
  log_.Line(text);
  inner_.Note(text);
}

bool TSilentObserver::AskForDisc(int number, std::string& folder) {
  if (number != disc_) {
    disc_ = number;
    next_place_ = 0;
  }
  if (next_place_ > disc_folders_.size()) return false;
  folder = next_place_ == 0 ? medium_folder_ : disc_folders_[next_place_ - 1];
  ++next_place_;
  return true;
}
