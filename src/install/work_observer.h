// What the install and uninstall work tell the person watching, and what they
// ask. The wizard's pages implement it with their labels, progress bar and
// message dialogs; a run without windows implements it with a log. The work
// itself never touches a control: every text it shows is its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TWorkObserver {
 public:
  virtual ~TWorkObserver() = default;

  // The heading of the work ("ファイルをコピーしています", ...).
  virtual void Caption(const std::string& text) = 0;
  // The line under it: the file or entry at hand.
  virtual void Status(const std::string& text) = 0;
  // Bytes done of the bytes needed; both 64-bit, any size (the bar scales them).
  virtual void ByteProgress(int64_t done, int64_t total) = 0;
  // Items done: position index on a bar that ends at last.
  virtual void ItemProgress(int32_t index, int32_t last) = 0;
  // The status line and the bar go away (the shortcut step has neither).
  virtual void HideProgress() = 0;

  // Lets the window handle pending input, then tells whether the person has
  // asked to stop (an Abort they confirmed). Called at fixed points only.
  virtual bool StopRequested() = 0;
  // Asks for disc number (1-based) and waits: true when the person says it
  // is in, false when they gave up (and confirmed it); the work then stops.
  // While it waits it may call disc_in, which looks at every place the disc
  // may be in and tells whether it is there now: a true answer may end the
  // wait as OK does. After the wait the work looks once more itself.
  virtual bool AskForDisc(int number, const std::function<bool()>& disc_in) = 0;
  // Folders to look in for a later disc, after the one the last disc came
  // from and before the drives. None unless a run was given some.
  virtual std::vector<std::string> DiscFolders() { return {}; }
  // A warning with OK, and an information with OK.
  virtual void Warn(const std::string& text) = 0;
  virtual void Inform(const std::string& text) = 0;
  // An error with OK: the work refuses to go on. A warning unless told otherwise.
  virtual void Error(const std::string& text) { Warn(text); }
  // The fixed pauses of the work (the person reads a label; the shell opens
  // a window). A run without windows need not wait.
  virtual void Pause(int milliseconds) = 0;
  // Back to the foreground after the shell opened a window of its own.
  virtual void BringToFront() = 0;
  // Shows the read-me file (a full path) to the person, who reads it in
  // folder. Nothing by default: a run without windows shows nothing.
  virtual void OpenReadme(const std::string& /*file*/, const std::string& /*folder*/) {}

  // A record of what was done to the file system, for a log. Nothing by default.
  virtual void Note(const std::string& /*text*/) {}
};

// How a piece of work ended. An error raised on the way is an exception.
enum class TWorkOutcome {
  kFinished,  // everything done: the wizard moves to its last page
  kAborted,   // stopped: the person aborted, or a check failed after a warning (result Abort)
  kClosed,    // stopped after a warning that ends the wizard with result OK
  kIncomplete,  // ran to its end, but left some of what it had to remove (a warning named it)
};
