#include "archive/hash.h"

#include <gtest/gtest.h>

#include <random>

#include "base/sjis.h"

namespace {

class Names : public THashCollection {
 public:
  THashCollectionItem& Add(const std::string& name) {
    THashCollectionItem& item = THashCollection::Add();
    item.SetName(name);
    return item;
  }
};

}  // namespace

TEST(NameHash, WorkedValues) {
  const std::pair<const char*, int> rows[] = {
      {"install.dat", 122}, {"INSTALL.DAT", 122}, {"game.dat", 72}, {"a", 16}, {"", 0}, {"\\EOF\\", 18},
      // The second-to-last byte 0x41 is the trail byte of ア (83 41), not an
      // "A": it is not folded. 3 * 16 + 0x83 + 0x41.
      {"\x83\x41" "b", 244},
      // A real "A" after the trail byte 0x5C of ソ is folded: 4 * 16 + 0x83 + 'a'.
      {"\x83\x5C" "Ax", (64 + 0x83 + 'a') % 256},
  };
  for (const auto& [name, hash] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(NameHash(name), hash);
  }
}

TEST(NameHash, FoldsLikeTheComparison) {
  // The definition, spelled out with sjis::AsciiLower, against random names
  // of letters, delimiters and double-byte characters with letter or 0x5C
  // trail bytes; names equal under EqualsNoCase must share a bucket.
  const auto reference = [](const std::string& name) {
    const std::string s = sjis::AsciiLower(name);
    unsigned h = static_cast<unsigned>(s.size()) * 16u;
    if (s.size() >= 2) h += static_cast<unsigned char>(s[0]) + static_cast<unsigned char>(s[s.size() - 2]);
    return static_cast<uint8_t>(h & 0xFF);
  };
  const std::string pieces[] = {"a", "B", "\\", ".", "\x83\x41", "\x83\x61", "\x95\x5C", "\x83\x5C", "Z", "\x81"};
  std::mt19937 rng(99);
  for (int round = 0; round < 20000; ++round) {
    std::string name;
    const int n = static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) name += pieces[rng() % 10];
    SCOPED_TRACE(name);
    ASSERT_EQ(NameHash(name), reference(name));
    ASSERT_EQ(NameHash(name), NameHash(sjis::AsciiUpper(name)));
  }
}

TEST(HashCollection, FindsNamesIgnoringAsciiCaseOnly) {
  Names c;
  c.Add("install.dat");
  c.Add("\x83\x5C" "a.txt");  // ソa.txt: the "a" after the 0x5C trail byte is a letter
  c.Add("\x83\x41.txt");      // ア.txt
  c.Add("data\\\x95\x5C\x8E\xA6.bmp");  // data\表示.bmp
  EXPECT_EQ(c.IndexOf("INSTALL.DAT"), 0);
  EXPECT_EQ(c.IndexOf("\x83\x5C" "A.TXT"), 1);
  EXPECT_EQ(c.IndexOf("\x83\x41.TXT"), 2);
  // ヂ (83 61) differs from ア (83 41) only in what folding a trail byte would erase.
  EXPECT_EQ(c.IndexOf("\x83\x61.txt"), -1);
  EXPECT_EQ(c.IndexOf("DATA\\\x95\x5C\x8E\xA6.BMP"), 3);
  EXPECT_EQ(c.IndexOf("missing"), -1);
}

TEST(HashCollection, NewestOfEqualNamesWins) {
  Names c;
  THashCollectionItem& first = c.Add("a");
  c.Add("A");
  EXPECT_EQ(c.IndexOf("a"), 1);
  first.SetName("a");  // the same name: the item stays where it is in its chain
  EXPECT_EQ(c.IndexOf("a"), 1);
  first.SetName("A");  // a new name, even if only in case: to the head
  EXPECT_EQ(c.IndexOf("a"), 0);
}

