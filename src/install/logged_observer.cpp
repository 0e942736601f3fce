#include "install/logged_observer.h"

#include "base/format.h"

void TLoggedObserver::Caption(const std::string& text) {
  log_.Line(text);
  inner_.Caption(text);
}

void TLoggedObserver::ByteProgress(int64_t done, int64_t total) {
  if (total > 0) {
    const int tenth = static_cast<int>(done >= total ? 10 : done / (total / 10 > 0 ? total / 10 : 1));
    // The end again with another figure: a later disc brought more than the
    // package's sizes said. The last line then tells what was copied.
    const bool new_end = done >= total && done != last_end_;
    if (tenth > last_tenth_ || new_end) {
      last_tenth_ = tenth;
      if (done >= total) last_end_ = done;
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

bool TLoggedObserver::AskForDisc(int number, const std::function<bool()>& disc_in) {
  // The places looked at are the work's notes.
  const bool go_on = inner_.AskForDisc(number, disc_in);
  if (!go_on) log_.Error(Format("disc %d was not found; the run gives up", number));
  return go_on;
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

void TLoggedObserver::OpenReadme(const std::string& file, const std::string& folder) {
  log_.Line("opening the read-me " + file);
  inner_.OpenReadme(file, folder);
}

void TLoggedObserver::Note(const std::string& text) {
  log_.Line(text);
  inner_.Note(text);
}

bool TSilentObserver::AskForDisc(int number, const std::function<bool()>& /*disc_in*/) {
  if (number == disc_) return false;
  disc_ = number;
  return true;
}

std::vector<std::string> TSilentObserver::DiscFolders() {
  std::vector<std::string> folders{medium_folder_};
  folders.insert(folders.end(), disc_folders_.begin(), disc_folders_.end());
  return folders;
}
