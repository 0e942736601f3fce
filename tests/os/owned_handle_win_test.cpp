#include "os/owned_handle_win.h"

#include <gtest/gtest.h>

namespace {

bool IsLiveHandle(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

}  // namespace

TEST(OwnedHandle, EitherNoHandleValueIsNone) {
  for (HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
    OwnedHandle h(none);
    EXPECT_FALSE(h.IsOpen());
    EXPECT_TRUE(h.Close());  // nothing to close is no failure
  }
}

TEST(OwnedHandle, ClosesOnceWhereverOwnershipWent) {
  const HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(first && second);
  {
    OwnedHandle a(first);
    OwnedHandle b(std::move(a));
    EXPECT_FALSE(a.IsOpen());
    EXPECT_EQ(b.Get(), first);
    b = OwnedHandle(second);  // the handle held before is closed
    EXPECT_FALSE(IsLiveHandle(first));
    EXPECT_TRUE(IsLiveHandle(second));
    EXPECT_TRUE(b.Close());
    EXPECT_FALSE(b.IsOpen());
    EXPECT_FALSE(IsLiveHandle(second));
  }
  const HANDLE third = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  {
    OwnedHandle c(third);
  }
  EXPECT_FALSE(IsLiveHandle(third));
}
