// galetool: inspects Gale pictures and makes them from PNG files.
//   galetool info [--key K] [--first] IN
//   galetool pixels [--key K] [--frame I] IN OUT
//   galetool png [--key K] [--frame I] IN OUT.png
//   galetool from-png [--tile WxH] [--key K] [--jpeg QUALITY] IN.png OUT
// "-" for IN or OUT is standard input or output. Exit codes: 0 success, 2 a
// usage error, or input that cannot be read or is damaged, or an output that
// cannot be written (one line on err).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "imaging/dibsfc.h"
#include "png.h"

// args without the program name, UTF-8. out gets the JSON of info, help,
// and the bytes of an output named "-".
int RunGaletool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The picture of a PNG: 24 bits, or 32 bits with an alpha surface when the
// PNG has alpha.
void SurfaceFromPng(const TPngImage& png, TDIBSurface& surface);
// A surface as PNG pixels (its colours; alpha from its alpha surface).
TPngImage PngFromSurface(const TDIBSurface& surface);
