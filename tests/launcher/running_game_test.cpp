#include "launcher/running_game.h"

#include <gtest/gtest.h>

TEST(RunningGameMutexName, UpperCaseDelimitersBecomeDashes) {
  EXPECT_EQ(RunningGameMutexName("c:\\Program Files\\Game"), "C:-PROGRAM FILES-GAME-");
  EXPECT_EQ(RunningGameMutexName("c:\\Program Files\\Game\\"), "C:-PROGRAM FILES-GAME-");
}

TEST(RunningGameMutexName, DoubleByteCharactersStayAsTheyAre) {
  // ソ (83 5C) ends in the byte of "\": it is kept, and so is the trail byte
  // 0x61 of 83 61, which must not be upper-cased.
  EXPECT_EQ(RunningGameMutexName("c:\\ソフト\\\x83\x61"), "C:-ソフト-\x83\x61-");
}

TEST(InstanceMutexName, TheTitleWithEveryDelimiterMadeADash) {
  const struct {
    std::string title, name;
  } rows[] = {
      {"Game", "Game"},
      {"ゲーム 2", "ゲーム 2"},
      {"Maker\\Game\\", "Maker-Game-"},
      {"表\\示", "表-示"},  // 0x5C as the trail byte of 表 stays
      {"A/B", "A/B"},        // "/" means nothing to the system in a lock's name
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    EXPECT_EQ(InstanceMutexName(row.title), row.name);
  }
}
