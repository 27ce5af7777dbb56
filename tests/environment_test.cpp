// The Linux process environment: where the temporary folder is, and which
// command interpreter answers an unset COMSPEC. (tests/windows has the
// Windows rules.)

#include "platform/environment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/actions.h"
#include "core/text.h"
#include "probes/probes.h"
#include "tests/support/hostile_environment.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_folder.h"

namespace adreca::platform {
namespace {

using testing::ScopedVariable;

std::filesystem::path MakeFolder(const std::filesystem::path& path, mode_t mode) {
  std::filesystem::create_directories(path);
  ::chmod(path.c_str(), mode);
  return path;
}

TEST(LoadStepTest, RecordsTheTemporaryFolderWithItsSeparator) {
  struct Case {
    const char* temp;
    const char* tmpdir;
    std::u16string temp_dir;
  };
  for (const Case& c : {Case{"/var/tmp", "/srv", u"/var/tmp/"}, Case{"", "/srv", u"/srv/"},
                        Case{nullptr, "/srv", u"/srv/"}, Case{nullptr, nullptr, u"/tmp/"}}) {
    ScopedVariable temp("TEMP", c.temp ? std::optional<std::string>(c.temp) : std::nullopt);
    ScopedVariable tmpdir("TMPDIR", c.tmpdir ? std::optional<std::string>(c.tmpdir) : std::nullopt);
    ScopedVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
    app::LoadStep();
    EXPECT_EQ(TempDir, c.temp_dir);
  }
}

// With neither TEMP nor TMPDIR, the listing goes to the user's runtime folder,
// where no other user can put a file of its name beforehand, but only when
// that folder is the user's own and closed to others: root that kept another
// user's XDG_RUNTIME_DIR (su without -, sudo -E) must not write into it.
TEST(TemporaryFolderDefaultTest, IsTheRuntimeFolderOnlyWhenItIsTheUsersOwnAndPrivate) {
  testing::TempFolder sandbox("adreca-runtime");
  const std::filesystem::path own = sandbox.path() / "own";
  struct Case {
    const char* label;
    std::function<std::filesystem::path()> make;  // the XDG_RUNTIME_DIR to set
    bool used;
    bool needs_root = false;
  } cases[] = {
      {"the user's own, mode 0700", [&] { return MakeFolder(own, 0700); }, true},
      {"others may read it", [&] { return MakeFolder(sandbox.path() / "open", 0755); }, false},
      {"its group may write", [&] { return MakeFolder(sandbox.path() / "group", 0770); }, false},
      {"another user's",
       [&] {
         auto theirs = MakeFolder(sandbox.path() / "theirs", 0700);
         if (::chown(theirs.c_str(), testing::kNobody, testing::kNobody) != 0)
           throw std::runtime_error("chown");
         return theirs;
       },
       false, true},
      {"a link to the user's own",
       [&] {
         MakeFolder(own, 0700);
         std::filesystem::create_symlink(own, sandbox.path() / "link");
         return sandbox.path() / "link";
       },
       false},
      {"missing", [&] { return sandbox.path() / "missing"; }, false},
  };
  ScopedVariable temp("TEMP", std::nullopt);
  ScopedVariable tmpdir("TMPDIR", std::nullopt);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.needs_root && ::geteuid() != 0) continue;
    const std::filesystem::path runtime = c.make();
    ScopedVariable xdg("XDG_RUNTIME_DIR", runtime.string());
    EXPECT_EQ(ToUtf8(TemporaryFolder()), c.used ? runtime.string() + "/" : "/tmp/");
  }
  ScopedVariable xdg("XDG_RUNTIME_DIR", own.string());
  ScopedVariable set_tmpdir("TMPDIR", "/srv");
  EXPECT_EQ(TemporaryFolder(), u"/srv/") << "TMPDIR still comes first";
}

TEST(EnvironmentTest, UnsetComspecNamesTheProjectsInterpreter) {
  ScopedVariable comspec("COMSPEC", std::nullopt);
  EXPECT_EQ(GetEnvironmentVariable(u"COMSPEC"), ProgramFolder() + u"adreca-cmd");
}

}  // namespace
}  // namespace adreca::platform
