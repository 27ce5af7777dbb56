// The released program as a user gets it, checked from outside its process
// by the release check (scripts/test-windows-release), which says what to
// check through the environment:
//   ADRECA_PROGRAM          the program to start (installed, or unpacked from the ZIP)
//   ADRECA_EXPECTED_DPI     the system's DPI in this run
//   ADRECA_UPGRADE_CODE,    the installed product: exactly one, of this
//   ADRECA_EXPECTED_VERSION version, with its Add/Remove Programs entry
//   ADRECA_SHORTCUT         the Start-menu shortcut to the program
// A test whose variable is not set skips and says which.

#include <windows.h>
// After <windows.h>, which declares their types.
#include <gtest/gtest.h>
#include <msi.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "app/layout.h"
#include "core/text.h"
#include "tests/windows/program/window_probe.h"

namespace adreca::app {
namespace {

std::optional<std::wstring> Setting(const wchar_t* name) {
  const wchar_t* value = ::_wgetenv(name);
  if (value == nullptr || *value == L'\0') return std::nullopt;
  return std::wstring(value);
}

std::string Narrow(const std::wstring& text) {
  return ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::wstring TextOf(HWND window) {
  std::wstring text(1024, L'\0');
  // WM_GETTEXT, not GetWindowText: the box belongs to another process.
  const auto length = ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// The program's icon at a size, as its own resources have it.
test::IconImage ProgramIconImage(const std::wstring& program, int size) {
  const HMODULE module = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) return {};
  const auto icon =
      static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  test::IconImage image = test::ImageOf(icon);
  if (icon != nullptr) ::DestroyIcon(icon);
  ::FreeLibrary(module);
  return image;
}

// Control identifiers of the window: the row in the units, the column in
// the hundreds (button, address, status).
int ControlId(Column column, int row) { return 100 * (static_cast<int>(column) + 1) + row; }

// The program, started from another folder than its own, and its window.
class InstalledWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    const auto program = Setting(L"ADRECA_PROGRAM");
    if (!program) return;
    program_ = *program;
    std::wstring command = L"\"" + program_ + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(program_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\",
                          &startup, &process_)) {
      return;
    }
    ::CloseHandle(process_.hThread);
    ::WaitForInputIdle(process_.hProcess, 20'000);
    for (int tries = 0; tries < 200 && window_ == nullptr; ++tries) {
      ::EnumWindows(&TakeWindowOfProcess, 0);
      if (window_ == nullptr) ::Sleep(50);
    }
  }

  static void TearDownTestSuite() {
    if (process_.hProcess == nullptr) return;
    if (window_ != nullptr) ::PostMessageW(window_, WM_CLOSE, 0, 0);
    closed_ = ::WaitForSingleObject(process_.hProcess, 10'000) == WAIT_OBJECT_0;
    if (!closed_) ::TerminateProcess(process_.hProcess, 1);
    ::CloseHandle(process_.hProcess);
    process_ = {};
    window_ = nullptr;
  }

  static BOOL CALLBACK TakeWindowOfProcess(HWND window, LPARAM) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t class_name[64]{};
    ::GetClassNameW(window, class_name, 64);
    if (owner != process_.dwProcessId || std::wstring(class_name) != L"AdrecaForm1" ||
        !::IsWindowVisible(window)) {
      return TRUE;
    }
    window_ = window;
    return FALSE;
  }

  void SetUp() override {
    if (program_.empty()) GTEST_SKIP() << "ADRECA_PROGRAM is not set";
    ASSERT_NE(process_.hProcess, nullptr) << "cannot start " << Narrow(program_);
    ASSERT_NE(window_, nullptr) << "no window from " << Narrow(program_);
  }

  static UINT ExpectedDpi() {
    const auto dpi = Setting(L"ADRECA_EXPECTED_DPI");
    return dpi ? static_cast<UINT>(std::wcstoul(dpi->c_str(), nullptr, 10)) : 96u;
  }

