#include "settings/registry_key_rule.h"

#include <gtest/gtest.h>

TEST(RegistryKeyRule, ProductKeysAreTakenWithoutTheirOuterDelimiters) {
  EXPECT_EQ(OwnedRegistryKeyPath("Maker\\Game"), "Maker\\Game");
  EXPECT_EQ(OwnedRegistryKeyPath("\\Maker\\Game"), "Maker\\Game");
  EXPECT_EQ(OwnedRegistryKeyPath("\\Maker\\Game\\"), "Maker\\Game");
  EXPECT_EQ(OwnedRegistryKeyPath("Game"), "Game");
  // A trail byte 0x5C is no delimiter: "表\ソ" is one part each.
  EXPECT_EQ(OwnedRegistryKeyPath("\\表\\ソ"), "表\\ソ");
  EXPECT_EQ(OwnedRegistryKeyPath("ソ"), "ソ");
  // Names that merely begin like a system key are the product's.
  EXPECT_EQ(OwnedRegistryKeyPath("MicrosoftGames\\X"), "MicrosoftGames\\X");
  EXPECT_EQ(OwnedRegistryKeyPath("Maker\\Microsoft"), "Maker\\Microsoft");
}

TEST(RegistryKeyRule, KeysTheProductCannotOwnAreRefused) {
  for (const char* key : {"", "\\", "\\\\", "\\\\Maker", "Maker\\\\Game", "Maker\\..\\Microsoft", "..", ".\\Game",
                          "Maker\\.", "Microsoft", "\\microsoft\\Windows", "CLASSES", "Classes\\.txt", "Policies",
                          "Wow6432Node\\Maker", "Wine", "Clients", "RegisteredApplications", "AppDataLow\\X",
                          "Maker\\Ga\tme"}) {
    SCOPED_TRACE(key);
    EXPECT_FALSE(OwnedRegistryKeyPath(key).has_value());
  }
}
