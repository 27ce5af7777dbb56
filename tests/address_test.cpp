#include "address/address.h"

#include <gtest/gtest.h>

#include <string>

namespace adreca {
namespace {

struct AcceptanceCase {
  std::u16string candidate;
  bool accepted;
};

class AcceptanceTest : public ::testing::TestWithParam<AcceptanceCase> {};

TEST_P(AcceptanceTest, ComparesCodeUnitsAgainstTwelveZeros) {
  EXPECT_EQ(IsAccepted(GetParam().candidate), GetParam().accepted)
      << std::string(GetParam().candidate.begin(), GetParam().candidate.end());
}

INSTANTIATE_TEST_SUITE_P(
    Candidates, AcceptanceTest,
    ::testing::Values(AcceptanceCase{u"", false}, AcceptanceCase{u"000000000000", false},
                      AcceptanceCase{u"00000000000", false},      // a shorter run of zeros
                      AcceptanceCase{u"000000000001", true},      // eleven zeros then 1
                      AcceptanceCase{u"00000000000a", true},      // lower case sorts above digits
                      AcceptanceCase{u"0000000000000", true},     // longer than twelve zeros
                      AcceptanceCase{u"0000000000000000", true},  // an 8-byte all-zero address
                      AcceptanceCase{u"------------", false},     // hyphens sort below "0"
                      AcceptanceCase{u" 01A2B3C4D5E", false},     // a leading blank
                      AcceptanceCase{u"-0-1-2-3-4-5", false},     // run opened by a hyphen
                      AcceptanceCase{u"001A2B3C4D5E", true}, AcceptanceCase{u"1", true},
                      AcceptanceCase{u"00000000000/", false},  // '/' is just below '0'
                      AcceptanceCase{u"\u00e9", true}));       // beyond ASCII compares by code unit

struct GuionsCase {
  std::u16string compact;
  std::u16string display;
};

class GuionsTest : public ::testing::TestWithParam<GuionsCase> {};

TEST_P(GuionsTest, JoinsTwoCharacterPiecesWithHyphens) {
  EXPECT_EQ(Guions(GetParam().compact), GetParam().display);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, GuionsTest,
    ::testing::Values(GuionsCase{u"001122AABBCC", u"00-11-22-AA-BB-CC"}, GuionsCase{u"", u"-----"},
                      GuionsCase{u"0011AABB", u"00-11-AA-BB--"},
                      GuionsCase{u"001122AABBC", u"00-11-22-AA-BB-C"},  // one character left
                      GuionsCase{u"0", u"0-----"},
                      GuionsCase{u"0000000000000000", u"00-00-00-00-00-00"},   // digits past 12 ignored
                      GuionsCase{u"001a2b3c4d5e", u"00-1a-2b-3c-4d-5e"},       // nothing converted
                      GuionsCase{u"00:11:22:33:44:55", u"00-:1-1:-22-:3-3:"},  // taken blindly
                      GuionsCase{u"\u00c7\u00c7 \u00c7", u"\u00c7\u00c7- \u00c7----"}));

TEST(GuionsTest, LeavesItsInputUnchanged) {
  const std::u16string compact = u"001122AABBCCDD";
  const std::u16string copy = compact;  // NOLINT(performance-unnecessary-copy-initialization): the original
  Guions(compact);
  EXPECT_EQ(compact, copy);
}

}  // namespace
}  // namespace adreca
