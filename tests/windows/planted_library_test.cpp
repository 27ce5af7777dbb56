// No library is loaded from the program's folder. A library that is no
// KnownDLL is looked for beside the program first, so one planted there
// (in Downloads, on a USB stick, beside the unpacked ZIP) would run its code
// in the program. Wine searches as Windows does for a library whose native
// build it is told to prefer: for one program, by its AppDefaults key in
// Wine's registry (WINEDLLOVERRIDES does not reach a process that a Windows
// process starts).

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "core/text.h"
#include "tests/support/temp_folder.h"
#include "tests/windows/support/program_run.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;
using testing::BuiltProgram;
using testing::ProgramRun;
using testing::TempFolder;

constexpr wchar_t kTitle[] = L"ADRE\u00c7A MAC";

std::wstring Lower(const std::string& text) {
  std::wstring lower;
  for (const char c : text) lower += static_cast<wchar_t>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Wine prefers a library found beside the program to its own build of it,
// for the program of this name, while the object lives.
class PreferPlantedLibrary {
 public:
  PreferPlantedLibrary(const std::wstring& program, const std::wstring& library)
      : key_(L"Software\\Wine\\AppDefaults\\" + program) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), library.c_str(), REG_SZ,
                      L"native,builtin", sizeof L"native,builtin");
  }
  ~PreferPlantedLibrary() { ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  PreferPlantedLibrary(const PreferPlantedLibrary&) = delete;
  PreferPlantedLibrary& operator=(const PreferPlantedLibrary&) = delete;

 private:
  std::wstring key_;
};

// Closes the window that the run opened, once it is there.
void CloseItsWindow(const ProgramRun& run) {
  for (int tries = 0; tries < 200; ++tries) {
    for (HWND window = ::FindWindowW(nullptr, kTitle); window != nullptr;
         window = ::FindWindowExW(nullptr, window, nullptr, kTitle)) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(window, &owner);
      if (owner == run.process_id()) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        return;
      }
    }
    ::Sleep(50);
  }
}

TEST(PlantedLibraryTest, ALibraryBesideTheProgramIsNeverLoaded) {
  // The planted library leaves its mark wherever it is loaded.
  TempFolder control("adreca-planted");
  const fs::path copy = control.path() / "adreca-control.dll";
  fs::copy_file(BuiltProgram(u"adreca_planted_library.dll"), copy);
  const HMODULE loaded = ::LoadLibraryExW(copy.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  ASSERT_NE(loaded, nullptr);
  ::FreeLibrary(loaded);
  ASSERT_TRUE(fs::exists(control.path() / "adreca-control.dll.loaded"));

  const struct {
    const char* program;
    const char* library;
    const char* arguments;  // none: the window, closed once it is open
  } cases[] = {
      {"adreca-report.exe", "IPHLPAPI.DLL", "--way=AdaptInfo"},
      {"adreca-report.exe", "IPHLPAPI.DLL", "--way=WinMgmt"},
      {"adreca-report.exe", "IPHLPAPI.DLL", "--way=NetWksta"},
      {"adreca-report.exe", "NETAPI32.DLL", "--way=NetBios"},
      {"adreca-mac.exe", "IPHLPAPI.DLL", "--version"},
      {"adreca-mac.exe", "COMCTL32.DLL", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " " + (c.arguments ? c.arguments : "(window)") + " beside " +
                 c.library);
    TempFolder folder("adreca-planted");
    // A name of its own, so that no other run of the program is touched.
    const fs::path program = folder.path() / (folder.path().filename().string() + ".exe");
    fs::copy_file(BuiltProgram(FromUtf8(c.program)), program);
    fs::copy_file(BuiltProgram(u"adreca_planted_library.dll"), folder.path() / c.library);
    std::string name = c.library;
    name.resize(name.find('.'));
    const PreferPlantedLibrary prefer(program.filename().wstring(), Lower(name));
    ProgramRun run(u'"' + program.u16string() + u"\" " + FromUtf8(c.arguments ? c.arguments : ""),
                   folder.path());
    if (c.arguments == nullptr) CloseItsWindow(run);
    run.Finish();
    EXPECT_FALSE(fs::exists(folder.path() / (std::string(c.library) + ".loaded")));
  }
}

// What the programs' main functions do first: from then on a library named
// without a path comes from the system folder, never from beside the
// program, whoever loads it.
TEST(PlantedLibraryTest, AfterTheProgramsFirstCallLibrariesComeFromTheSystemFolderOnly) {
  TempFolder folder("adreca-search");
  const fs::path probe = folder.path() / "adreca_library_search_probe.exe";
  fs::copy_file(BuiltProgram(u"adreca_library_search_probe.exe"), probe);
  fs::copy_file(BuiltProgram(u"adreca_planted_library.dll"), folder.path() / "adreca-beside.dll");
  const struct {
    const char16_t* arguments;
    DWORD loaded;  // the probe's exit code: 0 loaded, 1 not
    bool marked;
  } cases[] = {
      {u"adreca-beside.dll unrestricted", 0, true},
      {u"adreca-beside.dll", 1, false},
      {u"netapi32.dll", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.arguments));
    fs::remove(folder.path() / "adreca-beside.dll.loaded");
    ProgramRun run(u'"' + probe.u16string() + u"\" " + c.arguments, folder.path());
    EXPECT_EQ(run.Finish(), c.loaded);
    EXPECT_EQ(fs::exists(folder.path() / "adreca-beside.dll.loaded"), c.marked);
  }
}

}  // namespace
}  // namespace adreca
