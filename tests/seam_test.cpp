#include "platform/seam.h"

#include <gtest/gtest.h>

#include <vector>

namespace adreca::seam {
namespace {

// An operation as the platform's own are: an ordinary function.
int Twice(int x) { return 2 * x; }
int Fake7(int x) { return 7 + x; }

TEST(SeamTest, AFakeAnswersTheCallsThroughTheSeamWhileItLives) {
  EXPECT_EQ(Call(Twice, 1), 2);
  {
    ScopedFake fake{&Twice, &Fake7};
    EXPECT_EQ(Call(Twice, 1), 8);
    EXPECT_EQ(Twice(1), 2) << "a direct call is never faked";
  }
  EXPECT_EQ(Call(Twice, 1), 2);
}

TEST(SeamTest, AFakeMayCarryStateAndTheNewestAnswers) {
  std::vector<int> calls;
  {
    ScopedFake counting{&Twice, [&calls](int x) {
                          calls.push_back(x);
                          return -x;
                        }};
    EXPECT_EQ(Call(Twice, 3), -3);
    {
      ScopedFake inner{&Twice, [](int) { return 0; }};
      EXPECT_EQ(Call(Twice, 5), 0);
    }
    EXPECT_EQ(Call(Twice, 6), -6);
  }
  EXPECT_EQ(calls, (std::vector<int>{3, 6}));
}

// A fake that adds to the real operation calls it directly.
TEST(SeamTest, AFakeCanCallTheRealOperation) {
  ScopedFake adding{&Twice, [](int x) { return Twice(x) + 1; }};
  EXPECT_EQ(Call(Twice, 10), 21);
}

}  // namespace
}  // namespace adreca::seam
