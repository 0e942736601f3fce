// The commands of vftool. Each takes the arguments after its name (UTF-8)
// and returns the process exit code (tools::ExitCode); a usage error or an
// unreadable input ends the process through tools::Exit with code 2.
#pragma once

#include <string>
#include <vector>

#include "archive/vrfiles.h"

namespace vftool {

using Args = std::vector<std::string>;

int Main(const Args& args);
int List(const Args& args);
int Cat(const Args& args);
int Extract(const Args& args);
int Pack(const Args& args);
int Merge(const Args& args);
int Verify(const Args& args);

// An argument as a Shift-JIS name; exits with code 2 when code page 932
// cannot spell it.
std::string SjisArgument(const std::string& utf8);
// Opens the archive named by a UTF-8 argument as TVrFileCollection::Open
// does; exits with code 2 when it is neither a file nor a folder.
void OpenArchive(TVrFileCollection& archive, const std::string& utf8_name);

}  // namespace vftool
