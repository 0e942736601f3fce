// fuzz_seeds OUT: writes the seed corpora of the fuzz targets, one folder per
// target under OUT, from the project's own writers: settings files, archives
// in their three forms and several directory versions, Gale pictures (the
// writer's forms, and older versions through the tests' byte builder), PNG
// files and settings as JSON. Small inputs: the fuzzer grows them itself.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "common/archive_fixture.h"
#include "base/stream.h"
#include "gale_builder.h"
#include "galetool/png.h"
#include "imaging/galewriter.h"
#include "settings/install_set.h"
#include "settings_json.h"
#include "targets.h"

namespace {

std::string g_out;

void Put(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::string dir = g_out + "/" + target;
  mkdir(g_out.c_str(), 0755);
  mkdir(dir.c_str(), 0755);
  std::ofstream f(dir + "/" + name, std::ios::binary);
  f << bytes;
  if (!f) throw std::runtime_error("cannot write " + dir + "/" + name);
}

std::string Bytes(TMemoryStream& m) {
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

TZefoInstallSet SampleSettings() {
  TZefoInstallSet s;
  s.Title = "ゲーム";
  s.SetupCaption = "セットアップ";
  s.DefaultDir = "C:\\Games\\表";
  s.SetDiskCount(2);
  s.DiskDataSize = {100, 200};
  s.InstalledFiles = {"game.exe", "data\\a.dat"};
  s.CopyFiles = {"movie\\op.mpg"};
  s.RegistryKey = "Maker\\Game";
  s.BackgroundImage = "back.gal";
  s.FromArchive = 1;
  return s;
}

void Settings() {
  TZefoInstallSet s;
  TMemoryStream empty;
  s.SaveToStream(empty);
  Put("settings", "empty", Bytes(empty));
  TMemoryStream m;
  SampleSettings().SaveToStream(m);
  Put("settings", "sample", Bytes(m));
}

// A settings file behind its two-byte length, then the snapshot's choices.
void Uninstalls() {
  TMemoryStream m;
  TZefoInstallSet s = SampleSettings();
  s.InstalledFiles = {"game.exe", "data\\a.dat", "..\\victim.txt", "install.exe", "install.dat"};
  s.UninstallMode = 1;
  s.SaveToStream(m);
  const std::string settings = Bytes(m);
  const std::string head{static_cast<char>(settings.size() & 0xFF), static_cast<char>(settings.size() >> 8)};
  Put("uninstall", "plain", head + settings + std::string(8, '\x01'));
  Put("uninstall", "hostile", head + settings + "\x00\x01\x13\x05\x11\x01\x01\x00\x01\x03\x01\x01\x00\x02\x01\x01");
}

void Archives() {
  const std::vector<FixtureEntry> entries = {
      {"readme.txt", "hello", false, 0x4A214A21, 0},
      {"data\\表.dat", std::string(300, 'x') + "end", true, 0x4A214A22, 0},
      {"setup.exe", "MZ", false, 0, 1},
  };
  for (int version : {0, 100, 101, 102}) {
    const std::string v = std::to_string(version);
    Put("archive", "data-" + v, std::string(1, '\0') + BuildArchive(version, entries));
    std::string data;
    const std::string dir = BuildDirectory(version, entries, 0, &data);
    Put("archive", "ext-" + v, std::string(1, '\1') + gale_test::Le32(static_cast<int32_t>(dir.size())) + dir + data);
    const std::string stub = "MZ stub program";
    const std::string archive = BuildArchive(version, entries);
    // The carrier's directory lies after the stub; offsets count from it.
    std::string carried = stub + archive + gale_test::Le32(static_cast<int32_t>(stub.size())) + "zf";
    Put("archive", "carrier-" + v, std::string(1, '\2') + carried);
  }
}

uint32_t P(int x, int y) { return ((x * 37 + y * 11) & 0xFF) | (((x * 5 + y * 71) & 0xFF) << 8); }

void Gales() {
  TDIBSurface picture;
  picture.SetSize(9, 7, 24);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) picture.SetPixel(x, y, P(x, y));
  struct Form {
    const char* name;
    TGaleWriteOptions o;
  };
  std::vector<Form> forms(6);
  forms[0] = {"zlib", {}};
  forms[1].name = "stored";
  forms[1].o.Compression = TGaleWriteOptions::TCompression::kStored;
  forms[2].name = "jpeg";
  forms[2].o.Compression = TGaleWriteOptions::TCompression::kJpeg;
  forms[3].name = "tiled";
  forms[3].o.TileWidth = forms[3].o.TileHeight = 4;
  forms[4].name = "scrambled";
  forms[4].o.Scramble = true;
  forms[4].o.Key = zifuzz::kGaleKey;
  forms[5].name = "tiled-scrambled";
  forms[5].o.TileWidth = forms[5].o.TileHeight = 3;
  forms[5].o.Scramble = true;
  forms[5].o.Key = zifuzz::kGaleKey;
  for (const Form& f : forms) {
    TMemoryStream m;
    WriteGalePicture(m, picture, f.o);
    Put("gale", std::string("writer-") + f.name, Bytes(m));
  }
  TDIBSurface alpha_picture;
  alpha_picture.SetSize(5, 4, 32);
  alpha_picture.CreateAlpha();
  alpha_picture.FillAlpha();
  TMemoryStream m;
  WriteGalePicture(m, alpha_picture, {});
  Put("gale", "writer-alpha", Bytes(m));

  // Older layouts and palette depths, two frames, through the byte builder.
  for (int version : {0, 100, 102, 103, 104}) {
    gale_test::Image im;
    im.version = version;
    for (int bits : {1, 4, 8}) {
      gale_test::Frame f;
      f.width = 5;
      f.height = 3;
      f.bits = bits;
      f.palette = {0x000000, 0xFFFFFF, 0xFF0000};
      gale_test::Layer l;
      l.colour = gale_test::Zlib(gale_test::Rows(5, 3, bits, [](int x, int y) { return uint32_t((x + y) & 1); }));
      f.layers.push_back(l);
      im.frames.push_back(f);
    }
    Put("gale", "builder-" + std::to_string(version), gale_test::Build(im));
  }
}

void Pngs() {
  for (int channels : {3, 4}) {
    TPngImage image;
    image.Width = 6;
    image.Height = 5;
    image.Channels = channels;
    for (int i = 0; i < 6 * 5 * channels; ++i) image.Pixels.push_back(static_cast<uint8_t>(i * 7));
    Put("png", "rgb" + std::string(channels == 4 ? "a" : ""), WritePng(image));
  }
}

void Jsons() {
  Put("json", "sample", SettingsToJson(SampleSettings()).Dump());
  Put("json", "empty", SettingsToJson(TZefoInstallSet()).Dump());
  Put("json", "values", "[1, -2.5e3, true, false, null, \"\\u00e9\\ud83d\\ude00\", {\"a\": [[]]}]");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds OUT\n";
    return 2;
  }
  g_out = argv[1];
  try {
    Settings();
    Uninstalls();
    Archives();
    Gales();
    Pngs();
    Jsons();
  } catch (const std::exception& e) {
    std::cerr << "fuzz_seeds: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
