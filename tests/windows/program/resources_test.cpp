// What the program's resources give: the manifest's DPI awareness and
// Common Controls 6 (in this process, which carries the same resources), the
// program's icon on the window and its class, and, read from adreca-mac.exe
// itself, the version information and the icon at every size.

#include <windows.h>
// After <windows.h>, which declares their types.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/form1.h"
#include "app/win32/resource.h"
#include "tests/windows/program/window_probe.h"

namespace adreca::app {
namespace {

// The built program, as Wine sees the build tree (its drive Z: is /).
std::wstring ProgramPath() {
  std::string path = "Z:" ADRECA_PROGRAM_PATH;
  std::replace(path.begin(), path.end(), '/', '\\');
  return std::wstring(path.begin(), path.end());
}

// Wine 8 treats every process as per-monitor aware, manifest or not, and
// does not know PerMonitorV2: the declaration is checked in the manifest
// itself by the release check. What Wine does follow is the dependency on
// Common Controls 6, which redirects the window's button and box classes.
TEST(ProgramManifestTest, TheButtonsAndBoxesAreThoseOfCommonControlsSix) {
  Form1 form(kWays, [](HWND, const RaisedError&, const std::u16string&) {});
  for (const char* name : {"Command1", "Mac1"}) {
    SCOPED_TRACE(name);
    wchar_t class_name[64]{};
    ::GetClassNameW(form.Control(name), class_name, 64);
    ACTCTX_SECTION_KEYED_DATA redirection{};
    redirection.cbSize = sizeof redirection;
    EXPECT_TRUE(::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_WINDOW_CLASS_REDIRECTION,
                                           class_name, &redirection));
    const auto module = reinterpret_cast<HMODULE>(::GetClassLongPtrW(form.Control(name), GCLP_HMODULE));
    EXPECT_NE(module, ::GetModuleHandleW(L"user32.dll"));
  }
}

TEST(ProgramIconTest, TheWindowAndItsClassShowTheProgramsIconNotTheSystemsDefault) {
  Form1 form(kWays, [](HWND, const RaisedError&, const std::u16string&) {});
  const UINT dpi = ::GetDpiForWindow(form.window());
  struct Case {
    const char* name;
    HICON icon;
    int metric;
  };
  const auto window_icon = [&](WPARAM which) {
    return reinterpret_cast<HICON>(::SendMessageW(form.window(), WM_GETICON, which, 0));
  };
  const auto class_icon = [&](int which) {
    return reinterpret_cast<HICON>(::GetClassLongPtrW(form.window(), which));
  };
  const Case cases[] = {{"window, large", window_icon(ICON_BIG), SM_CXICON},
                        {"window, small", window_icon(ICON_SMALL), SM_CXSMICON},
                        {"class, large", class_icon(GCLP_HICON), SM_CXICON},
                        {"class, small", class_icon(GCLP_HICONSM), SM_CXSMICON}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int size = ::GetSystemMetricsForDpi(c.metric, dpi);
    const auto own =
        static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ADRECA_MAC),
                                        IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    const auto stock =
        static_cast<HICON>(::LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, size, size, LR_SHARED));
    ASSERT_NE(own, nullptr);
    const test::IconImage shown = test::ImageOf(c.icon);
    EXPECT_EQ(shown.width, size);
    EXPECT_EQ(shown, test::ImageOf(own));
    EXPECT_NE(shown, test::ImageOf(stock));
    ::DestroyIcon(own);
  }
}

// A string of the version information's U.S. English, UTF-16 table.
std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (::VerQueryValueW(block.data(), path.c_str(), &value, &length) == FALSE || length == 0) return L"<none>";
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(ProgramVersionTest, TheProgramSaysWhatItIsAndWhichVersion) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version information in the program";
  std::vector<char> block(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  const std::string version = ADRECA_PROJECT_VERSION;  // "major.minor.patch", from CMake
  const std::wstring wide_version(version.begin(), version.end());
  const struct {
    const char* label;
    const wchar_t* name;
    std::wstring expected;
  } strings[] = {
      {"ProductName", L"ProductName", L"ADRE\u00c7A MAC"},
      {"FileDescription", L"FileDescription", L"ADRE\u00c7A MAC"},
      {"CompanyName", L"CompanyName", L"the adreca-mac authors"},
      {"LegalCopyright", L"LegalCopyright", L"Copyright \u00a9 the adreca-mac authors. MIT licence."},
      {"OriginalFilename", L"OriginalFilename", L"adreca-mac.exe"},
      {"InternalName", L"InternalName", L"adreca-mac"},
      {"ProductVersion", L"ProductVersion", wide_version},
      {"FileVersion", L"FileVersion", wide_version + L".0"}};
  for (const auto& string : strings) {
    EXPECT_TRUE(VersionString(block, string.name) == string.expected) << string.label;
  }

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(version.c_str(), "%u.%u.%u", &major, &minor, &patch), 3);
  EXPECT_EQ(fixed->dwFileVersionMS, (major << 16) | minor);
  EXPECT_EQ(fixed->dwFileVersionLS, patch << 16);
  EXPECT_EQ(fixed->dwProductVersionMS, (major << 16) | minor);
  EXPECT_EQ(fixed->dwProductVersionLS, patch << 16);
}

// The icon group of adreca-mac.exe has an image of each size that Windows
// asks for, and the system picks the exact one for each.
TEST(ProgramVersionTest, TheProgramCarriesItsIconAtEverySize) {
  const HMODULE program = ::LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  const HRSRC group = ::FindResourceW(program, MAKEINTRESOURCEW(IDI_ADRECA_MAC), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  auto* directory = static_cast<BYTE*>(::LockResource(::LoadResource(program, group)));
  for (const int size : {16, 24, 32, 48, 256}) {
    SCOPED_TRACE(size);
    const int id = ::LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
    ASSERT_NE(id, 0);
    const HRSRC image = ::FindResourceW(program, MAKEINTRESOURCEW(id), RT_ICON);
    ASSERT_NE(image, nullptr);
    const HICON icon =
        ::CreateIconFromResourceEx(static_cast<BYTE*>(::LockResource(::LoadResource(program, image))),
                                   ::SizeofResource(program, image), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(test::ImageOf(icon).width, size);
    ::DestroyIcon(icon);
  }
  ::FreeLibrary(program);
}

}  // namespace
}  // namespace adreca::app
