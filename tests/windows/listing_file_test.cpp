// The listing file that the interpreter's redirection writes into: made
// beforehand as this user's own, so that it does not take the permissions of
// a shared temporary folder (C:\Temp lets every user modify its files).

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>
#undef GetEnvironmentVariable

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"
#include "probes/probes.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

namespace adreca::platform {
namespace {

namespace fs = std::filesystem;
using testing::ErrorRaisedBy;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;

std::string SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return "?";
  const std::string narrow = ToUtf8(reinterpret_cast<const char16_t*>(text));
  ::LocalFree(text);
  return narrow;
}

std::string UserSid() {
  HANDLE token = nullptr;
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
  std::vector<BYTE> buffer(512);
  DWORD size = 0;
  const BOOL read = ::GetTokenInformation(token, TokenUser, buffer.data(), buffer.size(), &size);
  ::CloseHandle(token);
  return read ? SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid) : "";
}

// A file's owner, the SIDs its DACL lets in, and which file it is.
struct Protection {
  std::string owner;
  std::vector<std::string> allowed;
  ULONGLONG file_id = 0;
};

Protection ProtectionOf(const fs::path& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  Protection protection;
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(file, &information)) {
    protection.file_id = (ULONGLONG{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
  }
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, &descriptor) == ERROR_SUCCESS) {
    protection.owner = SidText(owner);
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
      void* ace = nullptr;
      if (!::GetAce(dacl, i, &ace)) continue;
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      if (allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE) {
        protection.allowed.push_back(SidText(&allowed->SidStart));
      }
    }
  }
  if (descriptor != nullptr) ::LocalFree(descriptor);
  ::CloseHandle(file);
  return protection;
}

// Only this user, the local system and the Administrators group are let in.
void ExpectOnlyOwnAccess(const Protection& protection) {
  const std::string user = UserSid();
  EXPECT_EQ(protection.owner, user);
  EXPECT_NE(std::find(protection.allowed.begin(), protection.allowed.end(), user), protection.allowed.end());
  for (const std::string& sid : protection.allowed) {
    EXPECT_TRUE(sid == user || sid == "S-1-5-18" || sid == "S-1-5-32-544") << "also let in: " << sid;
  }
}

// Read back as far as the system keeps it: Wine derives a descriptor from
// the file's Unix mode and shows neither the protection from inheritance
// nor the Administrators entry, but it shows a file that others may read.
TEST(ListingFileTest, OnlyThisUserTheSystemAndTheAdministratorsAreLetIn) {
  TempFolder folder("adreca-listing");
  const fs::path listing = folder.path() / "ipconfig.tmp";
  PrepareListingFile(listing.u16string());
  ASSERT_TRUE(fs::exists(listing));
  ExpectOnlyOwnAccess(ProtectionOf(listing));
  // A file made as the redirection would make it lets more in, so the
  // check above can tell the two apart here.
  const fs::path plain = folder.path() / "plain.tmp";
  WriteFileBytes(plain, "");
  const Protection others = ProtectionOf(plain);
  EXPECT_TRUE(std::any_of(others.allowed.begin(), others.allowed.end(), [](const std::string& sid) {
    return sid != UserSid() && sid != "S-1-5-18" && sid != "S-1-5-32-544";
  }));
}

// Until something writes into it, the prepared file is no listing: opened
// as one it is missing (as on Linux, where nothing is prepared), and gone.
TEST(ListingFileTest, APreparedFileThatNothingWroteIsNoListing) {
  TempFolder folder("adreca-listing");
  const fs::path listing = folder.path() / "ipconfig.tmp";
  PrepareListingFile(listing.u16string());
  ASSERT_TRUE(fs::exists(listing));
  const auto error = ErrorRaisedBy([&] { InputFile::Open(listing.u16string()); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), error_number::kFileNotFound);
  EXPECT_FALSE(fs::exists(listing));
  // One that the interpreter emptied is a listing, with nothing in it.
  PrepareListingFile(listing.u16string());
  WriteFileBytes(listing, "");
  InputFile emptied = InputFile::Open(listing.u16string());
  char byte = 0;
  EXPECT_EQ(emptied.Read({&byte, 1}), 0u);
}

