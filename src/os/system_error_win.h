// The system's own words for an error code, for messages that say why.
#pragma once

#include <string>

// The text of a Win32 error code without its final line break and full stop,
// or "error N" when the system has none.
std::string SystemErrorText(unsigned long code);
