// The Linux process environment: where the temporary folder is, and which
// command interpreter answers an unset COMSPEC. (tests/windows has the
// Windows rules.)

#include "platform/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/actions.h"
#include "probes/probes.h"

namespace adreca::platform {
namespace {

// Sets or clears an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(LoadStepTest, RecordsTheTemporaryFolderWithItsSeparator) {
  struct Case {
    const char* temp;
    const char* tmpdir;
    std::u16string temp_dir;
  };
  for (const Case& c : {Case{"/var/tmp", "/srv", u"/var/tmp/"}, Case{"", "/srv", u"/srv/"},
                        Case{nullptr, "/srv", u"/srv/"}, Case{nullptr, nullptr, u"/tmp/"}}) {
    ScopedEnv temp("TEMP", c.temp);
    ScopedEnv tmpdir("TMPDIR", c.tmpdir);
    app::LoadStep();
    EXPECT_EQ(TempDir, c.temp_dir);
  }
}

TEST(EnvironmentTest, UnsetComspecNamesTheProjectsInterpreter) {
  ScopedEnv comspec("COMSPEC", nullptr);
  EXPECT_EQ(GetEnvironmentVariable(u"COMSPEC"), ProgramFolder() + u"adreca-cmd");
}

}  // namespace
}  // namespace adreca::platform
