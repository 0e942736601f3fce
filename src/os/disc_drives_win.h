// The drives a disc can be put in or an image mounted on: CD-ROM and
// removable drives, in letter order, each asked only whether it is ready.
// Cheap enough to call once a second from the window's thread: a drive
// without a disc answers at once, and no system box asks for one.
#pragma once

#include <string>
#include <vector>

struct DiscDrive {
  std::string root;  // "E:\"
  bool ready = false;  // holds a disc (or a mounted image) that can be read
};

// Floppy drives are left out: asking one spins it up for a second or more.
std::vector<DiscDrive> DiscDrives();
