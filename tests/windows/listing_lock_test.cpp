// One run at a time per listing folder: two reports, or a report and the
// window, of one user with the same TEMP would otherwise write, read and
// delete the same ipconfig.tmp.

#include <gtest/gtest.h>
#include <windows.h>
#undef GetEnvironmentVariable

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/win32_errors.h"
#include "probes/probes.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"
#include "tests/windows/support/program_run.h"

namespace adreca::platform {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::BuiltProgram;
using testing::ErrorRaisedBy;
using testing::ProgramRun;
using testing::ReadFileBytes;
using testing::TempFolder;

// What taking the lock on `folder` from another thread raises, waiting at
// most `wait`: 0 when it gets the lock.
std::int32_t TakenElsewhere(const std::u16string& folder, std::chrono::milliseconds wait) {
  std::int32_t number = 0;
  std::thread other([&] {
    const auto error = ErrorRaisedBy([&] { const ListingLock lock(folder, Clock::now() + wait); });
    number = error ? error->number() : 0;
  });
  other.join();
  return number;
}

std::u16string Upper(std::u16string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; });
  return text;
}

// Every spelling of one folder waits for the one lock, and past its deadline
// ends with 1460; another folder's lock is free.
TEST(ListingLockTest, EverySpellingOfAHeldFolderWaitsUntilItsDeadline) {
  TempFolder folder("adreca-lock");
  TempFolder other("adreca-lock");
  fs::create_directory(folder.path() / "sub");
  const std::u16string held = folder.WithSeparator();
  const std::u16string bare = held.substr(0, held.size() - 1);
  const fs::path old = fs::current_path();
  fs::current_path(folder.path());
  const ListingLock lock(held, Clock::now() + std::chrono::seconds(60));
  for (const std::u16string& spelling :
       {held, bare, Upper(held), Upper(bare), bare + u"\\.\\", held + u"sub\\..\\", std::u16string(u".\\"),
        std::u16string(u"."), std::u16string(u"sub\\..")}) {
    SCOPED_TRACE(ToUtf8(spelling));
    const auto start = Clock::now();
    EXPECT_EQ(TakenElsewhere(spelling, std::chrono::milliseconds(200)),
              static_cast<std::int32_t>(kErrorTimeout));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
  }
  EXPECT_EQ(TakenElsewhere(other.WithSeparator(), std::chrono::milliseconds(200)), 0);
  EXPECT_EQ(TakenElsewhere(held + u"sub\\", std::chrono::milliseconds(200)), 0);
  fs::current_path(old);
}

// A lock that its run released, or left behind when its thread ended, is
// the next run's at once.
TEST(ListingLockTest, AReleasedOrAbandonedLockIsFreeForTheNextRun) {
  TempFolder folder("adreca-lock");
  { const ListingLock lock(folder.WithSeparator(), Clock::now() + std::chrono::seconds(60)); }
  EXPECT_EQ(TakenElsewhere(folder.WithSeparator(), std::chrono::milliseconds(0)), 0);
  // Never released: the thread that holds it ends.
  std::thread([&] {
    new ListingLock(folder.WithSeparator(), Clock::now() + std::chrono::seconds(60));
  }).join();
  EXPECT_EQ(TakenElsewhere(folder.WithSeparator(), std::chrono::milliseconds(0)), 0);
}

// The interpreter beside the suite that takes its time and names its run.
class SlowInterpreter {
 public:
  explicit SlowInterpreter(const char16_t* id) {
    ::SetEnvironmentVariableW(L"COMSPEC", BuiltProgram(u"adreca_slow_interpreter.exe").c_str());
    ::SetEnvironmentVariableW(L"ADRECA_INTERPRETER_ID", reinterpret_cast<const wchar_t*>(id));
  }
  ~SlowInterpreter() {
    ::SetEnvironmentVariableW(L"COMSPEC", reinterpret_cast<const wchar_t*>(comspec_.c_str()));
    ::SetEnvironmentVariableW(L"ADRECA_INTERPRETER_ID", nullptr);
  }
  SlowInterpreter(const SlowInterpreter&) = delete;
  SlowInterpreter& operator=(const SlowInterpreter&) = delete;

