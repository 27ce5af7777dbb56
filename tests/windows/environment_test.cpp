// The Windows process environment: its variables, TEMP for the load step, and
// the program's folder.

#include "platform/environment.h"

#include <gtest/gtest.h>
#include <windows.h>
#undef GetEnvironmentVariable

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/actions.h"
#include "core/text.h"
#include "platform/windows/interpreter_environment.h"
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

// The interpreter's environment: the program's, sorted by name ignoring case
// as the system requires of a block (Wine's own is in the Unix environment's
// order), with the command search of the current folder turned off whatever
// the program's own setting.
TEST(EnvironmentTest, TheInterpretersBlockIsSortedWithTheCurrentFolderSearchOff) {
  const ScopedVariable last(u"zz_adreca_last", u"z");
  const ScopedVariable first(u"AA_adreca_first", u"a");
  const ScopedVariable own(u"NODEFAULTCURRENTDIRECTORYINEXEPATH", u"0");
  const std::u16string block = windows::EnvironmentWithoutCurrentFolderSearch();
  ASSERT_TRUE(block.ends_with(std::u16string(2, u'\0')));
  std::vector<std::u16string> names;
  std::vector<std::u16string> searches;
  for (std::size_t start = 0, end; (end = block.find(u'\0', start)) != start; start = end + 1) {
    const std::u16string entry = block.substr(start, end - start);
    std::u16string name = entry.substr(0, entry.find(u'=', 1));
    for (char16_t& c : name) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    if (name == u"NODEFAULTCURRENTDIRECTORYINEXEPATH") searches.push_back(entry);
    names.push_back(std::move(name));
  }
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(searches, std::vector<std::u16string>{u"NoDefaultCurrentDirectoryInExePath=1"});
  for (const std::u16string name : {u"AA_ADRECA_FIRST", u"ZZ_ADRECA_LAST"}) {
    EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << ToUtf8(name);
  }
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
