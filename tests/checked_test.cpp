#include "core/checked.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/error.h"
#include "tests/support/raised.h"

namespace adreca {
namespace {

using testing::ErrorNumberOf;

TEST(CheckedTest, NarrowsAtTheExactLimitsOf16Bits) {
  EXPECT_EQ(Narrow<std::int16_t>(32767), 32767);
  EXPECT_EQ(Narrow<std::int16_t>(-32768), -32768);
  EXPECT_EQ(ErrorNumberOf([] { Narrow<std::int16_t>(32768); }), error_number::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { Narrow<std::int16_t>(-32769); }), error_number::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { Narrow<std::int16_t>(std::uint32_t{0xFFFFFFFF}); }), error_number::kOverflow);
}

TEST(CheckedTest, NarrowsAtTheExactLimitsOf32Bits) {
  EXPECT_EQ(Narrow<std::int32_t>(std::int64_t{2147483647}), 2147483647);
  EXPECT_EQ(Narrow<std::int32_t>(std::int64_t{-2147483648LL}), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ErrorNumberOf([] { Narrow<std::int32_t>(std::int64_t{2147483648LL}); }), error_number::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { Narrow<std::int32_t>(std::size_t{1} << 31); }), error_number::kOverflow);
}

TEST(CheckedTest, ArithmeticOverflowsOnlyPastTheRange) {
  EXPECT_EQ(CheckedAdd<std::int16_t>(32766, 1), 32767);
  EXPECT_EQ(ErrorNumberOf([] { CheckedAdd<std::int16_t>(32767, 1); }), error_number::kOverflow);
  EXPECT_EQ(CheckedMul<std::int32_t>(2, 1073741823), 2147483646);
  EXPECT_EQ(ErrorNumberOf([] { CheckedMul<std::int32_t>(2, 1073741824); }), error_number::kOverflow);
}

TEST(CheckedTest, SubscriptsOutsideTheDeclaredBoundsRaise9) {
  EXPECT_EQ(ErrorNumberOf([] { CheckSubscript(1, 1, 8); }), 0);
  EXPECT_EQ(ErrorNumberOf([] { CheckSubscript(8, 1, 8); }), 0);
  EXPECT_EQ(ErrorNumberOf([] { CheckSubscript(0, 1, 8); }), error_number::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorNumberOf([] { CheckSubscript(9, 1, 8); }), error_number::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorNumberOf([] { CheckSubscript(1, 1, 0); }), error_number::kSubscriptOutOfRange);  // empty
}

TEST(CheckedTest, ErrorsCarryTheirNumberAndDescription) {
  try {
    RaiseOverflow();
    FAIL() << "no error raised";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), 6);
    EXPECT_EQ(error.description(), u"Overflow");
  }
}

}  // namespace
}  // namespace adreca
