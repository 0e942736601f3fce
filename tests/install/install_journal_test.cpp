#include "install/install_journal.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kKept = {"C:\\Program Files", "C:\\users\\me"};

TZefoInstallSet Package() {
  TZefoInstallSet s;
  s.Title = "デモゲーム";
  s.GameExe = "demo.exe";
  return s;
}

std::string Journal(std::initializer_list<TJournalRecord> records) {
  std::string text = JournalHeader();
  for (const TJournalRecord& r : records) text += JournalLine(r);
  return text;
}

}  // namespace

TEST(InstallJournal, LinesNoRunOfThisPackageWritesAreRefused) {
  const struct {
    const char* what;
    std::string line;
  } rows[] = {
      {"a name leading out", "file ..\\..\\windows\\win.ini"},
      {"an absolute name", "file C:\\windows\\win.ini"},
      {"a folder leading out", "folder ..\\Other"},
      {"a stream", "file demo.exe:x"},
      {"another package's shortcut", "link Other Game"},
      {"a shortcut outside the group", "link ..\\..\\Desktop\\x"},
      {"a value the install never writes", "value CDDrive"},
      {"no count", "made x"},
      {"too many folders", "made 99"},
      {"none at all", "made 0"},
      {"a word without its name", "file"},
      {"a name where none belongs", "data game.dat"},
      {"an unknown word", "delete C:\\"},
      {"a line cut by a kill", "file demo.e"},  // no line end: the last bytes written
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const bool cut = row.line == "file demo.e";
    const TJournal j = ParseJournal(JournalHeader() + row.line + (cut ? "" : "\r\n"), Package());
    EXPECT_TRUE(j.records.empty());
    EXPECT_EQ(j.refused.size(), 1u);
  }
  // Without the header nothing at all is read.
  const TJournal other = ParseJournal("file demo.exe\r\n", Package());
  EXPECT_FALSE(other.valid);
  EXPECT_TRUE(other.records.empty());
}

TEST(InstallJournal, UndoRemovesWhatTheRunCreatedLastFirst) {
  const TJournal j = ParseJournal(Journal({{TJournalKind::kMade, "3"},
                                           {TJournalKind::kData, ""},
                                           {TJournalKind::kFolder, "data"},
                                           {TJournalKind::kFolder, "data\\sub"},
                                           {TJournalKind::kFile, "data\\sub\\a.txt"},
                                           {TJournalKind::kFile, "readme.txt"},
                                           {TJournalKind::kKept, "readme.txt"},
                                           {TJournalKind::kLink, "デモゲーム"},
                                           {TJournalKind::kValue, "InstallPath"},
                                           {TJournalKind::kGroup, ""},
                                           {TJournalKind::kEntry, ""}}),
                                  Package());
  EXPECT_TRUE(j.valid);
  EXPECT_TRUE(j.refused.empty());
  const TRollbackPlan plan = PlanRollback(j, "C:\\Program Files\\DemoSoft\\デモゲーム\\", "C:\\windows", kKept);
  // A file found there already keeps its place; only its temporary names go.
  EXPECT_EQ(plan.files, (std::vector<std::string>{"readme.txt.~zi", "readme.txt.new~", "data\\sub\\a.txt",
                                                  "data\\sub\\a.txt.~zi", "data\\sub\\a.txt.new~", "game.ext",
                                                  "game.ext.~zi", "game.ext.new~", "game.dat", "game.dat.~zi",
                                                  "game.dat.new~"}));
  EXPECT_TRUE(plan.data_volumes);
  EXPECT_EQ(plan.folders, (std::vector<std::string>{"data\\sub", "data"}));
  // Three made, but Program Files is never removed.
  EXPECT_EQ(plan.made, (std::vector<std::string>{"C:\\Program Files\\DemoSoft\\デモゲーム", "C:\\Program Files\\DemoSoft"}));
  EXPECT_EQ(plan.links, std::vector<std::string>{"デモゲーム"});
  EXPECT_TRUE(plan.group);
  EXPECT_EQ(plan.values, std::vector<std::string>{"InstallPath"});
  EXPECT_TRUE(plan.entry);
}
