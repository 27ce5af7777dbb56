#include "tests/support/hostile_environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "core/text.h"
#include "platform/seam.h"
#include "probes/probes.h"

namespace adreca::testing {

namespace fs = std::filesystem;

std::map<std::string, std::string> Picture(const fs::path& root) {
  std::map<std::string, std::string> picture;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    struct stat status {};
    ::lstat(it->path().c_str(), &status);
    std::string entry = std::to_string(status.st_mode) + "/" + std::to_string(status.st_uid) + "/" +
                        std::to_string(status.st_nlink) + "/";
    if (S_ISREG(status.st_mode) && status.st_size < 4096) entry += ReadFileBytes(it->path());
    if (S_ISLNK(status.st_mode)) entry += fs::read_symlink(it->path()).string();
    picture[it->path().string()] = entry;
  }
  return picture;
}

Outcome RunProbe() {
  Outcome outcome;
  outcome.error = RaisedBy([&] { outcome.result = MacIpConfig(); });
  return outcome;
}

fs::path WriteScript(const fs::path& path, const std::string& body) {
  WriteFileBytes(path, "#!/bin/sh\n" + body);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  return path;
}

platform::ExitStatus ShortWait(platform::ProcessHandle process, std::int32_t) {
  return platform::WaitForProcess(process, 1000);
}

void HostileEnvironmentTest::SetUp() {
  ::chmod(sandbox.path().c_str(), 0755);  // for the cases that run as another user
  fs::create_directories(outside);
  WriteFileBytes(protected_file, kProtectedText);
  TempDir = FromUtf8(temp.string() + "/");
  fs::create_directories(temp);
  // The answer of an ordinary run, for the cases that must give it.
  const Outcome ordinary = RunProbe();
  ASSERT_EQ(ordinary.error.number, 0) << ToUtf8(ordinary.error.description);
  expected = ordinary.result;
  ASSERT_NE(expected, u"0A0B0C0D0E0F");
  before = Picture(sandbox.path());
}

void HostileEnvironmentTest::ExpectNothingWritten() {
  EXPECT_EQ(Picture(sandbox.path()), before);
  EXPECT_EQ(ReadFileBytes(protected_file), kProtectedText);
}

void HostileEnvironmentTest::ExpectOrdinaryAnswer(const Outcome& outcome) {
  EXPECT_EQ(outcome.error.number, 0) << ToUtf8(outcome.error.description);
  EXPECT_EQ(outcome.result, expected);
}

fs::path HostileEnvironmentTest::MakeFolder(const std::string& name) {
  fs::path folder = sandbox.path() / name;
  fs::create_directories(folder);
  before = Picture(sandbox.path());
  return folder;
}

}  // namespace adreca::testing
