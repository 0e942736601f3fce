// Where a later disc of the set is: the places it may be in (the folder the
// last disc came from, folders a run was given, the CD-ROM and removable
// drives) are looked at in order, and the first that holds the asked disc of
// this package wins. The same judgement serves the prompt's periodic look,
// the look after OK and a run without windows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/install_set.h"

// One place to look: a folder with a trailing delimiter. A drive that had no
// disc or did not answer is listed with readable false and is skipped.
struct TDiscPlace {
  std::string folder;
  bool readable = true;
};

// What a place held when it was looked at.
enum class TDiscHolds {
  kUnreadable,    // a drive without a disc, or one that did not answer
  kNothing,       // no install.dat there
  kDamaged,       // an install.dat that cannot be read (problem says why)
  kOtherPackage,  // another package's, or one the copy is not set up for
  kOtherDisc,     // this package, but another disc of the set
  kAskedDisc,
};

struct TDiscLook {
  std::string folder;
  TDiscHolds holds = TDiscHolds::kNothing;
  std::string problem;  // kDamaged: the reader's message (Shift-JIS)
};

struct TDiscSearch {
  // Every place looked at, in order, ending with the one that holds the disc
  // when it was found.
  std::vector<TDiscLook> looked;
  // The asked disc's settings, read from looked.back().folder.
  std::optional<TZefoInstallSet> found;
};

// Judges settings read from another disc against the run's current ones:
// the asked disc is disc index (0-based) of the same package, and one whose
// settings the install would refuse is another package's.
TDiscHolds JudgeDisc(const TZefoInstallSet& current, int index, const TZefoInstallSet& read);

// Looks at places in order, reading each one's install.dat (a few hundred
// bytes), and stops at the first that holds disc index. A place named twice
// (letter case aside) is looked at once. Never throws for
// what a place holds: a damaged file is one more kind of wrong disc.
TDiscSearch FindDisc(const TZefoInstallSet& current, int index, const std::vector<TDiscPlace>& places);
