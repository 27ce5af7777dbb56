#include "app/status_explanation.h"

#include <gtest/gtest.h>

#include <string>

#include "app/error_report.h"
#include "probes/probes.h"
#include "tests/support/scoped_variable.h"

namespace adreca::app {
namespace {

TEST(StatusExplanationTest, SaysWhatEachWaysCodeMeans) {
  const struct {
    StatusCodes codes;
    std::u16string status;
    std::u16string explanation;
  } cases[] = {
      {StatusCodes::kNone, u"n/a", u"n/a: this way has no status code"},
      {StatusCodes::kWin32Errors, u"0", u"0: the call succeeded"},
      {StatusCodes::kWin32Errors, u"111", u"111: buffer too small (ERROR_BUFFER_OVERFLOW)"},
      {StatusCodes::kWin32Errors, u"232", u"232: no adapter information (ERROR_NO_DATA)"},
      {StatusCodes::kWin32Errors, u"234", u"234: more entries than one answer holds (ERROR_MORE_DATA)"},
      {StatusCodes::kNetbiosReturnCodes, u"0", u"0: the request succeeded (NRC_GOODRET)"},
      {StatusCodes::kNetbiosReturnCodes, u"35", u"35: invalid LAN adapter number (NRC_BRIDGE)"},
      {StatusCodes::kNetbiosReturnCodes, u"111", u"111: a code that this program does not know"},
      {StatusCodes::kWin32Errors, u"-1", u"-1: a code that this program does not know"},
      {StatusCodes::kWin32Errors, u"typed", u"typed: a code that this program does not know"},
      {StatusCodes::kWin32Errors, u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StatusExplanation(c.codes, c.status), c.explanation);
  }
}

TEST(ErrorHintTest, NamesTheFolderAndTheInterpreterForTheListingsErrorsOnly) {
  testing::ScopedVariable comspec("COMSPEC", "/opt/cmd");
  TempDir = u"/var/tmp/";
  const Way listing{u"IpConfig", nullptr, StatusRule::kNotApplicable, {}, StatusCodes::kNone, true};
  const Way other{u"NetWksta", nullptr, StatusRule::kApiStatus, {}};
  const std::u16string hint = u"Check the temporary folder /var/tmp/ and the command interpreter /opt/cmd.";
  for (const std::int32_t number : {52, 53, 75, 1067, 1460}) {
    EXPECT_EQ(ErrorHint(listing, {number, u"x"}), hint) << number;
    EXPECT_EQ(ErrorHint(other, {number, u"x"}), u"") << number;
  }
  EXPECT_EQ(ErrorHint(listing, {94, u"Invalid use of Null"}), u"");
  EXPECT_EQ(ErrorReportText({53, u"File not found: x"}, hint),
            u"Run-time error '53':\n\nFile not found: x\n" + hint);
  EXPECT_EQ(ErrorReportText({6, u"Overflow"}), u"Run-time error '6':\n\nOverflow");
  // A TEMP with a line feed and an escape sequence, in the description and the hint.
  EXPECT_EQ(
      ErrorReportText({75, u"Path/File access error: /tmp/a\nb\x1b[8m"}, u"Check /tmp/a\nb\x1b[8m."),
      u"Run-time error '75':\n\nPath/File access error: /tmp/a\\x0Ab\\x1B[8m\nCheck /tmp/a\\x0Ab\\x1B[8m.");
}

}  // namespace
}  // namespace adreca::app