 private:
  std::u16string comspec_ = GetEnvironmentVariable(u"COMSPEC");
};

std::string AddressOf(unsigned long id) {
  char address[32];
  std::snprintf(address, sizeof address, "02-00-%02lX-%02lX-%02lX-%02lX", (id >> 24) & 0xFF,
                (id >> 16) & 0xFF, (id >> 8) & 0xFF, id & 0xFF);
  return address;
}

// The interpreters' notes, "start <id>" and "end <id>", in their order.
std::vector<std::string> Notes(const fs::path& folder) {
  std::istringstream log(ReadFileBytes(folder / "interpreters.log"));
  std::vector<std::string> notes;
  for (std::string line; std::getline(log, line);) notes.push_back(line.substr(0, line.find('\r')));
  return notes;
}

// Each interpreter ended before the next one started.
void ExpectOneAfterTheOther(const std::vector<std::string>& notes) {
  ASSERT_EQ(notes.size(), 4u);
  for (std::size_t i = 0; i < notes.size(); i += 2) {
    EXPECT_EQ(notes[i].substr(0, 6), "start ");
    EXPECT_EQ(notes[i + 1], "end " + notes[i].substr(6));
  }
}

TEST(ListingLockTest, TwoThreadsOfTheIpconfigWayOnOneFolderEachReadTheirOwnListing) {
  TempFolder folder("adreca-lock");
  const SlowInterpreter interpreter(u"own");
  TempDir = folder.WithSeparator();
  std::optional<std::u16string> found[2];
  std::vector<std::thread> runs;
  for (auto& result : found) {
    runs.emplace_back([&] {
      try {
        result = MacIpConfig();
      } catch (const Error&) {
      }
    });
  }
  for (std::thread& run : runs) run.join();
  const std::vector<std::string> notes = Notes(folder.path());
  ExpectOneAfterTheOther(notes);
  std::vector<std::string> written;
  for (std::size_t i = 0; i < notes.size(); i += 2) {
    std::string address = AddressOf(std::stoul(notes[i].substr(6)));
    address.erase(std::remove(address.begin(), address.end(), '-'), address.end());
    written.push_back(address);
  }
  for (const auto& result : found) {
    ASSERT_TRUE(result) << "a run raised an error";
    EXPECT_NE(std::find(written.begin(), written.end(), ToUtf8(*result)), written.end()) << ToUtf8(*result);
  }
  EXPECT_NE(found[0], found[1]);
  EXPECT_FALSE(fs::exists(folder.path() / "ipconfig.tmp"));
}

// Two reports at once, each with the listing its own interpreter wrote: the
// address of the report's own process id.
TEST(ListingLockTest, TwoReportsAtOnceOnOneTempEachShowTheirOwnListing) {
  TempFolder folder("adreca-lock");
  const SlowInterpreter interpreter(u"parent");
  const std::vector<testing::Variable> variables{{u"TEMP", folder.path().u16string()}};
  const std::u16string line =
      u'"' + BuiltProgram(u"adreca-report.exe").u16string() + u"\" --way=IpConfig --format=json";
  ProgramRun first(line, folder.path(), variables);
  ProgramRun second(line, folder.path(), variables);
  for (ProgramRun* report : {&first, &second}) {
    EXPECT_EQ(report->Finish(), 0u);
    const nlohmann::json json = nlohmann::json::parse(report->Output());
    EXPECT_EQ(json.at("rows").at(0).at("address"), AddressOf(report->process_id())) << json.dump();
  }
  ExpectOneAfterTheOther(Notes(folder.path()));
}

}  // namespace
}  // namespace adreca::platform
