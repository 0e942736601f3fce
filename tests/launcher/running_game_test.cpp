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
