// The package's background picture, laid out for a paint box: read from the
// archive, decoded (first frame only) and drawn at 1:1 into a 24-bit bitmap,
// once for centred or stretched display, or repeated over the whole box for
// tiled display.
#pragma once

#include <cstdint>
#include <string>

#include "archive/vrfiles.h"
#include "imaging/dib.h"

enum TBackgroundMode : uint8_t { kBackgroundCenter = 0, kBackgroundStretch = 1, kBackgroundTile = 2 };

struct PictureLayout {
  bool center = false;
  bool stretch = false;
};

// Fills bitmap (pixel format 8-8-8) with the picture named entry, decoded with
// seed as its key, for a box of box_width x box_height:
//   mode 0 or 1: the picture's own size; center (0) or stretch (1) is set;
//   mode 2:      the box's size, the picture repeated from the top left, cut
//                at the right and bottom edges;
//   otherwise:   the picture is read and decoded but the bitmap stays empty.
// Throws what reading the entry or decoding throws (a missing entry, a
// damaged picture); bitmap is then left empty.
PictureLayout LayOutPicture(TVrFileCollection& archive, const std::string& entry, uint8_t mode, uint32_t seed,
                            int box_width, int box_height, TDIB& bitmap);
