#include "app/window_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "probes/probes.h"

namespace adreca::app {
namespace {

std::u16string Found() {
  ApiStatus = 232;
  return u"001A2B3C4D5E";
}
std::u16string FoundOther() {
  ApiStatus = 0;
  return u"001A2B3C4D5F";
}
std::u16string Fails() { RaiseOverflow(); }

std::vector<platform::AdapterIdentity> FindsEth0(std::u16string_view, platform::AdapterSet) {
  return {{u"eth0", u"", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {}, {}}};
}

// What a window was told, in order.
class RecordingView final : public RowView {
 public:
  void ShowAddress(int row, const std::u16string& text) override { Note(row, "address", text); }
  void ShowStatus(int row, const std::u16string& text) override { Note(row, "status", text); }
  void ShowAddressToolTip(int row, const std::u16string& text) override { Note(row, "tooltip", text); }

  std::vector<std::string> told;

 private:
  void Note(int row, const char* what, const std::u16string& text) {
    told.push_back(std::to_string(row) + " " + what + " " + ToUtf8(text));
  }
};

constexpr std::array<Way, 5> kRows{{{u"WinMgmt", &Found, StatusRule::kNotApplicable, {}},
                                    {u"IpConfig", &Fails, StatusRule::kNotApplicable, {}},
                                    {u"NetWksta", &Found, StatusRule::kApiStatus, {}},
                                    {u"NetBios", nullptr, StatusRule::kApiStatus, {}},
                                    {u"AdaptInfo", nullptr, StatusRule::kApiStatus, {}}}};

// The window is told each box as the action sets it, the old tooltip going
// with the old address, then the new one; a way that raises changes no box,
// and its row copies the error, as the report prints it.
TEST(WindowModelTest, ShowsEachRowAsItsWaySetsItAndCopiesWhatEveryWayGave) {
  WindowModel model(kRows, &FindsEth0);
  RecordingView view;
  EXPECT_FALSE(model.Run(3, view));
  EXPECT_EQ(view.told,
            (std::vector<std::string>{"3 address 00-1A-2B-3C-4D-5E", "3 tooltip ", "3 status 232",
                                      "3 tooltip Adapter: eth0\nAddress: universally administered"}));
  view.told.clear();
  const auto error = model.Run(2, view);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number, error_number::kOverflow);
  EXPECT_TRUE(view.told.empty());
  EXPECT_EQ(ToUtf8(model.AllResults()),
            "Way        Address            Status  Adapter\n"
            "WinMgmt\n"
            "IpConfig   error 6: Overflow\n"
            "NetWksta   00-1A-2B-3C-4D-5E  232     eth0\n"
            "NetBios\n"
            "AdaptInfo\n"
            "\n"
            "The rows differ. IpConfig: error 6: Overflow. NetWksta shows 00-1A-2B-3C-4D-5E\n"
            "(eth0): every adapter but loopback.\n");
  // What the user types over a result is no result: the box names no
  // adapter, and the copy keeps the result.
  model.AddressTyped(3);
  EXPECT_EQ(model.ShownToolTip(3), u"");
  EXPECT_NE(ToUtf8(model.AllResults()).find("NetWksta   00-1A-2B-3C-4D-5E  232     eth0"), std::string::npos);
  EXPECT_FALSE(model.Run(3, view));
  EXPECT_NE(model.ShownToolTip(3), u"");
}

// Copy all says why the rows differ, from what the model keeps of each row:
// its way's adapters, what it found and named. Rows whose buttons were never
// pressed are no part of it; the Win32 window's line ends go through it.
TEST(WindowModelTest, CopyAllSaysWhyTheRowsThatRanDiffer) {
  std::array<Way, 5> ways = kRows;
  ways[1].probe = &Found;
  ways[2].sees = platform::AdapterSet::kWithIpv4;
  WindowModel model(ways, &FindsEth0);
  RecordingView view;
  model.Run(1, view);
  model.Run(2, view);
  EXPECT_EQ(ToUtf8(model.AllResults()).find("\n\n"), std::string::npos) << "two rows that agree";
  model.Run(3, view);
  EXPECT_EQ(ToUtf8(model.AllResults()).find("\n\n"), std::string::npos) << "three rows that agree";
  std::array<Way, 5> other = ways;
  other[2].probe = &FoundOther;
  WindowModel differing(other, &FindsEth0);
  for (const int row : {1, 2, 3}) differing.Run(row, view);
  const std::string copied = ToUtf8(differing.AllResults("\r\n"));
  EXPECT_NE(
      copied.find("NetWksta   00-1A-2B-3C-4D-5F  0       eth0\r\n"
                  "NetBios\r\n"
                  "AdaptInfo\r\n"
                  "\r\n"
                  "The rows differ. WinMgmt, IpConfig show 00-1A-2B-3C-4D-5E (eth0): every adapter\r\n"
                  "but loopback. NetWksta shows 00-1A-2B-3C-4D-5F (eth0): only adapters with IPv4.\r\n"),
      std::string::npos)
      << copied;
}

}  // namespace
}  // namespace adreca::app
