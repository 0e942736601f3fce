#include "imaging/picture_display.h"

#include "base/stream.h"
#include "imaging/gales.h"

PictureLayout LayOutPicture(TVrFileCollection& archive, const std::string& entry, uint8_t mode, uint32_t seed,
                            int box_width, int box_height, TDIB& bitmap) {
  PictureLayout layout;
  bitmap.Clear();
  bitmap.SetPixelFormat(8, 8, 8);
  TMemoryStream stream;
  archive.ReadEntry(stream, entry);
  TGaleFrameList picture(static_cast<int32_t>(seed));
  picture.LoadFromStream(stream, true);
  const TDIBSurface& surface = picture.Frames(0).Surface;
  switch (mode) {
    case kBackgroundCenter:
    case kBackgroundStretch:
      bitmap.SetSize(surface.Width(), surface.Height(), 24);
      surface.DrawTo24(bitmap, 0, 0);
      layout.stretch = mode == kBackgroundStretch;
      layout.center = mode == kBackgroundCenter;
      break;
    case kBackgroundTile:
      bitmap.SetSize(box_width, box_height, 24);
      if (surface.Width() > 0 && surface.Height() > 0) {
        for (int y = 0; y < box_height; y += surface.Height())
          for (int x = 0; x < box_width; x += surface.Width()) surface.DrawTo24(bitmap, x, y);
      }
      break;
    default:
      break;  // decoded, shown nowhere
  }
  return layout;
}
