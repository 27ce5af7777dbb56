#include "platform/windows/entry_point.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "platform/process.h"

// Binds an entry point to the export of a system library. The libraries the
// probes name are the platform's own, so only the system folder is searched:
// a library of the same name beside the program or in the current folder is
// never loaded.
namespace adreca::platform::windows {

namespace {

constexpr std::int32_t kErrorLoadingLibrary = 48;

// "NETAPI32.DLL", "netapi32.dll" and "netapi32" name the same library.
std::string LibraryKey(std::string_view library) {
  std::string key(library);
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
  constexpr std::string_view kSuffix = ".dll";
  if (key.size() > kSuffix.size() && key.ends_with(kSuffix)) key.resize(key.size() - kSuffix.size());
  return key;
}

// What tests made unbindable: a whole library (no function) or one entry point.
struct Refusal {
  std::string library;
  std::string function;
};

struct Refusals {
  std::mutex mutex;
  std::vector<Refusal> refused;
  std::atomic<unsigned> generation{1};
};

Refusals& TheRefusals() {
  static Refusals refusals;
  return refusals;
}

[[noreturn]] void RaiseLibraryNotFound(std::string_view library) {
  throw Error(error_number::kFileNotFound, u"File not found: " + FromAscii(library));
}

[[noreturn]] void RaiseEntryPointNotFound(std::string_view library, std::string_view function) {
  throw Error(error_number::kEntryPointNotFound,
              u"Can't find DLL entry point " + FromAscii(function) + u" in " + FromAscii(library));
}

void RaiseIfRefused(std::string_view library, std::string_view function) {
  Refusals& refusals = TheRefusals();
  const std::string key = LibraryKey(library);
  std::lock_guard lock(refusals.mutex);
  for (const Refusal& refusal : refusals.refused) {
    if (refusal.library != key) continue;
    if (refusal.function.empty()) RaiseLibraryNotFound(library);
    if (refusal.function == function) RaiseEntryPointNotFound(library, function);
  }
}

std::wstring WideName(std::string_view library) { return std::wstring(library.begin(), library.end()); }

bool IsNotFound(DWORD code) {
  return code == ERROR_MOD_NOT_FOUND || code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_INVALID_NAME;
}

}  // namespace

Address Bind(std::string_view library, std::string_view function) {
  RaiseIfRefused(library, function);
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

unsigned BindingGeneration() noexcept { return TheRefusals().generation.load(std::memory_order_acquire); }

ScopedUnbindable::ScopedUnbindable(std::string_view library, std::string_view function)
    : library_(library), function_(function) {
  Refusals& refusals = TheRefusals();
  std::lock_guard lock(refusals.mutex);
  refusals.refused.push_back({LibraryKey(library), std::string(function)});
  refusals.generation.fetch_add(1, std::memory_order_acq_rel);
}

ScopedUnbindable::~ScopedUnbindable() {
  Refusals& refusals = TheRefusals();
  std::lock_guard lock(refusals.mutex);
  const std::string key = LibraryKey(library_);
  const auto it = std::find_if(
      refusals.refused.rbegin(), refusals.refused.rend(),
      [&](const Refusal& refusal) { return refusal.library == key && refusal.function == function_; });
  if (it != refusals.refused.rend()) refusals.refused.erase(std::next(it).base());
  refusals.generation.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace adreca::platform::windows

namespace adreca::platform {

// Every later load without a path of its own, the system's libraries' own
// loads of their dependencies too, searches the system folder alone. Static
// imports are resolved before this runs, which is why the programs import
// statically only KnownDLLs, which the system always takes from its own
// folder.
void LoadLibrariesFromTheSystemFolderOnly() { ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32); }

}  // namespace adreca::platform
