// The handle owner frees exactly once, whoever holds the handle last.
#include <gtest/gtest.h>

#include <utility>

#include "base/owned.h"

namespace kestotest {
namespace {

int Frees = 0;
int LastFreed = 0;
void CountingFree(int handle) {
  ++Frees;
  LastFreed = handle;
}
using Counted = kesto::Owned<int, CountingFree>;

TEST(OwnedTest, FreesExactlyOnceThroughMovesReleasesAndResets) {
  Frees = 0;
  {
    Counted first(7);
    Counted second(std::move(first));
    EXPECT_EQ(first.get(), 0);
    Counted third;
    third = std::move(second);
    EXPECT_EQ(Frees, 0);
  }
  EXPECT_EQ(Frees, 1);
  EXPECT_EQ(LastFreed, 7);

  Frees = 0;
  {
    Counted handed(8);
    EXPECT_EQ(handed.release(), 8);  // the platform owns it now
    handed.reset();
  }
  EXPECT_EQ(Frees, 0);

  Frees = 0;
  {
    Counted early(9);
    early.reset();
    early.reset();
    EXPECT_EQ(Frees, 1);
    early.reset(10);
    Counted other(11);
    early = std::move(other);  // the old handle goes, the new one is kept
    EXPECT_EQ(Frees, 2);
    EXPECT_EQ(LastFreed, 10);
  }
  EXPECT_EQ(Frees, 3);
  EXPECT_EQ(LastFreed, 11);
}

}  // namespace
}  // namespace kestotest
