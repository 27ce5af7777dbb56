// The Linux process environment: where the temporary folder is, and which
// command interpreter answers an unset COMSPEC. (tests/windows has the
// Windows rules.)

#include "platform/environment.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/actions.h"
#include "probes/probes.h"
#include "tests/support/scoped_variable.h"

namespace adreca::platform {
namespace {

using testing::ScopedVariable;

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
    app::LoadStep();
    EXPECT_EQ(TempDir, c.temp_dir);
  }
}

TEST(EnvironmentTest, UnsetComspecNamesTheProjectsInterpreter) {
  ScopedVariable comspec("COMSPEC", std::nullopt);
  EXPECT_EQ(GetEnvironmentVariable(u"COMSPEC"), ProgramFolder() + u"adreca-cmd");
}

}  // namespace
}  // namespace adreca::platform
