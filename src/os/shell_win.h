// The shell: special folders and starting programs or documents.
#pragma once

#include <string>

// The shell's folder number for Program Files.
constexpr int kCsidlProgramFiles = 0x26;

// Path of a special folder (a CSIDL number). Program Files comes from the
// registry value ProgramFilesDir and may be empty; for every other folder a
// failure of the shell throws EError.
std::string SpecialFolderPath(int csidl);

// ShellExecute "open" of file with parameters, working folder (empty: none)
// and show command; returns the shell's result (> 32 on success).
int ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder, int show);

// Starts program with parameters (the current folder stays the working one),
// hands it this process's standard output and error, and waits for its end.
// True with its exit code in *exit_code; false when it could not be started
// (GetLastError tells why).
bool RunAndWait(const std::string& program, const std::string& parameters, unsigned long* exit_code);
