#include "app/actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "probes/probes.h"

namespace adreca::app {
namespace {

// Records what an action writes into its row's boxes.
struct RecordingBoxes : RowBoxes {
  void SetAddressText(const std::u16string& text) override { writes.push_back(u"address:" + text); }
  void SetStatusText(const std::u16string& text) override { writes.push_back(u"status:" + text); }
  std::vector<std::u16string> writes;
};

std::u16string ReturnsAddress() {
  ApiStatus = 111;
  return u"001A2B3C4D5E";
}
std::u16string ReturnsNothing() { return u""; }
std::u16string Raises() { RaiseOverflow(); }

struct ActionCase {
  const char* name;
  Probe probe;
  StatusRule rule;
  std::vector<std::u16string> writes;
};

class ActionTest : public ::testing::TestWithParam<ActionCase> {};

TEST_P(ActionTest, WritesAddressThenStatus) {
  ApiStatus = -1;
  RecordingBoxes boxes;
  RunAction({u"WinMgmt", GetParam().probe, GetParam().rule, {}}, boxes);
  EXPECT_EQ(boxes.writes, GetParam().writes);
}

INSTANTIATE_TEST_SUITE_P(Rows, ActionTest,
                         ::testing::Values(ActionCase{"NotApplicableIgnoresApiStatus",
                                                      &ReturnsAddress,
                                                      StatusRule::kNotApplicable,
                                                      {u"address:00-1A-2B-3C-4D-5E", u"status:n/a"}},
                                           ActionCase{"ApiStatusAsTheProbeLeftIt",
                                                      &ReturnsAddress,
                                                      StatusRule::kApiStatus,
                                                      {u"address:00-1A-2B-3C-4D-5E", u"status:111"}},
                                           ActionCase{"NegativeStatusHasALeadingMinus",
                                                      &ReturnsNothing,
                                                      StatusRule::kApiStatus,
                                                      {u"address:-----", u"status:-1"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ActionTest, AProbeErrorReachesNoBox) {
  RecordingBoxes boxes;
  try {
    RunAction({u"NetWksta", &Raises, StatusRule::kApiStatus, {}}, boxes);
    FAIL() << "the probe's error was swallowed";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), 6);
  }
  EXPECT_TRUE(boxes.writes.empty());
}

TEST(ActionTest, RowsBindEachButtonToItsProbeAndStatusRule) {
  const std::vector<Probe> probes{&MacWinMgmt, &MacIpConfig, &MacNetWksta, &MacNetBios, &MacAdaptInfo};
  const std::vector<std::u16string_view> captions{u"WinMgmt", u"IpConfig", u"NetWksta", u"NetBios",
                                                  u"AdaptInfo"};
  ASSERT_EQ(kWays.size(), probes.size());
  for (std::size_t i = 0; i < kWays.size(); ++i) {
    EXPECT_EQ(kWays[i].caption, captions[i]);
    EXPECT_EQ(kWays[i].probe, probes[i]);
    EXPECT_EQ(kWays[i].status, i < 2 ? StatusRule::kNotApplicable : StatusRule::kApiStatus);
  }
}

}  // namespace
}  // namespace adreca::app
