#include "platform/environment.h"

#include <windows.h>
#undef GetEnvironmentVariable

#include <string>

#include "platform/windows/full_path.h"
#include "platform/windows/windows_text.h"

namespace adreca::platform {

namespace {

// The variable's value from the process environment; unset reads as empty.
std::u16string Variable(std::u16string_view name) {
  const std::u16string terminated(name);
  std::u16string value(64, u'\0');
  for (;;) {
    const DWORD length =
        ::GetEnvironmentVariableW(windows::Wide(terminated), reinterpret_cast<wchar_t*>(value.data()),
                                  static_cast<DWORD>(value.size()));
    // Too small a buffer answers the size needed, terminator included.
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);
  }
}

}  // namespace

std::u16string GetEnvironmentVariable(std::u16string_view name) { return Variable(name); }

// The interpreter that writes the listing runs in the system folder, not in
// the program's current one, so the listing's folder is named the same way
// for the redirection, the reading and the deletion: a TEMP that is not a
// full path (unset, "\Temp", "Temp") is made one against the program's
// current folder and drive, where "\" stays the root of the current drive,
// a USB stick's or a share's. A full TEMP stays as it is.
std::u16string TemporaryFolder() {
  const std::u16string temp = Variable(u"TEMP");
  if (windows::IsFullPath(temp)) return temp + u'\\';
  const std::u16string full = windows::FullPathName(temp.empty() ? u"\\" : temp);
  if (full.empty()) return temp + u'\\';
  return full.ends_with(u'\\') ? full : full + u'\\';
}

std::u16string ProgramFolder() {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()),
                                              static_cast<DWORD>(path.size()));
    if (length == 0) windows::RaiseLastError(u"Cannot find the running program's folder");
    if (length < path.size() && ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.resize(path.rfind(u'\\') + 1);
  return path;
}

}  // namespace adreca::platform
