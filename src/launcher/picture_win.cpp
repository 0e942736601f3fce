#include "launcher/picture_win.h"

#include "imaging/picture_display.h"

void ShowSettingsPicture(TDXPaintBox* box, const TWizardContext& context) {
  const TZefoInstallSet& s = *context.settings;
  if (s.BackgroundImage.empty() || !context.archive) return;
  const PictureLayout layout = LayOutPicture(*context.archive, s.BackgroundImage, s.BackgroundMode, s.ImageSeed,
                                             box->Width(), box->Height(), box->DIB());
  if (layout.stretch) box->SetStretch(true);
  if (layout.center) box->SetCenter(true);
  box->Invalidate();
}
