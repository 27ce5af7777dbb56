// The temporary folder that the ipconfig way writes its listing into: it must
// be the user's own or a sticky shared one, reached through no other user's
// link, and named by the bytes of TEMP themselves. Anything else is refused
// before the interpreter runs, and nothing is written anywhere.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/actions.h"
#include "core/error.h"
#include "core/text.h"
#include "probes/probes.h"
#include "tests/support/hostile_environment.h"

namespace adreca {
namespace {

namespace fs = std::filesystem;
using testing::HostileEnvironmentTest;
using testing::kNobody;
using testing::Outcome;
using testing::RunProbe;
using testing::ScopedVariable;
using testing::WriteFileBytes;

// What root keeps in a private folder of its own; a listing written through
// another user's link would replace it, and the probe would then delete it.
constexpr std::string_view kPrivateText = "root's own ipconfig.tmp\n";

struct FolderCase {
  const char* name;
  // Makes the folder TEMP names, under the sandbox; returns TEMP.
  std::function<fs::path(const fs::path& sandbox, const fs::path& private_folder)> make;
  std::int32_t error;  // 0: the ordinary answer
};

class TemporaryFolderTest : public HostileEnvironmentTest,
                            public ::testing::WithParamInterface<FolderCase> {};

void Own(const fs::path& path, uid_t owner, gid_t group = kNobody) {
  if (::lchown(path.c_str(), owner, group) != 0) throw std::runtime_error("lchown " + path.string());
}

TEST_P(TemporaryFolderTest, IsUsedOnlyWhenNoOtherUserCanRedirectTheListing) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving folders and links to another user needs root";
  const FolderCase& c = GetParam();
  const fs::path private_folder = sandbox.path() / "private";
  fs::create_directories(private_folder);
  fs::permissions(private_folder, fs::perms::owner_all);
  WriteFileBytes(private_folder / "ipconfig.tmp", kPrivateText);
  const fs::path folder = c.make(sandbox.path(), private_folder);
  before = testing::Picture(sandbox.path());
  ScopedVariable variable("TEMP", folder.string());
  app::LoadStep();

