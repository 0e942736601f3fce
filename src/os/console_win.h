// Text for whoever started this GUI program (a script, an administrator's
// prompt). A GUI program has no console of its own: output redirected by the
// parent (a file, a pipe) comes as the standard handle; a console the parent
// runs in is reached by attaching to it for as long as this object lives. A
// console is written in UTF-16, anything else gets UTF-8 like the run log.
#pragma once

#include <string>

class TParentOutput {
 public:
  TParentOutput();
  ~TParentOutput();
  TParentOutput(const TParentOutput&) = delete;
  TParentOutput& operator=(const TParentOutput&) = delete;

  // One line (Shift-JIS); nothing when the parent gave no output.
  void Line(const std::string& sjis);
  // Whether the parent gave an output or runs in a console to write to.
  bool Available() const { return out_ != nullptr; }

 private:
  void Write(const std::string& sjis);

  void* out_ = nullptr;
  bool owned_ = false;
  bool attached_ = false;
  bool console_ = false;
};

// One line for the parent, through a TParentOutput of its own.
void WriteToParentConsole(const std::string& sjis_text);

// The full form of a path given on the command line (relative to the current
// folder), or "" when the system cannot form it or code page 932 cannot hold it.
std::string FullPathName(const std::string& path);
