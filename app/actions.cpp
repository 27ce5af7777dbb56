#include "app/actions.h"

#include <string>

#include "address/address.h"
#include "core/text.h"
#include "platform/environment.h"
#include "probes/probes.h"

namespace adreca::app {

std::u16string StatusText(StatusRule rule) {
  if (rule == StatusRule::kNotApplicable) return u"n/a";
  return FromAscii(std::to_string(ApiStatus));
}

std::u16string RunAction(const Way& way, RowBoxes& boxes) {
  std::u16string compact = way.probe();
  boxes.SetAddressText(Guions(compact));
  boxes.SetStatusText(StatusText(way.status));
  return compact;
}

void LoadStep() { TempDir = platform::TemporaryFolder(); }

}  // namespace adreca::app
