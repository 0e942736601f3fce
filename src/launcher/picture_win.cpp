#include "launcher/picture_win.h"

#include "imaging/picture_display.h"
#include "launcher/globals_win.h"

void ShowSettingsPicture(TDXPaintBox* box) {
  if (InstallSet->BackgroundImage.empty() || !GameArchive) return;
  const PictureLayout layout = LayOutPicture(*GameArchive, InstallSet->BackgroundImage, InstallSet->BackgroundMode,
                                             InstallSet->ImageSeed, box->Width(), box->Height(), box->DIB());
  if (layout.stretch) box->SetStretch(true);
  if (layout.center) box->SetCenter(true);
  box->Invalidate();
}
