// The bodies of the fuzz targets: each takes one input, drives one reader
// through everything it offers and returns normally when the reader either
// accepted the input or rejected it with its own format error. Anything else
// (a crash, a sanitizer report, an unexpected exception) is a finding.
//
// The libFuzzer programs (fuzz_*.cpp) call them, and so does the regression
// test, which replays every input kept in fuzz/regressions/ in the normal
// builds, the 32-bit Windows one included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zifuzz {

// Archive inputs are written as files into this folder (Shift-JIS, with a
// trailing delimiter) before they are opened; it must exist.
void SetScratchFolder(const std::string& folder);

void Settings(const uint8_t* data, size_t size);
// First byte: 0 a data file starting with its directory, 1 a directory file
// ".ext" beside its data file (the next 4 bytes, little-endian, modulo the
// rest, say where the directory ends), 2 a carrier program with its trailer.
void Archive(const uint8_t* data, size_t size);
// The surface budget of the Gale target's loads: the program's own unless
// set. The fuzz programs take a smaller one, so that each run stays fast and
// the fuzzer tries more inputs; the regression test keeps the program's.
void SetGaleBudget(int64_t bytes);

// A Gale picture as it is stored: read whole with kGaleKey, the key of the
// scrambled seeds, and its first frame alone with key 0.
constexpr int32_t kGaleKey = 1234;
void Gale(const uint8_t* data, size_t size);
// PNG bytes; every chunk's CRC is set right first unless the first byte is
// 0xFF (then read as 0x89, the signature's).
void Png(const uint8_t* data, size_t size);
void JsonSettings(const uint8_t* data, size_t size);
// The uninstaller's plan: two bytes (little-endian) give the length of a
// settings file that follows; the rest draws a snapshot of the system. Every
// planned action must stay inside the install folder, the program group of
// the title and the product's own registry key.
void Uninstall(const uint8_t* data, size_t size);

// Runs the target of that name ("settings", "archive", "gale", "png", "json", "uninstall");
// false for an unknown name.
bool RunTarget(const std::string& name, const uint8_t* data, size_t size);

}  // namespace zifuzz