  static inline std::wstring program_;
  static inline PROCESS_INFORMATION process_{};
  static inline HWND window_ = nullptr;
  static inline bool closed_ = false;
};

TEST_F(InstalledWindowTest, TheWindowHasItsTitleAndTheLayoutsClientAreaAtTheDpi) {
  EXPECT_EQ(TextOf(window_), L"ADRE\u00c7A MAC");
  const int dpi = static_cast<int>(ExpectedDpi());
  RECT client{};
  ::GetClientRect(window_, &client);
  EXPECT_EQ(client.right, TwipsToPixels(kWindow.client_width, dpi));    // 603 at 96 DPI
  EXPECT_EQ(client.bottom, TwipsToPixels(kWindow.client_height, dpi));  // 233 at 96 DPI
  for (const ControlLayout& control : kControls) {
    SCOPED_TRACE(std::string(control.name));
    const HWND handle = ::GetDlgItem(window_, ControlId(control.column, control.row));
    ASSERT_NE(handle, nullptr);
    const RECT rect = test::RectInParent(handle);
    EXPECT_EQ(rect.left, TwipsToPixels(control.left, dpi));
    EXPECT_EQ(rect.top, TwipsToPixels(control.top, dpi));
    EXPECT_EQ(rect.right - rect.left, TwipsToPixels(control.width, dpi));
    EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(control.height, dpi));
  }
}

TEST_F(InstalledWindowTest, APressOfAdaptInfoShowsAnAddress) {
  const HWND button = ::GetDlgItem(window_, ControlId(Column::kButton, 5));
  ASSERT_EQ(TextOf(button), L"AdaptInfo");
  ::SendMessageW(button, BM_CLICK, 0, 0);
  const std::string address = Narrow(TextOf(::GetDlgItem(window_, ControlId(Column::kAddress, 5))));
  EXPECT_TRUE(std::regex_match(address, std::regex("[0-9A-F]{2}(-[0-9A-F]{2}){5}"))) << address;
  EXPECT_NE(address, "00-00-00-00-00-00");
  EXPECT_EQ(TextOf(::GetDlgItem(window_, ControlId(Column::kStatus, 5))), L"0");
}

bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST_F(InstalledWindowTest, TheTitleBarAndTaskbarShowTheProgramsIcon) {
  if (UnderWine()) {
    GTEST_SKIP() << "Wine 8 answers WM_GETICON and GetClassLongPtr about another process's window with "
                    "no icon; adreca_program_tests checks the window's icons inside the process";
  }
  const UINT dpi = ExpectedDpi();
  for (const auto& [which, metric] : {std::pair{ICON_SMALL, SM_CXSMICON}, std::pair{ICON_BIG, SM_CXICON}}) {
    SCOPED_TRACE(which == ICON_SMALL ? "small" : "large");
    const auto icon = reinterpret_cast<HICON>(::SendMessageW(window_, WM_GETICON, which, 0));
    ASSERT_NE(icon, nullptr);
    const int size = ::GetSystemMetricsForDpi(metric, dpi);
    const test::IconImage shown = test::ImageOf(icon);
    ASSERT_EQ(shown.width, size);
    EXPECT_EQ(shown, ProgramIconImage(program_, size));
  }
}

// Last of the window's tests: a process that kept running after its window
// closed would hold the files that an uninstall or an upgrade must replace.
TEST_F(InstalledWindowTest, TheProgramEndsWhenItsWindowCloses) {
  TearDownTestSuite();
  EXPECT_TRUE(closed_);
}

// ---- The installed product ----

std::wstring ProductInfo(const std::wstring& product, const wchar_t* property) {
  std::wstring value(1024, L'\0');
  DWORD length = static_cast<DWORD>(value.size());
  if (::MsiGetProductInfoW(product.c_str(), property, value.data(), &length) != ERROR_SUCCESS)
    return L"<none>";
  value.resize(length);
  return value;
}

std::wstring UninstallValue(const std::wstring& product, const wchar_t* name) {
  const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
  std::wstring value(1024, L'\0');
  DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name,
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value.data(),
                     &bytes) != ERROR_SUCCESS) {
    return L"<none>";
  }
  value.resize(bytes / sizeof(wchar_t) - 1);
  return value;
}

