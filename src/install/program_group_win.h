// The Start menu's program group of an installation, removed through the
// shell's Program Manager service (DDE service and topic "PROGMAN").
#pragma once

#include <string>

// Asks the Program Manager service to delete the group named title
// (DeleteGroupCommand, the name always quoted). True when the service took the command; false when
// no conversation could be made (no shell answering), the title cannot be
// put in a command, or the service refused it. Whether the group is gone is
// for the caller to confirm. The conversation is carried out in the system's
// ANSI code page when the title fits it exactly (some shells refuse the
// command from a Unicode conversation under code page 932), in UTF-16
// otherwise.
bool DeleteProgramGroup(const std::string& title);
