// vftool as its users run it: a child process on temporary files, checked by
// its output, its files and its exit code.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "archive/bigstreams.h"
#include "archive/dirformat.h"
#include "archive/vrfiles.h"
#include "common/archive_fixture.h"
#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/cli.h"
#include "common/run_tool.h"
#include "common/temp_dir.h"
#include "settings/install_set.h"

using testing_support::ReadFileBytes;
using testing_support::ToolResult;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

ToolResult Vftool(const std::vector<std::string>& args) { return testing_support::RunTool(ZI_VFTOOL_EXE, args); }

// A program path as the tool takes it: UTF-8.
std::string U(const std::string& sjis) { return enc::SjisToUtf8(sjis); }

constexpr int32_t kTime = 0x5A213C40;  // 2025-01-01 07:34:00

std::string Pseudorandom(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 23);
  }
  return s;
}

// The input folder of most tests: text that compresses, bytes that do not, an
// empty file, and Shift-JIS names with trail bytes 0x5C (表, ソ).
struct Input {
  std::string name;  // entry name
  std::string content;
};
const std::vector<Input>& Inputs() {
  static const std::vector<Input> inputs = {
      {"install.dat", "[settings]\r\nTitle=Game\r\n"},
      {"data\\text.txt", std::string(20000, 'a') + "end"},
      {"data\\random.bin", Pseudorandom(70000, 7)},
      {"empty.bin", ""},
      {"\x95\x5C\\\x83\x5C.txt", "sjis content"},
  };
  return inputs;
}

void WriteInputs(const TempDir& dir, const std::string& folder) {
  for (const Input& in : Inputs()) {
    WriteFileBytes(dir / (folder + "\\" + in.name), in.content);
    ASSERT_TRUE(fs::SetFileAge(dir / (folder + "\\" + in.name), kTime));
  }
}

}  // namespace

