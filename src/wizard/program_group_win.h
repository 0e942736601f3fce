// The Start menu's program group of an installation, removed through the
// shell's Program Manager service (DDE service and topic "PROGMAN").
#pragma once

#include <string>

// Asks the Program Manager service to delete the group named title
// (DeleteGroupCommand). False when no conversation with the service could
// be made (no shell answering, DDE unavailable) or the title cannot be put
// in a command; the outcome of the command itself is not known to the caller. The title is Shift-JIS; the conversation
// is carried out in UTF-16 converted with code page 932.
bool DeleteProgramGroup(const std::string& title);
