// The listing file's operations on the real file system.

#include "platform/files.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/error.h"
#include "platform/windows/windows_text.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace adreca::platform {
namespace {

using testing::ErrorRaisedBy;
using testing::TempFolder;
using testing::WriteFileBytes;

TEST(FilesTest, ReadsTheBytesAsWrittenThenTheEnd) {
  TempFolder folder("adreca-files");
  const std::u16string path = folder.WithSeparator() + u"listing.tmp";
  WriteFileBytes(std::filesystem::path(path), std::string("a\r\nb\0c", 6));
  InputFile file = InputFile::Open(path);
  // While it is read, nobody may open it to write, rename or delete it.
  for (const DWORD access : {DWORD{GENERIC_WRITE}, DWORD{DELETE}}) {
    const HANDLE writer =
        ::CreateFileW(windows::Wide(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "access " << access;
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
  }
  std::array<char, 4> buffer{};
  std::string read;
  for (std::size_t count; (count = file.Read(buffer)) > 0;) read.append(buffer.data(), count);
  EXPECT_EQ(read, std::string("a\r\nb\0c", 6));
  // Deleted through the handle that read it.
  file.CloseAndDelete();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path)));
}

TEST(FilesTest, AMissingFileRaisesFileNotFoundWithItsPath) {
  TempFolder folder("adreca-files");
  for (const std::u16string& path :
       {folder.WithSeparator() + u"missing.tmp", folder.WithSeparator() + u"no-folder\\missing.tmp"}) {
    const auto opened = ErrorRaisedBy([&] { InputFile::Open(path); });
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->number(), error_number::kFileNotFound);
    EXPECT_EQ(opened->description(), u"File not found: " + path);
  }
  EXPECT_FALSE(RemoveOwnFile(folder.WithSeparator() + u"missing.tmp"));
  const auto removed =
      ErrorRaisedBy([&] { RemoveOwnFile(folder.WithSeparator() + u"no-folder\\missing.tmp"); });
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->number(), error_number::kFileNotFound);
}

TEST(FilesTest, AStaleFileOfOurOwnIsRemoved) {
  TempFolder folder("adreca-files");
  const std::u16string path = folder.WithSeparator() + u"ipconfig.tmp";
  WriteFileBytes(std::filesystem::path(path), "stale");
  EXPECT_TRUE(RemoveOwnFile(path));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path)));
}

bool HoldsText(const std::u16string& path, std::string_view text) {
  try {
    return testing::ReadFileBytes(std::filesystem::path(path)) == text;
  } catch (const std::exception&) {
    return false;
  }
}

// What is not this user's own regular file with one name is neither read nor
// removed: error 75, and everything stays as it was.
TEST(FilesTest, WhatIsNotOurOwnRegularFileIsRefusedAndKept) {
  TempFolder folder("adreca-files");
  const std::u16string listing = folder.WithSeparator() + u"ipconfig.tmp";
  const std::u16string other = folder.WithSeparator() + u"other.txt";
  struct Case {
    const char* name;
    std::function<std::optional<std::string>()> place;  // the reason to skip, if any
  };
  const Case cases[] = {
      {"a folder",
       [&]() -> std::optional<std::string> {
         std::filesystem::create_directory(std::filesystem::path(listing));
         return std::nullopt;
       }},
      {"a hard link",
       [&]() -> std::optional<std::string> {
         WriteFileBytes(std::filesystem::path(other), "kept");
         if (!::CreateHardLinkW(windows::Wide(listing), windows::Wide(other), nullptr)) {
           return "CreateHardLinkW failed here: " + std::to_string(::GetLastError());
         }
         return std::nullopt;
       }},
      {"a symbolic link",
       [&]() -> std::optional<std::string> {
         WriteFileBytes(std::filesystem::path(other), "kept");
         if (!::CreateSymbolicLinkW(windows::Wide(listing), windows::Wide(other), 0)) {
           return "this system makes no symbolic links (CreateSymbolicLinkW: " +
                  std::to_string(::GetLastError()) + ")";
         }
         // Wine makes the link but does not follow it to its target.
         if (!HoldsText(listing, "kept")) {
           return "the symbolic link made here does not lead to its target";
         }
         return std::nullopt;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (const auto skip = c.place()) {
      std::printf("[ NOT HERE ] %s: %s\n", c.name, skip->c_str());
      std::error_code ignored;
      std::filesystem::remove(std::filesystem::path(listing), ignored);
      std::filesystem::remove(std::filesystem::path(other), ignored);
      continue;
    }
    const std::filesystem::path placed(listing);
    const auto status = std::filesystem::symlink_status(placed);
    for (const auto& call : {std::function<void()>([&] { InputFile::Open(listing); }),
                             std::function<void()>([&] { RemoveOwnFile(listing); })}) {
      const auto error = ErrorRaisedBy(call);
      ASSERT_TRUE(error);
      EXPECT_EQ(error->number(), error_number::kPathFileAccess);
      EXPECT_EQ(std::filesystem::symlink_status(placed).type(), status.type());
    }
    std::error_code ignored;
    std::filesystem::remove(placed, ignored);
    if (std::filesystem::exists(std::filesystem::path(other))) {
      EXPECT_EQ(testing::ReadFileBytes(std::filesystem::path(other)), "kept");
      std::filesystem::remove(std::filesystem::path(other));
    }
  }
}

TEST(FilesTest, AFileThatAnotherHolderMayWriteIsNotRead) {
  TempFolder folder("adreca-files");
  const std::u16string path = folder.WithSeparator() + u"ipconfig.tmp";
  WriteFileBytes(std::filesystem::path(path), "being written");
  const HANDLE writer = ::CreateFileW(windows::Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  const auto error = ErrorRaisedBy([&] { InputFile::Open(path); });
  ::CloseHandle(writer);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), error_number::kPathFileAccess);
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(path)));
}

