// The read-me at the end of an installation: shown by the shell, or in the
// program's own window, and the text that window shows.
//
// A text read-me is written in Shift-JIS; the shell's editor reads it in the
// system's ANSI code page, which shows it garbled anywhere but on a code page
// 932 system. There the program shows it itself, converted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class TReadmeView {
  kShell,      // opened by the shell ("open"), as any document
  kOwnWindow,  // read and shown in the program's own window
};

// kOwnWindow for a text file (".txt" or ".text", case ignored) when the
// system's ANSI code page is not 932; kShell for every other file, and for
// every file on a code page 932 system.
TReadmeView ReadmeViewFor(const std::string& file, unsigned ansi_code_page);

// The most of a read-me the window shows: a larger file is refused whole
// rather than cut.
constexpr int64_t kReadmeMaxBytes = 1 << 20;

// The text of a read-me as an edit control shows it: Shift-JIS (or UTF-8 or
// UTF-16LE after their byte order mark) to UTF-16, every line ending CR LF,
// a NUL (which would end the control's text) a space.
std::u16string ReadmeDisplayText(std::string_view bytes);

struct TReadmeText {
  std::u16string text;  // what the window shows
  std::string error;    // a message for the person when the file could not be shown; "" otherwise
};

// Reads at most kReadmeMaxBytes of file. A file that cannot be opened or
// read, or is larger, gives an error that names it.
TReadmeText LoadReadme(const std::string& file);
