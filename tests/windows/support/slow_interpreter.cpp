// A command interpreter that takes its time and tells which run it was: it
// notes its start and end in interpreters.log beside the listing, and writes
// a listing whose address is made of its parent's process id (where
// ADRECA_INTERPRETER_ID is "parent") or its own, as the redirection after the
// last ">" would.

#include <windows.h>
// After windows.h.
#include <tlhelp32.h>

#include <cstdio>
#include <string>

namespace {

DWORD ParentId() {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == ::GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  ::CloseHandle(snapshot);
  return parent;
}

void Note(const std::wstring& log, const char* what) {
  const HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, 0, nullptr);
  char line[64];
  const int length = std::snprintf(line, sizeof line, "%s %lu\r\n", what, ::GetCurrentProcessId());
  DWORD written = 0;
  ::WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

int wmain() {
  const std::wstring line = ::GetCommandLineW();
  std::wstring target = line.substr(line.rfind(L'>') + 1);
  if (target.size() >= 2 && target.front() == L'"' && target.back() == L'"') {
    target = target.substr(1, target.size() - 2);
  }
  const std::wstring log = target.substr(0, target.rfind(L'\\') + 1) + L"interpreters.log";
  wchar_t which[16] = L"";
  ::GetEnvironmentVariableW(L"ADRECA_INTERPRETER_ID", which, 16);
  const DWORD id = std::wstring(which) == L"parent" ? ParentId() : ::GetCurrentProcessId();
  Note(log, "start");
  ::Sleep(400);
  const HANDLE file = ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  char text[160];
  const int length = std::snprintf(text, sizeof text,
                                   "\r\nWindows IP Configuration\r\n\r\nEthernet adapter Ethernet:\r\n\r\n"
                                   "   Physical Address. . . : 02-00-%02X-%02X-%02X-%02X\r\n",
                                   (id >> 24) & 0xFF, (id >> 16) & 0xFF, (id >> 8) & 0xFF, id & 0xFF);
  DWORD written = 0;
  ::WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
  ::CloseHandle(file);
  Note(log, "end");
  return 0;
}
