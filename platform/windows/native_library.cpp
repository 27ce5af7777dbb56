#include "platform/native_library.h"

#include <windows.h>

#include <string>

#include "core/error.h"
#include "core/text.h"
#include "platform/process.h"

// Binds an entry point to the export of a system library. The libraries the
// probes name are the platform's own, so only the system folder is searched:
// a library of the same name in the current folder is never loaded.
namespace adreca::seam {

namespace {

constexpr std::int32_t kErrorLoadingLibrary = 48;

std::wstring WideName(std::string_view library) { return std::wstring(library.begin(), library.end()); }

bool IsNotFound(DWORD code) {
  return code == ERROR_MOD_NOT_FOUND || code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_INVALID_NAME;
}

}  // namespace

bool NativeLibraryExists(std::string_view library) {
  const HMODULE module = ::LoadLibraryExW(WideName(library).c_str(), nullptr,
                                          LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return false;
  ::FreeLibrary(module);
  return true;
}

Address BindNative(std::string_view library, std::string_view function) {
  // The library stays loaded for the rest of the program: the bound address
  // is kept and reused by every later call.
  const HMODULE module = ::LoadLibraryExW(WideName(library).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    if (IsNotFound(::GetLastError())) RaiseLibraryNotFound(library);
    RaisePlatformError(kErrorLoadingLibrary, u"Error in loading DLL " + FromAscii(library));
  }
  const FARPROC address = ::GetProcAddress(module, std::string(function).c_str());
  if (address == nullptr) RaiseEntryPointNotFound(library, function);
  return reinterpret_cast<Address>(address);
}

}  // namespace adreca::seam

namespace adreca::platform {

// Every later load without a path of its own, the system's libraries' own
// loads of their dependencies too, searches the system folder alone. Static
// imports are resolved before this runs, which is why the programs import
// statically only KnownDLLs, which the system always takes from its own
// folder.
void LoadLibrariesFromTheSystemFolderOnly() { ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32); }

}  // namespace adreca::platform
