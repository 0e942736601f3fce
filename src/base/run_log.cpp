#include "base/run_log.h"

#include <ctime>

#include "base/encoding.h"
#include "base/errors.h"
#include "base/format.h"

TRunLog::TRunLog(const std::string& path, const std::string& heading, bool append)
    : start_(std::chrono::steady_clock::now()) {
  OsFile::Options o;
  o.access = OsFile::kWrite;
  o.share = OsFile::Share::kRead;
  if (append) {
    o.disposition = OsFile::Disposition::kOpenExisting;
    file_ = OsFile::Open(path, o);
    if (file_.IsOpen() && file_.Seek(0, OsFile::Origin::kEnd) < 0) file_ = OsFile();
  }
  if (!file_.IsOpen()) {
    o.disposition = OsFile::Disposition::kCreateAlways;
    file_ = OsFile::Open(path, o);
  }
  if (!file_.IsOpen()) throw errors::CreateFailed(path);
  const std::time_t now = std::time(nullptr);
  char stamp[32] = "";
  if (const std::tm* local = std::localtime(&now)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
  Line(heading + " " + stamp);
}

double TRunLog::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void TRunLog::Line(const std::string& sjis_text) {
  std::string text;
  text.reserve(sjis_text.size());
  for (size_t i = 0; i < sjis_text.size(); ++i) {
    const char c = sjis_text[i];
    if (c == '\r' && i + 1 < sjis_text.size() && sjis_text[i + 1] == '\n') continue;
    if (c == '\n' || c == '\r') text += " / ";
    else text += c;
  }
  // Trail bytes of Shift-JIS are never '\r' or '\n', so the walk above keeps characters whole.
  const std::string line = Format("[%9.3f] ", Seconds()) + enc::SjisToUtf8(text) + "\n";
  // A log that cannot be written must not stop the work it records.
  file_.Write(line.data(), static_cast<int64_t>(line.size()));
}