// A file given to the local system account: where the system lets this
// process give it away and keeps the owner, it is refused and kept.
TEST(FilesTest, AFileOfAnotherOwnerIsRefusedAndKept) {
  TempFolder folder("adreca-files");
  const std::u16string path = folder.WithSeparator() + u"ipconfig.tmp";
  WriteFileBytes(std::filesystem::path(path), "kept");
  BYTE system_sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof system_sid;
  ASSERT_TRUE(::CreateWellKnownSid(WinLocalSystemSid, nullptr, system_sid, &size));
  std::u16string writable = path;
  const DWORD given =
      ::SetNamedSecurityInfoW(reinterpret_cast<wchar_t*>(writable.data()), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION, system_sid, nullptr, nullptr, nullptr);
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD read =
      ::GetNamedSecurityInfoW(reinterpret_cast<wchar_t*>(writable.data()), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &descriptor);
  const bool kept = read == ERROR_SUCCESS && owner != nullptr && ::EqualSid(owner, system_sid);
  if (descriptor != nullptr) ::LocalFree(descriptor);
  if (given != ERROR_SUCCESS || !kept) {
    GTEST_SKIP() << "a file of another owner cannot be made here (SetNamedSecurityInfoW: " << given
                 << ", owner kept: " << kept << ")";
  }
  for (const auto& call : {std::function<void()>([&] { InputFile::Open(path); }),
                           std::function<void()>([&] { RemoveOwnFile(path); })}) {
    const auto error = ErrorRaisedBy(call);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), error_number::kPathFileAccess);
    EXPECT_EQ(testing::ReadFileBytes(std::filesystem::path(path)), "kept");
  }
}

TEST(FilesTest, ATemporaryFolderWithAPercentSignIsRefused) {
  for (const std::u16string folder : {u"C:\\x%TEMP%\\", u"C:\\100%\\"}) {
    const auto error = ErrorRaisedBy([&] { CheckTemporaryFolder(folder); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), error_number::kBadFileNameOrNumber);
  }
  EXPECT_FALSE(ErrorRaisedBy([] { CheckTemporaryFolder(u"C:\\Users\\me\\AppData\\Local\\Temp\\"); }));
}

TEST(FilesTest, ListingTextIsDecodedWithTheAnsiCodePage) {
  // 0x80 is the euro sign in 1252 and no character of its own in Latin-1 or
  // UTF-8, so it tells which decoding took place.
  if (::GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << ::GetACP() << ", not 1252";
  EXPECT_EQ(FromAnsi("Adre\xC7"
                     "a \x80"),
            u"Adre\u00c7a \u20ac");
  EXPECT_EQ(FromAnsi(""), u"");
  EXPECT_EQ(FromAnsi(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

}  // namespace
}  // namespace adreca::platform
