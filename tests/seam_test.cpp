#include "platform/seam.h"

#include <gtest/gtest.h>

#include <string>

#include "core/error.h"
#include "core/text.h"
#include "tests/support/raised.h"

namespace adreca::seam {
namespace {

int Provided42(int x) { return 42 + x; }
int Fake7(int x) { return 7 + x; }

const Provided kProvided{"seamtest.dll", "Answer", AddressOf(&Provided42)};

EntryPoint<int(int)> Answer{"SEAMTEST", "Answer"};
EntryPoint<int(int)> Missing{"seamtest", "Missing"};
EntryPoint<int(int)> Elsewhere{"nosuchlibrary.dll", "Answer"};

using testing::RaisedBy;

TEST(SeamTest, BindsByLibraryAndFunctionIgnoringLibraryCaseAndSuffix) { EXPECT_EQ(Answer(1), 43); }

TEST(SeamTest, AFakeReplacesTheOperationWhileItLives) {
  EXPECT_EQ(Answer(0), 42);
  {
    ScopedFake fake("seamtest", "Answer", &Fake7);
    EXPECT_EQ(Answer(0), 7);
  }
  EXPECT_EQ(Answer(0), 42);
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
  ScopedFake fake("seamtest", "Answer", &Fake7);
  {
    ScopedUnbindable refuse("seamtest");
    EXPECT_EQ(RaisedBy([] { Answer(0); }).number, error_number::kFileNotFound);
  }
  EXPECT_EQ(Answer(1), 8);
}

}  // namespace
}  // namespace adreca::seam