TEST(Vftool, PackListCatExtractRoundTrip) {
  TempDir dir;
  WriteInputs(dir, "in");
  ToolResult r = Vftool({"pack", U(dir / "game.dat"), U(dir / "in")});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  r = Vftool({"list", "--json", U(dir / "game.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // Folder listings come in byte order of the names.
  EXPECT_NE(r.out.find(u8R"({"entries":[{"name":"data\\random.bin",)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(u8R"("name":"表\\ソ.txt")"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(Format("\"end\":%lld}", static_cast<long long>(fs::FileSizeOf(dir / "game.dat")))),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"stored\":0,\"filetime\":1512127552"), std::string::npos) << "text compressed: " << r.out;

  r = Vftool({"list", U(dir / "game.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("      OFFSET         SIZE  STORED  TIME", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("2025-01-01 07:34:00"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("5 entries"), std::string::npos) << r.out;

  for (const Input& in : Inputs()) {
    SCOPED_TRACE(in.name);
    r = Vftool({"cat", U(dir / "game.dat"), U(in.name)});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, in.content);
  }

  r = Vftool({"extract", U(dir / "game.dat"), U(dir / "out")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const Input& in : Inputs()) {
    SCOPED_TRACE(in.name);
    EXPECT_EQ(ReadFileBytes(dir / ("out\\" + in.name)), in.content);
    EXPECT_EQ(fs::FileAge(dir / ("out\\" + in.name)), kTime);
  }
  // Only the named entries.
  r = Vftool({"extract", U(dir / "game.dat"), U(dir / "some"), "install.dat", U("\x95\x5C\\\x83\x5C.txt")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(fs::FileExists(dir / "some/\x95\x5C/\x83\x5C.txt"));
  EXPECT_FALSE(fs::DirectoryExists(dir / "some/data"));
}

TEST(Vftool, PacksEveryFormatVersion) {
  TempDir dir;
  WriteInputs(dir, "in");
  for (int version : {0, 1, 99, 100, 101, 102}) {
    SCOPED_TRACE(version);
    const std::string out = dir / Format("v%d.dat", version);
    ToolResult r = Vftool({"pack", "--format-version", std::to_string(version), U(out), U(dir / "in")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    TVrFileCollection c;
    c.Open(out);
    ASSERT_EQ(c.Count(), 6);
    for (const Input& in : Inputs()) {
      TMemoryStream m;
      c.ReadEntry(m, in.name);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize())), in.content);
    }
    // Without attribute blocks every entry must be a zlib stream.
    if (version < 101) {
      for (int i = 0; i < 5; ++i) EXPECT_EQ(c.Files(i).Stored, 0);
    }
  }
}

TEST(Vftool, LooseEntriesAreStoredAsTheyAre) {
  TempDir dir;
  const std::string a = std::string(1000, 'x'), b = Pseudorandom(300, 3);
  WriteFileBytes(dir / "in/a.txt", a);
  WriteFileBytes(dir / "in/b.bin", b);
  ASSERT_TRUE(fs::SetFileAge(dir / "in/a.txt", kTime));
  ASSERT_TRUE(fs::SetFileAge(dir / "in/b.bin", kTime));
  ToolResult r = Vftool({"pack", "--loose", "*.TXT", U(dir / "game.dat"), U(dir / "in")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Vftool({"list", "--json", U(dir / "game.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // The directory: 10 + (4 + 5) * 2 + 3 * 8 + 2 * 10 = 72 bytes, then the entries.
  const std::string expected = Format(
      "{\"entries\":[{\"name\":\"a.txt\",\"offset\":72,\"size\":1000,\"stored\":1,\"filetime\":%d,\"crc\":%u,\"loose\":1},"
      "{\"name\":\"b.bin\",\"offset\":1072,\"size\":300,\"stored\":1,\"filetime\":%d,\"crc\":%u,\"loose\":0}],"
      "\"end\":1372}\n",
      kTime, ZlibCrc32(a), kTime, ZlibCrc32(b));
  EXPECT_EQ(r.out, expected);
  // Each --loose takes one pattern: what follows is OUT and the inputs.
  r = Vftool({"pack", "--loose", "a.txt", "--loose", "b.bin", U(dir / "two.dat"), U(dir / "in/a.txt"), U(dir / "in/b.bin")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  TVrFileCollection two;
  two.Open(dir / "two.dat");
  ASSERT_EQ(two.Count(), 3);
  EXPECT_EQ(two.Files(0).LooseFile, 1);
  EXPECT_EQ(two.Files(1).LooseFile, 1);
  // --loose only exists in version 102 directories.
  r = Vftool({"pack", "--format-version", "101", "--loose", "*", U(dir / "x.dat"), U(dir / "in")});
  EXPECT_EQ(r.exit_code, 2);
}

TEST(Vftool, DirectoryFileAndCarrierProgram) {
  TempDir dir;
  WriteInputs(dir, "in");
  ToolResult r = Vftool({"pack", "--ext", U(dir / "data.dat"), U(dir / "in")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  ASSERT_TRUE(fs::FileExists(dir / "data.ext"));
  EXPECT_EQ(ReadFileBytes(dir / "data.ext").substr(0, 2), "vf");
  // The data file holds entry bytes only: the first entry starts at 0.
  r = Vftool({"list", "--json", U(dir / "data.dat")});
  EXPECT_NE(r.out.find("\"offset\":0,"), std::string::npos) << r.out;
  r = Vftool({"cat", U(dir / "data.dat"), "install.dat"});
  EXPECT_EQ(r.out, Inputs()[0].content);

  const std::string stub = "MZ" + Pseudorandom(4094, 9);
  WriteFileBytes(dir / "stub.exe", stub);
  r = Vftool({"pack", "--carrier", U(dir / "stub.exe"), U(dir / "setup.exe"), U(dir / "in")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string carrier = ReadFileBytes(dir / "setup.exe");
  EXPECT_EQ(carrier.substr(0, stub.size()), stub);
  EXPECT_EQ(carrier.substr(carrier.size() - 6), std::string("\x00\x10\x00\x00zf", 6));  // directory at 4096
  r = Vftool({"cat", U(dir / "setup.exe"), U("\x95\x5C\\\x83\x5C.txt")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "sjis content");
}

TEST(Vftool, CatPrefersALooseFileBesideTheArchive) {
  TempDir dir;
  WriteInputs(dir, "in");
  ASSERT_EQ(Vftool({"pack", U(dir / "game.dat"), U(dir / "in")}).exit_code, 0);
  WriteFileBytes(dir / "install.dat", "loose beside");
  EXPECT_EQ(Vftool({"cat", U(dir / "game.dat"), "install.dat"}).out, "loose beside");
}

TEST(Vftool, ExitCodesAndMessages) {
  TempDir dir;
  WriteInputs(dir, "in");
  ASSERT_EQ(Vftool({"pack", U(dir / "game.dat"), U(dir / "in")}).exit_code, 0);
  WriteFileBytes(dir / "bad.dat", std::string("vf\x66\x00\x00\x00\xFF\xFF\x00\x00", 10));
  const struct {
    std::vector<std::string> args;
    int code;
    std::string message;
  } rows[] = {
      {{}, 2, ""},
      {{"frobnicate"}, 2, "unknown command \"frobnicate\" (see vftool --help)"},
      {{"list"}, 2, "vftool: list: ARCHIVE is required (see vftool list --help)"},
      {{"list", "--jsn", U(dir / "game.dat")}, 2, "not expected: --jsn"},
      {{"list", U(dir / "missing.dat")}, 2, "no such file"},
      {{"list", U(dir / "bad.dat")}, 2, U(dir / "bad.dat") + u8": アーカイブが壊れています（エントリ数 65535"},
      {{"cat", U(dir / "game.dat"), "nothing.txt"}, 1, u8"nothing.txt:ファイルがありません"},
      {{"cat", U(dir / "game.dat"), u8"\U0001F600"}, 2, "code page 932"},
      {{"extract", U(dir / "game.dat"), U(dir / "x"), "nothing.txt"}, 1, "no such entry"},
      {{"extract", U(dir / "in"), U(dir / "x")}, 2, "not an archive"},
      {{"pack", "--format-version", "103", U(dir / "p.dat"), U(dir / "in")}, 2, "--format-version"},
      {{"pack", "--level", "x", U(dir / "p.dat"), U(dir / "in")}, 2, "--level"},
      {{"pack", "--ext", "--carrier", U(dir / "in/install.dat"), U(dir / "p.dat"), U(dir / "in")}, 2, "exclude"},
      {{"pack", U(dir / "p.dat"), U(dir / "nothing")}, 2, "no such file"},
      {{"pack", U(dir / "in/install.dat"), U(dir / "in")}, 2, "among the inputs"},
      {{"merge", U(dir / "p.dat")}, 2, "SOURCE is required"},
      {{"merge", U(dir / "p.ext"), U(dir / "game.dat")}, 2, "must not end in .ext"},
      {{"merge", U(dir / "game.dat"), U(dir / "GAME.DAT")}, 2, "is DEST itself"},
      {{"merge", U(dir / "p.dat"), U(dir / "missing.dat")}, 2, "no such file"},
      // A folder is taken for an installation; this one's install.dat is no settings file.
      {{"verify", U(dir / "in")}, 2, "in: install.dat cannot be read: "},
      {{"verify", U(dir / "bad.dat")}, 2, u8"アーカイブが壊れています"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args.empty() ? "" : row.args[0] + (row.args.size() > 1 ? " " + row.args[1] : ""));
    const ToolResult r = Vftool(row.args);
    EXPECT_EQ(r.exit_code, row.code) << r.err;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    // One line, with the program's name.
    if (!row.message.empty()) {
      EXPECT_EQ(r.err.rfind("vftool: ", 0), 0u) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
  }
  EXPECT_FALSE(fs::FileExists(dir / "p.dat"));  // no output left behind
  EXPECT_EQ(ReadFileBytes(dir / "in/install.dat"), Inputs()[0].content);
}

TEST(Vftool, ExtractRefusesNamesThatLeaveTheFolder) {
  // (A name starting with "/" is a superseded entry: left out, unless named.)
  for (const char* bad : {"..\\evil.txt", "sub\\..\\..\\evil.txt", "\\evil.txt", "C:evil.txt", ".. \\evil.txt"}) {
    SCOPED_TRACE(bad);
    TempDir dir;
    WriteFileBytes(dir / "game.dat", BuildArchive(102, {{"ok.txt", "fine", false}, {bad, "evil", false}}));
    const ToolResult r = Vftool({"extract", U(dir / "game.dat"), U(dir / "out")});
    EXPECT_EQ(r.exit_code, 2) << r.err;
    EXPECT_NE(r.err.find("refusing"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::FileExists(dir / "evil.txt"));
    EXPECT_FALSE(fs::FileExists(dir / "out/ok.txt"));  // nothing at all is written
  }
  TempDir dir;
  WriteFileBytes(dir / "game.dat", BuildArchive(102, {{"/evil.txt", "evil", false}}));
  EXPECT_EQ(Vftool({"extract", U(dir / "game.dat"), U(dir / "out")}).exit_code, 0);
  const ToolResult r = Vftool({"extract", U(dir / "game.dat"), U(dir / "out"), "/evil.txt"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("refusing"), std::string::npos) << r.err;
}

TEST(Vftool, ExtractTakesOnlyTheEntryANameFinds) {
  TempDir dir;
  WriteFileBytes(dir / "game.dat", BuildArchive(102, {{"a.txt", "old", false},
                                                      {"/b.txt", "superseded", false},
                                                      {"A.TXT", "new", true}}));
  const ToolResult r = Vftool({"extract", U(dir / "game.dat"), U(dir / "out")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::vector<fs::DirEntry> files;
  ASSERT_TRUE(fs::ListDirectory(dir / "out", &files));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].name, "A.TXT");
  EXPECT_EQ(ReadFileBytes(dir / "out/A.TXT"), "new");
}

TEST(Vftool, ExtractChecksTheCrc) {
  TempDir dir;
  std::string bytes = BuildArchive(102, {{"good.txt", "good", false}, {"bad.txt", "was fine", false}});
  bytes[bytes.size() - 1] ^= 1;  // the last byte of bad.txt
  WriteFileBytes(dir / "game.dat", bytes);
  ToolResult r = Vftool({"extract", U(dir / "game.dat"), U(dir / "out")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("bad.txt: CRC mismatch"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "out/good.txt"), "good");
  EXPECT_FALSE(fs::FileExists(dir / "out/bad.txt"));
  // An entry that does not inflate is reported, the others still come out.
  std::string z = BuildArchive(102, {{"z.txt", std::string(100, 'z'), true}, {"plain.txt", "plain", false}});
  const std::string packed = Deflate(std::string(100, 'z'));
  z[static_cast<size_t>(z.size() - 5 - packed.size() + 3)] ^= 0x55;
  WriteFileBytes(dir / "z.dat", z);
  r = Vftool({"extract", U(dir / "z.dat"), U(dir / "zout")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(ReadFileBytes(dir / "zout/plain.txt"), "plain");
  EXPECT_FALSE(fs::FileExists(dir / "zout/z.txt"));
}

TEST(Vftool, MergeBuildsADataFileDiscAfterDiscAndVerifyChecksIt) {
  TempDir dir;
  WriteInputs(dir, "disc1");
  WriteFileBytes(dir / "disc2/install.dat", "[settings]\r\nDisk=2\r\n");
  WriteFileBytes(dir / "disc2/empty.bin", "not empty any more");
  ASSERT_TRUE(fs::SetFileAge(dir / "disc2/install.dat", kTime + 1));
  ASSERT_TRUE(fs::SetFileAge(dir / "disc2/empty.bin", kTime + 1));
  ASSERT_EQ(Vftool({"pack", "--loose", "install.dat", U(dir / "d1.dat"), U(dir / "disc1")}).exit_code, 0);
  ASSERT_EQ(Vftool({"pack", U(dir / "d2.dat"), U(dir / "disc2")}).exit_code, 0);

  // A new folder and data file; the loose install.dat of disc 1 stays out,
  // disc 2's newer empty.bin supersedes disc 1's.
  const std::string game = dir / "inst/game.dat";
  ToolResult r = Vftool({"merge", U(game), U(dir / "d1.dat"), U(dir / "d2.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.find(U(dir / "d1.dat") + ": 4 entries taken ("), 0u) << r.out;
  EXPECT_NE(r.out.find("\n" + U(dir / "d2.dat") + ": 2 entries taken ("), std::string::npos) << r.out;
  r = Vftool({"list", "--json", U(game)});
  EXPECT_NE(r.out.find("\"name\":\"/empty.bin\""), std::string::npos) << r.out;
  EXPECT_EQ(Vftool({"cat", U(game), "empty.bin"}).out, "not empty any more");
  EXPECT_EQ(Vftool({"cat", U(game), "install.dat"}).out, "[settings]\r\nDisk=2\r\n");
  r = Vftool({"verify", U(game)});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("5 entries checked", 0), 0u) << r.out;  // the superseded one left out

  // Nothing newer: nothing taken, the directory file not written again.
  ASSERT_TRUE(fs::SetFileAge(dir / "inst/game.ext", kTime));
  r = Vftool({"merge", U(game), U(dir / "d2.dat")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, U(dir / "d2.dat") + ": 0 entries taken (0 bytes)\n");
  EXPECT_EQ(fs::FileAge(dir / "inst/game.ext"), kTime);

  // One changed byte in the data file, in the last entry taken over.
  std::string data = ReadFileBytes(game);
  data[data.size() - 1] ^= 1;
  WriteFileBytes(game, data);
  r = Vftool({"verify", U(game)});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.rfind("vftool: install.dat: CRC mismatch", 0), 0u) << r.err;
}

TEST(Vftool, VerifyChecksAnInstallFolder) {
  TempDir dir;
  const std::string folder = dir / "\x83\x51\x81\x5B\x83\x80\\";  // ゲーム
  WriteFileBytes(folder + "readme.txt", "read me");
  std::string data = BuildArchive(102, {{"a.txt", std::string(1000, 'a'), false, kTime, 0}});
  WriteFileBytes(folder + "game.dat", data);
  TZefoInstallSet s;
  s.UninstallMode = 1;
  s.InstalledFiles = {"readme.txt", "game.dat", "install.dat"};
  s.SaveToFile(folder + "install.dat");

  ToolResult r = Vftool({"verify", U(folder)});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "verify: 3 files present, 1 entries checked (1000 bytes): intact\n");

  data.back() ^= 1;
  WriteFileBytes(folder + "game.dat", data);
  ASSERT_TRUE(fs::EraseFile(folder + "readme.txt"));
  r = Vftool({"verify", "-q", U(folder)});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "missing: readme.txt\ndamaged: game.dat: a.txt: CRC mismatch\n"
                   "verify: 2 files present, 1 entries checked (1000 bytes): 1 missing, 0 refused, 1 damaged\n");

  r = Vftool({"verify", U(dir.Path())});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "vftool: " + U(dir.Path()) + ": no install.dat in the folder\n");
}

TEST(Vftool, AFailedMergeRemovesTheDataFileItCreated) {
  TempDir dir;
  WriteInputs(dir, "in");
  ASSERT_EQ(Vftool({"pack", U(dir / "good.dat"), U(dir / "in")}).exit_code, 0);
  WriteFileBytes(dir / "bad.dat", std::string("vf\x66\x00\x00\x00\xFF\xFF\x00\x00", 10));
  const ToolResult r = Vftool({"merge", U(dir / "new.dat"), U(dir / "good.dat"), U(dir / "bad.dat")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find(u8"アーカイブが壊れています"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::FileExists(dir / "new.dat"));
  EXPECT_FALSE(fs::FileExists(dir / "new.ext"));
}

TEST(Vftool, AFailedCatLeavesNoPartialFile) {
  TempDir dir;
  WriteInputs(dir, "in");
  ASSERT_EQ(Vftool({"pack", U(dir / "game.dat"), U(dir / "in")}).exit_code, 0);
  // A folder holds OUT's name: the entry is read in full, then cannot take its place.
  ASSERT_TRUE(fs::MakeDirectories(dir / "out.txt"));
  ToolResult r = Vftool({"cat", "-o", U(dir / "out.txt"), U(dir / "game.dat"), "install.dat"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "vftool: " + U(dir / "out.txt") + ": cannot write\n");
  EXPECT_TRUE(fs::DirectoryExists(dir / "out.txt"));
  EXPECT_FALSE(fs::FileExists(dir / "out.txt.vftool-part"));
  // A name the archive does not hold.
  r = Vftool({"cat", "-o", U(dir / "x.txt"), U(dir / "game.dat"), "nothing.txt"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, u8"vftool: nothing.txt:ファイルがありません\n");
  EXPECT_FALSE(fs::FileExists(dir / "x.txt"));
  EXPECT_FALSE(fs::FileExists(dir / "x.txt.vftool-part"));
}

TEST(Vftool, PackStoresWhatDeflateDoesNotShrinkAndIsTheSameOnAnyNumberOfThreads) {
  TempDir dir;
  const std::string noise = Pseudorandom(3 << 20, 5);
  const struct {
    const char* name;
    std::string content;
    int stored;
  } files[] = {
      {"a-noise.ogg", noise, 1},                                        // given up after 16 KiB
      {"b-noise-then-text.bin", noise.substr(0, 1 << 20) + std::string(2 << 20, 't'), 1},
      {"c-text-then-noise.bin", std::string(100 << 10, 'x') + noise, 0},  // the text saves more than noise costs
      {"d-text.txt", std::string(3 << 20, 'x'), 0},
      {"e-small-noise.bin", noise.substr(0, 1000), 1},
      {"f-text-then-some-noise.bin", std::string(2 << 20, 'y') + noise.substr(0, 100 << 10), 0},
  };
  for (const auto& f : files) WriteFileBytes(dir / (std::string("in\\") + f.name), f.content);
  ASSERT_EQ(Vftool({"pack", "--jobs", "1", U(dir / "one.dat"), U(dir / "in")}).exit_code, 0);
  const ToolResult r = Vftool({"pack", "--jobs", "2", U(dir / "two.dat"), U(dir / "in")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "one.dat"), ReadFileBytes(dir / "two.dat"));

  TVrFileCollection c;
  c.Open(dir / "two.dat");
  ASSERT_EQ(c.Count(), 7);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(files[i].name);
    EXPECT_EQ(c.Files(i).Stored, files[i].stored);
    TMemoryStream m;
    c.ReadEntry(m, files[i].name);
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize())) ==
                files[i].content);
  }
  EXPECT_LT(c.Files(3).Size, 100000);
  EXPECT_EQ(Vftool({"verify", U(dir / "two.dat")}).exit_code, 0);
}

TEST(Vftool, ExtractTakesFoldersPatternsAndBothDelimiters) {
  TempDir dir;
  WriteFileBytes(dir / "game.dat", BuildArchive(102, {{"data\\a.txt", "a", false},
                                                      {"data\\sub\\b.bmp", "b", false},
                                                      {"database.txt", "not below data", false},
                                                      {"voice\\v1.ogg", "v1", false},
                                                      {"voice\\v2.wav", "v2", false},
                                                      {"readme.txt", "r", false}}));
  ToolResult r = Vftool({"extract", "-v", U(dir / "game.dat"), U(dir / "out"), "DATA/", "voice/*.ogg", "readme.txt"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "data\\a.txt\ndata\\sub\\b.bmp\nvoice\\v1.ogg\nreadme.txt\n");  // directory order, each once
  EXPECT_EQ(ReadFileBytes(dir / "out/data/sub/b.bmp"), "b");
  EXPECT_FALSE(fs::FileExists(dir / "out/database.txt"));
  EXPECT_FALSE(fs::FileExists(dir / "out/voice/v2.wav"));
  // A name that finds nothing is reported; the others still come out.
  r = Vftool({"extract", U(dir / "game.dat"), U(dir / "out2"), "*.mpg", "data\\sub"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("*.mpg: no such entry, folder or matching name"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "out2/data/sub/b.bmp"), "b");
  // cat takes "/" too, and writes to a file with -o.
  r = Vftool({"cat", "-o", U(dir / "b.out"), U(dir / "game.dat"), "data/sub/b.bmp"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "b.out"), "b");
}

TEST(Vftool, ExtractLeavesReadOnlyFilesAloneUnlessAskedTo) {
  TempDir dir;
  WriteFileBytes(dir / "game.dat", BuildArchive(102, {{"a.txt", "new a", false}, {"b.txt", "new b", false}}));
  WriteFileBytes(dir / "out/a.txt", "old a");
  WriteFileBytes(dir / "out/b.txt", "old b");
  ASSERT_TRUE(tools::MakeWritable(dir / "out/a.txt"));
#ifdef _WIN32
  ASSERT_TRUE(SetFileAttributesW(enc::Wide(dir / "out/a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
#else
  ASSERT_EQ(chmod(fs::NativePath(dir / "out/a.txt").c_str(), 0444), 0);
#endif
  ASSERT_TRUE(tools::IsReadOnlyFile(dir / "out/a.txt"));
  ToolResult r = Vftool({"extract", U(dir / "game.dat"), U(dir / "out")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("a.txt: read-only file, not replaced (--overwrite replaces it)"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "out/a.txt"), "old a");
  EXPECT_EQ(ReadFileBytes(dir / "out/b.txt"), "new b");  // a writable file is replaced
  r = Vftool({"extract", "--overwrite", U(dir / "game.dat"), U(dir / "out")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "out/a.txt"), "new a");
}

TEST(Vftool, PackRefusesOutputsThatWouldNotReadBack) {
  TempDir dir;
  WriteInputs(dir, "in");
  WriteFileBytes(dir / "stub.exe", "MZ" + Pseudorandom(100, 1));
  const struct {
    std::vector<std::string> args;
    std::string message;
  } rows[] = {
      {{"--carrier", U(dir / "stub.exe"), U(dir / "setup.dat")}, "with --carrier, OUT must end in .exe"},
      {{U(dir / "setup.exe")}, "a name ending in .exe is read as a carrier program"},
      {{"--ext", U(dir / "game.ext")}, "OUT must not end in .ext"},
      {{"--loose", "*.exe", U(dir / "game.dat")}, "--loose *.exe: matches no input"},
      {{U(dir / "no/game.dat")}, "game.dat: cannot write (no folder "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    std::vector<std::string> args = {"pack"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    args.push_back(U(dir / "in"));
    const ToolResult r = Vftool(args);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_FALSE(fs::FileExists(dir / "setup.dat"));
  EXPECT_FALSE(fs::FileExists(dir / "game.dat"));
  // A directory file left beside OUT would be read as its directory.
  ASSERT_EQ(Vftool({"pack", "--ext", U(dir / "game.dat"), U(dir / "in")}).exit_code, 0);
  ToolResult r = Vftool({"pack", U(dir / "game.dat"), U(dir / "in")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("game.ext: exists and would be read as OUT's directory"), std::string::npos) << r.err;
  // The directory file opened instead of its data file, and a missing volume.
  r = Vftool({"list", U(dir / "game.ext")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "vftool: " + U(dir / "game.ext") + ": this is a directory file (.ext); open game.dat\n");
  // A full first volume whose directory says the data runs on into a
  // second one, which is not there; then a first volume cut short.
  std::string data;
  const std::string directory = BuildDirectory(102, {{"a.bin", std::string(100, 'a'), false}}, kVolumeSize, &data);
  MakeSparse(dir / "big.dat", kVolumeSize);
  {
    TFileStream f(dir / "big.dat", kFmOpenReadWrite);
    f.WriteBuffer(directory.data(), static_cast<int64_t>(directory.size()));
  }
  r = Vftool({"list", U(dir / "big.dat")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "vftool: " + U(dir / "big.dat") + ": volume big.001 is missing\n");
  WriteFileBytes(dir / "short.dat", directory);
  r = Vftool({"verify", U(dir / "short.dat")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err.rfind("vftool: " + U(dir / "short.dat") + u8": アーカイブが壊れています", 0), 0u) << r.err;
}

TEST(Vftool, HelpVersionAndUsageFollowOneForm) {
  for (const char* command : {"list", "cat", "extract", "pack", "merge", "verify"}) {
    SCOPED_TRACE(command);
    const ToolResult r = Vftool({command, "--help"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find(std::string("Usage: vftool ") + command + " [OPTIONS]"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
    const ToolResult bad = Vftool({command, "--no-such-option"});
    EXPECT_EQ(bad.exit_code, 2);
    EXPECT_EQ(bad.err.rfind(std::string("vftool: ") + command + ": ", 0), 0u) << bad.err;
    EXPECT_NE(bad.err.find(std::string("(see vftool ") + command + " --help)\n"), std::string::npos) << bad.err;
  }
  EXPECT_NE(Vftool({"pack", "--help"}).out.find("--level INT:INT in [-1 - 9]=-1"), std::string::npos);
  const ToolResult v = Vftool({"--version"});
  EXPECT_EQ(v.exit_code, 0);
  EXPECT_EQ(v.out.rfind("vftool ", 0), 0u) << v.out;
}

TEST(Vftool, EntriesSupersededMoreThanOnceKeepTheirLeadingRun) {
  // A data file merged from discs that were themselves merged: the older
  // copies of a.txt are "/a.txt" and "//a.txt"; names below folders too.
  TempDir dir;
  WriteFileBytes(dir / "game.dat", BuildArchive(102, {{"//a.txt", "first", false},
                                                      {"/a.txt", "second", true},
                                                      {"a.txt", "current", false},
                                                      {"///sub\\b.txt", "third b", false},
                                                      {"sub\\b.txt", "current b", false}}));
  const std::pair<std::string, std::string> rows[] = {
      {"a.txt", "current"},        {"/a.txt", "second"},          {"//a.txt", "first"},
      {"///sub/b.txt", "third b"}, {"///sub\\b.txt", "third b"}, {"sub/b.txt", "current b"},
  };
  for (const auto& [name, content] : rows) {
    SCOPED_TRACE(name);
    const ToolResult r = Vftool({"cat", U(dir / "game.dat"), name});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, content);
  }
  // "/" after the run is still a folder delimiter, not more of the mark.
  ToolResult r = Vftool({"cat", U(dir / "game.dat"), "//sub/b.txt"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  // extract finds such an entry but writes no file for it: its name is no
  // file name, and the current entry has the plain one.
  r = Vftool({"extract", U(dir / "game.dat"), U(dir / "out"), "//a.txt"});
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(r.err, "vftool: refusing entry \"//a.txt\": a superseded entry has no file of its own (vftool cat -o FILE reads it)\n");
  EXPECT_FALSE(fs::DirectoryExists(dir / "out"));
  r = Vftool({"extract", U(dir / "game.dat"), U(dir / "all")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "all/a.txt"), "current");
  EXPECT_EQ(ReadFileBytes(dir / "all/sub/b.txt"), "current b");
}

#ifndef _WIN32
// Linux lets a publisher's folder hold names that no Windows installation
// can create; the archive must not carry them to the customer.
TEST(Vftool, PackRefusesNamesWindowsCannotCreate) {
  const std::string device = " is a device name (with or without an extension it opens the device, not a file)";
  const std::pair<std::string, std::string> rows[] = {
      {"Q&A?.txt", "\"?\" is not allowed in a name"},
      {"a<b>.txt", "\"<\" is not allowed in a name"},
      {"x|y", "\"|\" is not allowed in a name"},
      {"say \"hi\".txt", "\"\"\" is not allowed in a name"},
      {"star*.txt", "\"*\" is not allowed in a name"},
      {"c:d.txt", "\":\" is not allowed in a name (it names a drive or a stream)"},
      {std::string("tab\tname"), "the control character 0x09 is not allowed in a name"},
      {"con.txt", "CON" + device},
      {"nul", "NUL" + device},
      {"Lpt1.log", "LPT1" + device},
      {"readme.", "\"readme.\" ends in a dot, which Windows drops"},
      {"readme ", "\"readme \" ends in a space, which Windows drops"},
  };
  for (const auto& [name, reason] : rows) {
    SCOPED_TRACE(name);
    TempDir dir;
    WriteFileBytes(dir / "in/ok.txt", "fine");
    WriteFileBytes(dir / "in/sub/placeholder.txt", "fine");
    // Written past the program's path rules, which would take "c:" for a drive.
    std::ofstream(fs::NativePath(dir / "in/sub") + "/" + name) << "bad";
    const ToolResult r = Vftool({"pack", U(dir / "game.dat"), U(dir / "in")});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err, "vftool: " + U(dir / "in/sub") + "/" + name + ": entry \"sub\\" + name +
                         "\": Windows cannot create a file of this name: " + reason + "\n");
    EXPECT_FALSE(fs::FileExists(dir / "game.dat"));
  }
}
#endif
