// The environment the interpreter is started with.

#include "platform/windows/interpreter_environment.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string_view>
#include <vector>

namespace adreca::platform::windows {

namespace {

constexpr std::u16string_view kNoCurrentFolderSearch = u"NoDefaultCurrentDirectoryInExePath";

// An environment entry's name. A name may start with "=" (the per-drive
// current folders, "=C:=C:\Users").
std::u16string_view NameOf(std::u16string_view entry) { return entry.substr(0, entry.find(u'=', 1)); }

// Two names as the system orders an environment block: ignoring case,
// ordinally. CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN.
int CompareNames(std::u16string_view x, std::u16string_view y) {
  return ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(x.data()), static_cast<int>(x.size()),
                                reinterpret_cast<const wchar_t*>(y.data()), static_cast<int>(y.size()), TRUE);
}

bool SortsBefore(std::u16string_view a, std::u16string_view b) {
  return CompareNames(NameOf(a), NameOf(b)) == CSTR_LESS_THAN;
}

bool IsNoCurrentFolderSearch(std::u16string_view entry) {
  return CompareNames(NameOf(entry), kNoCurrentFolderSearch) == CSTR_EQUAL;
}

}  // namespace

std::u16string EnvironmentWithoutCurrentFolderSearch() {
  const std::u16string setting = std::u16string(kNoCurrentFolderSearch) + u"=1";
  wchar_t* const strings = ::GetEnvironmentStringsW();
  std::vector<std::u16string_view> entries{setting};
  for (const wchar_t* entry = strings; entry != nullptr && *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    const std::u16string_view variable(reinterpret_cast<const char16_t*>(entry), std::wcslen(entry));
    if (!IsNoCurrentFolderSearch(variable)) entries.push_back(variable);
  }
  std::stable_sort(entries.begin(), entries.end(), SortsBefore);
  std::u16string block;
  for (const std::u16string_view entry : entries) block.append(entry).push_back(u'\0');
  block.push_back(u'\0');
  if (strings != nullptr) ::FreeEnvironmentStringsW(strings);
  return block;
}

}  // namespace adreca::platform::windows
