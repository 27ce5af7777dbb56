// A command interpreter that fails after writing: it writes an address into
// the file after the last ">" of its command line, as the redirection would,
// then ends with exit code 1.

#include <windows.h>

#include <string>

int wmain() {
  std::wstring line = ::GetCommandLineW();
  std::wstring target = line.substr(line.rfind(L'>') + 1);
  if (target.size() >= 2 && target.front() == L'"' && target.back() == L'"') {
    target = target.substr(1, target.size() - 2);
  }
  const HANDLE file = ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  const char text[] =
      "\r\nWindows IP Configuration\r\n\r\nEthernet adapter Ethernet:\r\n\r\n"
      "   Physical Address. . . : 0A-1B-2C-3D-4E-5F\r\n";
  DWORD written = 0;
  ::WriteFile(file, text, sizeof text - 1, &written, nullptr);
  ::CloseHandle(file);
  return 1;
}
