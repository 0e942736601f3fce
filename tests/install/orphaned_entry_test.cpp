// What an uninstaller whose install.dat is gone takes from an installed-programs entry.
#include "install/orphaned_entry.h"

#include <gtest/gtest.h>

TEST(OrphanedEntry, OnlyTheEntryNamingThisUninstallerGivesItsSettings) {
  const TEntryFacts good = {"zinstall Demo", "Demo", "C:\\Games\\Demo\\", "\"C:\\Games\\Demo\\install.exe\"", "Maker\\Demo"};
  const struct {
    const char* what;
    void (*change)(TEntryFacts&);
    const char* folder;
    bool taken;
    std::string registry_key;
  } rows[] = {
      {"its own entry", [](TEntryFacts&) {}, "C:\\Games\\Demo", true, "Maker\\Demo"},
      {"the folder in another case, with its delimiter", [](TEntryFacts&) {}, "c:\\games\\DEMO\\", true, "Maker\\Demo"},
      {"an entry written before the key was recorded", [](TEntryFacts& e) { e.registry_key.clear(); }, "C:\\Games\\Demo", true, ""},
      {"a key the product cannot own", [](TEntryFacts& e) { e.registry_key = "Microsoft\\Windows"; }, "C:\\Games\\Demo", true, ""},
      {"another folder's entry", [](TEntryFacts&) {}, "C:\\Games\\Other", false, ""},
      {"another uninstaller", [](TEntryFacts& e) { e.uninstall_string = "\"C:\\evil\\install.exe\""; }, "C:\\Games\\Demo", false, ""},
      {"a key not the title's", [](TEntryFacts& e) { e.key_name = "zinstall Other"; }, "C:\\Games\\Demo", false, ""},
      {"no title", [](TEntryFacts& e) { e.display_name.clear(); }, "C:\\Games\\Demo", false, ""},
      {"no location", [](TEntryFacts& e) { e.install_location.clear(); }, "C:\\Games\\Demo", false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TEntryFacts e = good;
    row.change(e);
    const std::optional<TZefoInstallSet> s = SettingsFromEntry(e, row.folder);
    ASSERT_EQ(s.has_value(), row.taken);
    if (!s) continue;
    EXPECT_EQ(s->Title, "Demo");
    EXPECT_EQ(s->RegistryKey, row.registry_key);
    EXPECT_EQ(s->UninstallMode, 1);
    EXPECT_EQ(s->InstalledFiles, std::vector<std::string>({"install.exe"}));
  }
  EXPECT_EQ(UninstallEntryName("a\\b\tc"), "zinstall a_b_c");
  EXPECT_EQ(UninstallEntryName(" \\"), "");
}
