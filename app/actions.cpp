#include "app/actions.h"

#include <string>

#include "address/address.h"
#include "core/text.h"
#include "platform/environment.h"
#include "probes/probes.h"

namespace adreca::app {

const std::array<Row, 5>& Rows() {
  static const std::array<Row, 5> rows{{
      {1, &MacWinMgmt, StatusRule::kNotApplicable},
      {2, &MacIpConfig, StatusRule::kNotApplicable},
      {3, &MacNetWksta, StatusRule::kApiStatus},
      {4, &MacNetBios, StatusRule::kApiStatus},
      {5, &MacAdaptInfo, StatusRule::kApiStatus},
  }};
  return rows;
}

std::u16string StatusText(StatusRule rule) {
  if (rule == StatusRule::kNotApplicable) return u"n/a";
  return FromAscii(std::to_string(ApiStatus));
}

std::u16string RunAction(const Row& row, RowBoxes& boxes) {
  std::u16string compact = row.probe();
  boxes.SetAddressText(Guions(compact));
  boxes.SetStatusText(StatusText(row.status));
  return compact;
}

void LoadStep() { TempDir = platform::TemporaryFolder(); }

}  // namespace adreca::app
