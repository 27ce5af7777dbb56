// The Windows process environment: its variables, TEMP for the load step, and
// the program's folder.

#include "platform/environment.h"

#include <gtest/gtest.h>
#include <windows.h>
#undef GetEnvironmentVariable

#include <filesystem>
#include <optional>
#include <string>

#include "app/actions.h"
#include "core/text.h"
#include "probes/probes.h"
#include "tests/support/temp_folder.h"

namespace adreca::platform {
namespace {

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// Sets or clears a variable of the process environment for one scope.
class ScopedVariable {
 public:
  ScopedVariable(std::u16string name, std::optional<std::u16string> value) : name_(std::move(name)) {
    wchar_t buffer[32767];
    const DWORD length = ::GetEnvironmentVariableW(Wide(name_), buffer, 32767);
    if (length > 0 || ::GetLastError() != ERROR_ENVVAR_NOT_FOUND) {
      old_ = std::u16string(reinterpret_cast<const char16_t*>(buffer), length);
    }
    Set(value);
  }
  ~ScopedVariable() { Set(old_); }

 private:
  void Set(const std::optional<std::u16string>& value) {
    ::SetEnvironmentVariableW(Wide(name_), value ? Wide(*value) : nullptr);
  }

  std::u16string name_;
  std::optional<std::u16string> old_;
};

TEST(EnvironmentTest, VariablesReadWhatTheProcessEnvironmentHolds) {
  const std::u16string long_value(300, u'x');  // longer than the first buffer
  for (const std::optional<std::u16string>& value :
       {std::optional<std::u16string>(u"C:\\Program Files\\ADRE\u00c7A"), std::optional(long_value),
        std::optional<std::u16string>(u""), std::optional<std::u16string>()}) {
    ScopedVariable variable(u"ADRECA_TEST", value);
    EXPECT_EQ(GetEnvironmentVariable(u"ADRECA_TEST"), value.value_or(u""));
  }
}

// A full TEMP stays as it is. Any other is made a full path against the
// program's current folder and drive, since the interpreter that writes the
// listing runs in another folder: "\\" is the current drive's root.
TEST(LoadStepTest, RecordsTempWithABackslash) {
  testing::TempFolder folder("adreca-load");
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const std::u16string here = folder.WithSeparator();
  const std::u16string root = here.substr(0, 3);  // "C:\"
  for (const auto& [temp, temp_dir] :
       {std::pair{std::optional<std::u16string>(u"C:\\TEMP"), std::u16string(u"C:\\TEMP\\")},
        {std::optional<std::u16string>(u"D:\\with blank"), u"D:\\with blank\\"},
        {std::optional<std::u16string>(u"\\\\server\\share\\temp"), u"\\\\server\\share\\temp\\"},
        {std::optional<std::u16string>(u""), root},
        {std::optional<std::u16string>(), root},
        {std::optional<std::u16string>(u"\\"), root},
        {std::optional<std::u16string>(u"\\Temp"), root + u"Temp\\"},
        {std::optional<std::u16string>(u"listings"), here + u"listings\\"},
        {std::optional<std::u16string>(u".\\listings\\"), here + u"listings\\"},
        {std::optional<std::u16string>(u"a\\..\\listings"), here + u"listings\\"}}) {
    SCOPED_TRACE(ToUtf8(temp.value_or(u"(unset)")));
    ScopedVariable variable(u"TEMP", temp);
    app::LoadStep();
    EXPECT_EQ(TempDir, temp_dir);
  }
  std::filesystem::current_path(old);
}

TEST(EnvironmentTest, ProgramFolderHoldsTheRunningProgram) {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  const std::u16string program(reinterpret_cast<const char16_t*>(path), length);
  const std::u16string folder = ProgramFolder();
  ASSERT_TRUE(folder.ends_with(u'\\')) << ToUtf8(folder);
  EXPECT_EQ(program.substr(0, folder.size()), folder);
  EXPECT_EQ(program.find(u'\\', folder.size()), std::u16string::npos);
}

}  // namespace
}  // namespace adreca::platform
