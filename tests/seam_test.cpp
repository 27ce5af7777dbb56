#include "platform/seam.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "tests/support/raised.h"

namespace adreca::seam {
namespace {

int Provided42(int x) { return 42 + x; }
int Fake7(int x) { return 7 + x; }

// Provided under one spelling of the library's name, called under another.
EntryPoint<int(int)> ProvidedAnswer{"seamtest.dll", "Answer"};
const Provided kProvided{ProvidedAnswer, &Provided42};

EntryPoint<int(int)> Answer{"SEAMTEST", "Answer"};
EntryPoint<int(int)> Missing{"seamtest", "Missing"};
EntryPoint<int(int)> Elsewhere{"nosuchlibrary.dll", "Answer"};

// An ordinary operation, as the platform's own operations are.
int Twice(int x) {
  if (const auto* fake = FakeOf(&Twice)) return (*fake)(x);
  return 2 * x;
}

using testing::RaisedBy;

TEST(SeamTest, BindsByLibraryAndFunctionIgnoringLibraryCaseAndSuffix) { EXPECT_EQ(Answer(1), 43); }

TEST(SeamTest, AFakeReplacesTheOperationWhileItLives) {
  EXPECT_EQ(Answer(0), 42);
  {
    ScopedFake fake{Answer, &Fake7};
    EXPECT_EQ(Answer(0), 7);
  }
  EXPECT_EQ(Answer(0), 42);
}

TEST(SeamTest, AFakeMayCarryStateAndStandInForAnOrdinaryOperation) {
  std::vector<int> calls;
  {
    ScopedFake counting{&Twice, [&calls](int x) {
                          calls.push_back(x);
                          return -x;
                        }};
    EXPECT_EQ(Twice(3), -3);
    EXPECT_EQ(Twice(4), -4);
    {
      ScopedFake inner{&Twice, [](int) { return 0; }};  // the newest fake answers
      EXPECT_EQ(Twice(5), 0);
    }
    EXPECT_EQ(Twice(6), -6);
  }
  EXPECT_EQ(calls, (std::vector<int>{3, 4, 6}));
  EXPECT_EQ(Twice(3), 6);
}

TEST(SeamTest, AFakeCanCallTheRealOperationThroughUnfaked) {
  ScopedFake adding{&Twice, [](int x) { return Unfaked(&Twice, x) + 1; }};
  EXPECT_EQ(Twice(10), 21);
  EXPECT_EQ(Unfaked(&Twice, 10), 20);
  EXPECT_EQ(Twice(1), 3) << "a bypass lasts for one call only";
}

TEST(SeamTest, UnbindableLibraryRaisesFileNotFoundNamingIt) {
  const auto error = RaisedBy([] { Elsewhere(0); });
  EXPECT_EQ(error.number, error_number::kFileNotFound);
  EXPECT_EQ(error.description, u"File not found: nosuchlibrary.dll");
}

TEST(SeamTest, MissingEntryPointRaisesNamingFunctionAndLibrary) {
  const auto error = RaisedBy([] { Missing(0); });
  EXPECT_EQ(error.number, error_number::kEntryPointNotFound);
  EXPECT_EQ(error.description, u"Can't find DLL entry point Missing in seamtest");
}

TEST(SeamTest, TestsCanMakeABoundEntryPointFailToBind) {
  EXPECT_EQ(Answer(0), 42);
  {
    ScopedUnbindable refuse("seamtest.dll");
    EXPECT_EQ(RaisedBy([] { Answer(0); }).number, error_number::kFileNotFound);
  }
  {
    ScopedUnbindable refuse("seamtest", "Answer");
    EXPECT_EQ(RaisedBy([] { Answer(0); }).number, error_number::kEntryPointNotFound);
  }
  EXPECT_EQ(Answer(0), 42);
}

TEST(SeamTest, AFailedBindingIsTriedAgainAtTheNextCall) {
  ScopedFake fake{Answer, &Fake7};
  {
    ScopedUnbindable refuse("seamtest");
    EXPECT_EQ(RaisedBy([] { Answer(0); }).number, error_number::kFileNotFound);
  }
  EXPECT_EQ(Answer(1), 8);
}

TEST(SeamTest, TwoThreadsBindingTheSameEntryPointAtOnceGetTheSameAddress) {
  for (int round = 0; round < 50; ++round) {
    const EntryPoint<int(int)> fresh{"seamtest", "Answer"};
    // The threads meet by spinning on a count, not at a std::latch: the
    // mingw-w64 libstdc++ (GCC 12) waits for a latch on a condition variable
    // that it notifies without holding the wait's mutex, so a wake-up can be
    // lost and a thread sleep for ever. Spinning also lets both go at once.
    std::atomic<int> arrived{0};
    std::array<int (*)(int), 2> seen{};
    std::vector<std::thread> threads;
    for (auto& address : seen) {
      threads.emplace_back([&] {
        arrived.fetch_add(1);
        while (arrived.load() < 2) std::this_thread::yield();
        address = fresh.Bound();
      });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(seen[0], &Provided42);
    ASSERT_EQ(seen[1], &Provided42);
  }
}

}  // namespace
}  // namespace adreca::seam
