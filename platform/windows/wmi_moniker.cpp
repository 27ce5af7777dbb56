#include "platform/windows/wmi_moniker.h"

#include <cwctype>

namespace adreca::platform::wmi {

namespace {

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(text[i])) != std::towlower(static_cast<wint_t>(prefix[i])))
      return false;
  }
  return true;
}

}  // namespace

// The "!" after "winmgmts:" only separates security settings from the object
// path. With no settings before it, "winmgmts:\\.\root\cimv2" names the same
// namespace, and that form is the one every implementation parses.
std::u16string WithoutEmptySecuritySettings(std::u16string_view moniker) {
  constexpr std::u16string_view kPrefix = u"winmgmts:";
  std::u16string normal(moniker);
  if (StartsWithIgnoringCase(moniker, kPrefix) && moniker.substr(kPrefix.size()).starts_with(u'!')) {
    normal.erase(kPrefix.size(), 1);
  }
  return normal;
}

}  // namespace adreca::platform::wmi
