// Loads the library that its first argument names, by name alone, after the
// call that a program's main function makes first (unless the second
// argument is "unrestricted"). Exit code 0 when it was loaded, 1 when not.

#include <windows.h>

#include <string>

#include "platform/process.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  if (argc < 3 || std::wstring(argv[2]) != L"unrestricted") {
    adreca::platform::LoadLibrariesFromTheSystemFolderOnly();
  }
  return ::LoadLibraryW(argv[1]) != nullptr ? 0 : 1;
}