  const Outcome outcome = RunProbe();
  if (c.error == 0) {
    ExpectOrdinaryAnswer(outcome);
    // An ordinary run in root's private folder replaces root's stale file.
    if (fs::equivalent(folder, private_folder)) before.erase((private_folder / "ipconfig.tmp").string());
    EXPECT_EQ(testing::Picture(sandbox.path()).count((folder / "ipconfig.tmp").string()), 0u);
  } else {
    EXPECT_EQ(outcome.error.number, c.error) << ToUtf8(outcome.error.description);
    EXPECT_FALSE(outcome.error.description.empty());
    ExpectNothingWritten();
    EXPECT_EQ(testing::ReadFileBytes(private_folder / "ipconfig.tmp"), kPrivateText);
  }
}

fs::path Folder(const fs::path& path, fs::perms mode, uid_t owner = 0, gid_t group = 0) {
  fs::create_directories(path);
  fs::permissions(path, mode);
  Own(path, owner, group);
  return path;
}

const auto kOpen = fs::perms::all;                                        // 0777
const auto kSticky = fs::perms::all | fs::perms::sticky_bit;              // 01777
const auto kGroupWritable = fs::perms::owner_all | fs::perms::group_all;  // 0770

INSTANTIATE_TEST_SUITE_P(
    Cases, TemporaryFolderTest,
    ::testing::Values(
        FolderCase{"ALinkOfAnotherUserToRootsPrivateFolder",
                   [](const fs::path& s, const fs::path& p) {
                     fs::create_directory_symlink(p, s / "link");
                     Own(s / "link", kNobody);
                     return s / "link";
                   },
                   error_number::kPathFileAccess},
        FolderCase{"ALinkOfAnotherUserOnTheWay",
                   [](const fs::path& s, const fs::path& p) {
                     fs::create_directory(p / "inner");
                     fs::create_directory_symlink(p, s / "link");
                     Own(s / "link", kNobody);
                     return s / "link" / "inner";
                   },
                   error_number::kPathFileAccess},
        FolderCase{"ALinkOfRootsOwnIsFollowed",
                   [](const fs::path& s, const fs::path& p) {
                     fs::create_directory_symlink(p, s / "link");
                     return s / "link";
                   },
                   0},
        FolderCase{"AFolderOfAnotherUser",
                   [](const fs::path& s, const fs::path&) {
                     return Folder(s / "theirs",
                                   fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read |
                                       fs::perms::group_exec | fs::perms::others_exec,
                                   kNobody, kNobody);
                   },
                   error_number::kPathFileAccess},
        FolderCase{"OurFolderInsideAFolderOfAnotherUser",
                   [](const fs::path& s, const fs::path&) {
                     Folder(s / "theirs", fs::perms::owner_all | fs::perms::others_exec, kNobody, kNobody);
                     return Folder(s / "theirs" / "ours", fs::perms::owner_all);
                   },
                   error_number::kPathFileAccess},
        FolderCase{"AFolderEveryoneMayWriteWithoutTheStickyBit",
                   [](const fs::path& s, const fs::path&) { return Folder(s / "open", kOpen); },
                   error_number::kPathFileAccess},
        FolderCase{"AFolderAnotherGroupMayWrite",
                   [](const fs::path& s, const fs::path&) {
                     return Folder(s / "group", kGroupWritable, 0, kNobody);
                   },
                   error_number::kPathFileAccess},
        FolderCase{"AStickySharedFolderLikeTmp",
                   [](const fs::path& s, const fs::path&) { return Folder(s / "shared", kSticky); }, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// TEMP bytes that are not UTF-8 name a folder that no text names; decoding
// them would name another folder, here one that exists.
TEST_F(HostileEnvironmentTest, ATempThatIsNotUtf8IsRefusedNotReplaced) {
  const fs::path raw = sandbox.path() / "bad\xff";
  const fs::path replaced = sandbox.path() / "bad\xef\xbf\xbd";  // U+FFFD
  fs::create_directories(raw);
  fs::create_directories(replaced);
  before = testing::Picture(sandbox.path());
  ScopedVariable variable("TEMP", raw.string());
  app::LoadStep();
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, error_number::kBadFileNameOrNumber) << ToUtf8(outcome.error.description);
  ExpectNothingWritten();
}

// The same for COMSPEC: decoded, its bytes would start another program, here
// one that exists beside it.
TEST_F(HostileEnvironmentTest, AComspecThatIsNotUtf8IsRefusedNotReplaced) {
  const fs::path started = outside / "started";
  const fs::path raw = testing::WriteScript(outside / "cmd\xff", "exit 0\n");
  testing::WriteScript(outside / "cmd\xef\xbf\xbd", "touch " + started.string() + "\n");  // U+FFFD
  before = testing::Picture(sandbox.path());
  ScopedVariable variable("COMSPEC", raw.string());
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, error_number::kBadFileNameOrNumber) << ToUtf8(outcome.error.description);
  EXPECT_FALSE(fs::exists(started));
  ExpectNothingWritten();
}

// A listing of our own from an earlier run, and an interpreter that writes
// nothing: the old address must not be shown as this run's.
TEST_F(HostileEnvironmentTest, AStaleListingIsGoneBeforeTheInterpreterRuns) {
  WriteFileBytes(listing, testing::kProtectedText);
  const fs::path silent = testing::WriteScript(outside / "silent", "exit 0\n");
  before = testing::Picture(sandbox.path());
  before.erase(listing.string());
  ScopedVariable comspec_silent("COMSPEC", silent.string());
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, error_number::kFileNotFound) << ToUtf8(outcome.result);
  EXPECT_NE(outcome.result, u"0A0B0C0D0E0F");
  ExpectNothingWritten();
}

// The reason is in the description, not only the number.
TEST_F(HostileEnvironmentTest, AListingPathThatIsTooLongSaysSo) {
  std::string folder = sandbox.path().string();
  while (folder.size() < 4100) folder += "/" + std::string(200, 'n');
  ScopedVariable variable("TEMP", folder);
  app::LoadStep();
  const Outcome outcome = RunProbe();
  EXPECT_EQ(outcome.error.number, error_number::kPathFileAccess);
  EXPECT_NE(ToUtf8(outcome.error.description).find("File name too long"), std::string::npos)
      << ToUtf8(outcome.error.description);
  ExpectNothingWritten();
}

}  // namespace
}  // namespace adreca