std::vector<std::wstring> RelatedProducts(const std::wstring& upgrade_code) {
  std::vector<std::wstring> products;
  wchar_t product[39];
  for (DWORD i = 0; ::MsiEnumRelatedProductsW(upgrade_code.c_str(), 0, i, product) == ERROR_SUCCESS; ++i) {
    products.emplace_back(product);
  }
  return products;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

std::wstring WithoutTrailingSeparator(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

TEST(InstalledProductTest, OneCopyOfTheVersionWithItsAddRemoveProgramsEntry) {
  const auto upgrade_code = Setting(L"ADRECA_UPGRADE_CODE");
  const auto version = Setting(L"ADRECA_EXPECTED_VERSION");
  const auto program = Setting(L"ADRECA_PROGRAM");
  if (!upgrade_code || !version || !program)
    GTEST_SKIP() << "ADRECA_UPGRADE_CODE, ADRECA_EXPECTED_VERSION or ADRECA_PROGRAM is not set";
  const std::vector<std::wstring> products = RelatedProducts(*upgrade_code);
  ASSERT_EQ(products.size(), 1u) << "installed copies";
  const std::wstring& product = products.front();

  const struct {
    const char* name;
    std::wstring shown, expected;
  } entries[] = {
      {"DisplayName", UninstallValue(product, L"DisplayName"), L"ADRE\u00c7A MAC"},
      {"DisplayVersion", UninstallValue(product, L"DisplayVersion"), *version},
      {"Publisher", UninstallValue(product, L"Publisher"), L"the adreca-mac authors"},
      {"HelpLink", UninstallValue(product, L"HelpLink"), ProductInfo(product, INSTALLPROPERTY_HELPLINK)},
      {"InstallLocation", UninstallValue(product, L"InstallLocation"), FolderOf(*program)},
      {"UninstallString", UninstallValue(product, L"UninstallString"), L"MsiExec.exe /X" + product},
      {"product version", ProductInfo(product, INSTALLPROPERTY_VERSIONSTRING), *version},
  };
  for (const auto& entry : entries) EXPECT_EQ(Narrow(entry.shown), Narrow(entry.expected)) << entry.name;
  // The project has no web site: the help link is the installed README.
  EXPECT_EQ(Narrow(UninstallValue(product, L"HelpLink")), Narrow(FolderOf(*program) + L"README.txt"));

  // Add/Remove Programs shows an MSI product's icon from ARPPRODUCTICON:
  // the installer keeps it in a file of its own.
  const std::wstring icon_file = ProductInfo(product, INSTALLPROPERTY_PRODUCTICON);
  HICON icon = nullptr;
  ASSERT_EQ(::ExtractIconExW(icon_file.c_str(), 0, &icon, nullptr, 1), 1u) << Narrow(icon_file);
  const test::IconImage image = test::ImageOf(icon);
  ::DestroyIcon(icon);
  EXPECT_EQ(image, ProgramIconImage(*program, image.width));
}

TEST(InstalledProductTest, TheStartMenuShortcutStartsTheProgramAndShowsItsIcon) {
  const auto shortcut = Setting(L"ADRECA_SHORTCUT");
  const auto program = Setting(L"ADRECA_PROGRAM");
  if (!shortcut || !program) GTEST_SKIP() << "ADRECA_SHORTCUT or ADRECA_PROGRAM is not set";
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  IShellLinkW* link = nullptr;
  ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&link)),
            S_OK);
  IPersistFile* file = nullptr;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
  ASSERT_EQ(file->Load(shortcut->c_str(), STGM_READ), S_OK) << Narrow(*shortcut);
  wchar_t target[MAX_PATH]{};
  wchar_t folder[MAX_PATH]{};
  wchar_t icon_path[MAX_PATH]{};
  int icon_index = -1;
  link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  link->GetWorkingDirectory(folder, MAX_PATH);
  link->GetIconLocation(icon_path, MAX_PATH, &icon_index);
  file->Release();
  link->Release();
  ::CoUninitialize();

  EXPECT_EQ(::lstrcmpiW(target, program->c_str()), 0) << Narrow(target);
  EXPECT_EQ(::lstrcmpiW(WithoutTrailingSeparator(folder).c_str(),
                        WithoutTrailingSeparator(FolderOf(*program)).c_str()),
            0)
      << Narrow(folder);
  HICON icon = nullptr;
  ASSERT_EQ(::ExtractIconExW(icon_path, icon_index, &icon, nullptr, 1), 1u) << Narrow(icon_path);
  const test::IconImage image = test::ImageOf(icon);
  ::DestroyIcon(icon);
  EXPECT_EQ(image, ProgramIconImage(*program, image.width));
}

}  // namespace
}  // namespace adreca::app