TEST(ListingFileTest, TheRedirectionWritesIntoThePreparedFile) {
  TempFolder folder("adreca-listing");
  const fs::path listing = folder.path() / "ipconfig.tmp";
  PrepareListingFile(listing.u16string());
  const Protection prepared = ProtectionOf(listing);
  ChildProcess interpreter(GetEnvironmentVariable(u"COMSPEC") + u" /C echo listing>" + listing.u16string(),
                           kShowMinimized);
  ASSERT_TRUE(interpreter.Wait(std::chrono::seconds(60)).Succeeded());
  EXPECT_EQ(ReadFileBytes(listing), "listing\r\n");
  const Protection written = ProtectionOf(listing);
  EXPECT_NE(prepared.file_id, 0u);
  EXPECT_EQ(written.file_id, prepared.file_id);
  ExpectOnlyOwnAccess(written);
}

// Whatever stands at the listing's name is refused and kept: a file, a
// folder, a second name of another file.
TEST(ListingFileTest, WhatAlreadyStandsThereIsRefusedAndKept) {
  const struct {
    const char* name;
    std::function<void(const fs::path& listing, const fs::path& other)> place;
  } cases[] = {
      {"a file", [](const fs::path& listing, const fs::path&) { WriteFileBytes(listing, "kept"); }},
      {"a folder", [](const fs::path& listing, const fs::path&) { fs::create_directory(listing); }},
      {"a hard link",
       [](const fs::path& listing, const fs::path& other) {
         WriteFileBytes(other, "kept");
         ASSERT_TRUE(::CreateHardLinkW(listing.c_str(), other.c_str(), nullptr));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder("adreca-listing");
    const fs::path listing = folder.path() / "ipconfig.tmp";
    c.place(listing, folder.path() / "other.txt");
    const bool was_folder = fs::is_directory(listing);
    const auto error = ErrorRaisedBy([&] { PrepareListingFile(listing.u16string()); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), error_number::kPathFileAccess);
    EXPECT_NE(error->description().find(listing.u16string()), std::u16string::npos);
    EXPECT_NE(error->description().find(u"already"), std::u16string::npos) << ToUtf8(error->description());
    EXPECT_EQ(fs::is_directory(listing), was_folder);
    if (!was_folder) {
      EXPECT_EQ(ReadFileBytes(listing), "kept");
    }
  }
}

// The ipconfig way around the prepared file: a stale listing of this user's
// is replaced, a folder in its place is refused, and an interpreter that
// cannot start leaves no prepared file behind.
TEST(ListingFileTest, TheIpconfigWayReplacesAStaleListingAndLeavesNoneOnAnError) {
  const struct {
    const char* name;
    std::function<void(const fs::path& listing)> place;
    std::u16string interpreter;  // empty: COMSPEC as it is
    std::int32_t error;
  } cases[] = {
      {"a stale listing", [](const fs::path& listing) { WriteFileBytes(listing, "stale"); }, u"", 0},
      {"a folder", [](const fs::path& listing) { fs::create_directory(listing); }, u"",
       error_number::kPathFileAccess},
      {"no interpreter", [](const fs::path&) {}, u"C:\\adreca\\no-such-interpreter.exe",
       error_number::kFileNotFound},
  };
  const std::u16string comspec = GetEnvironmentVariable(u"COMSPEC");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder("adreca-listing");
    const fs::path listing = folder.path() / "ipconfig.tmp";
    c.place(listing);
    if (!c.interpreter.empty())
      ::SetEnvironmentVariableW(L"COMSPEC", reinterpret_cast<const wchar_t*>(c.interpreter.c_str()));
    TempDir = folder.WithSeparator();
    const auto error = ErrorRaisedBy([] { MacIpConfig(); });
    ::SetEnvironmentVariableW(L"COMSPEC", reinterpret_cast<const wchar_t*>(comspec.c_str()));
    EXPECT_EQ(error ? error->number() : 0, c.error);
    EXPECT_EQ(fs::is_directory(listing), c.error == error_number::kPathFileAccess);
    if (c.error != error_number::kPathFileAccess) {
      EXPECT_FALSE(fs::exists(listing));
    }
  }
}

}  // namespace
}  // namespace adreca::platform
