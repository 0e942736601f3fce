// Shows the package's background picture (BackgroundImage of the settings,
// read from the package's archive, decoded with ImageSeed) in a paint box,
// centred, stretched or tiled as BackgroundMode says. Without a picture name,
// or without an open archive, the box stays empty. Errors propagate.
#pragma once

#include "forms/paintbox_win.h"
#include "install/wizard_context.h"

void ShowSettingsPicture(TDXPaintBox* box, const TWizardContext& context);