TEST(HashCollection, RenamingMovesTheItem) {
  Names c;
  c.Add("old.txt");
  c.Add("other");
  c.Item(0).SetName("new.txt");
  EXPECT_EQ(c.IndexOf("old.txt"), -1);
  EXPECT_EQ(c.IndexOf("new.txt"), 0);
  EXPECT_EQ(c.Item(0).BucketIndex(), NameHash("new.txt"));
}

TEST(HashCollection, DeletingKeepsPositionsRight) {
  Names c;
  for (int i = 0; i < 10; ++i) c.Add("item" + std::to_string(i));
  c.Delete(3);
  ASSERT_EQ(c.Count(), 9);
  EXPECT_EQ(c.IndexOf("item3"), -1);
  for (int i = 4; i < 10; ++i) EXPECT_EQ(c.IndexOf("item" + std::to_string(i)), i - 1);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(c.Item(i).CachedIndex(), i);
  // The last item (as the end marker of a directory is) and the first.
  c.Delete(c.Count() - 1);
  c.Delete(0);
  EXPECT_EQ(c.IndexOf("item9"), -1);
  EXPECT_EQ(c.IndexOf("item1"), 0);
  c.Clear();
  EXPECT_EQ(c.IndexOf("item1"), -1);
  c.Add("after clear");
  EXPECT_EQ(c.IndexOf("AFTER CLEAR"), 0);
}

TEST(HashCollection, SameBucketDifferentNames) {
  Names c;
  c.Add("abcde");
  c.Add("axyde");
  ASSERT_EQ(NameHash("abcde"), NameHash("axyde"));
  EXPECT_EQ(c.IndexOf("abcde"), 0);
  EXPECT_EQ(c.IndexOf("axyde"), 1);
}

TEST(HashCollection, SetIndexMovesItemsAndTheirPositions) {
  Names c;
  for (const char* n : {"a", "b", "c", "d"}) c.Add(n);
  c.Item(3).SetIndex(1);  // a d b c
  EXPECT_EQ(c.IndexOf("d"), 1);
  EXPECT_EQ(c.IndexOf("c"), 3);
  c.Item(0).SetIndex(3);  // d b c a
  EXPECT_EQ(c.IndexOf("a"), 3);
  EXPECT_EQ(c.IndexOf("d"), 0);
  EXPECT_EQ(c.Item(2).DisplayName(), "c");
}

TEST(HashCollection, RandomOperationsAgreeWithAScan) {
  // Adds, renames and deletes at random; after each step every lookup must
  // give what a scan for the most recently named item gives.
  std::mt19937 rng(12345);
  const std::vector<std::string> pool = {"a", "A", "b", "abcde", "axyde", "\x83\x41", "\x83\x61", "x\\y", "X\\Y", ""};
  Names c;
  std::vector<uint64_t> stamp;  // when each item last got a new name
  uint64_t clock = 0;
  for (int step = 0; step < 3000; ++step) {
    SCOPED_TRACE(step);
    const int op = static_cast<int>(rng() % 4);
    if (op <= 1 || c.Count() == 0) {
      c.Add(pool[rng() % pool.size()]);
      stamp.push_back(++clock);
    } else if (op == 2) {
      const int i = static_cast<int>(rng() % c.Count());
      const std::string name = pool[rng() % pool.size()];
      if (name != c.Item(i).Name()) stamp[i] = ++clock;
      c.Item(i).SetName(name);
    } else {
      const int i = static_cast<int>(rng() % c.Count());
      c.Delete(i);
      stamp.erase(stamp.begin() + i);
    }
    for (const std::string& name : pool) {
      int expected = -1;
      for (int i = 0; i < c.Count(); ++i) {
        if (sjis::EqualsNoCase(c.Item(i).Name(), name) && (expected < 0 || stamp[i] > stamp[expected])) expected = i;
      }
      ASSERT_EQ(c.IndexOf(name), expected) << name;
    }
  }
}
