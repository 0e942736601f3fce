// Linked folders for tests under Wine. Wine's CreateSymbolicLinkW makes
// nothing, but Wine reports a Unix symbolic link to a folder as a reparse
// point (one to a file as a plain file), so a test makes one with the host's
// ln, started as Wine starts any program.
#pragma once

#include <string>

namespace testing_support {

// Makes link (a Windows path that does not exist yet) a symbolic link to
// target (a Windows path). False when not running under Wine or ln failed.
bool MakeUnixLink(const std::string& target, const std::string& link);

}  // namespace testing_support
