// Scaling a 24-bit picture to another size for a screen above 96 DPI.
//
// Where the new size is a whole multiple of the old one in both directions
// (the same size included), each pixel becomes a block of equal pixels
// (nearest neighbour): the picture looks exactly as at 96 DPI, only larger,
// with every edge as hard as before. Any other size is resampled by area
// averaging: each new pixel takes the mean colour of the part of the picture
// it covers. Plain areas stay plain and an edge is softened only in the one
// pixel that straddles it, where nearest neighbour would double every other row and column and
// make even lines uneven.
#pragma once

#include "imaging/dib.h"

enum class TScaleFilter { kNearest, kAreaAverage };

// The filter ScalePicture uses from a picture of src_w x src_h to dst_w x dst_h.
TScaleFilter ChooseScaleFilter(int src_w, int src_h, int dst_w, int dst_h);

// dest := source (24 bits) scaled to dst_w x dst_h, 24 bits. An empty source or
// size leaves dest empty. Throws EInvalidGraphicOperation when source does not
// have 24 bits, or when dest cannot be that large.
void ScalePicture(const TDIB& source, int dst_w, int dst_h, TDIB& dest);
