// The listing file's operations on the real file system.

#include "platform/files.h"

#include <gtest/gtest.h>
#include <windows.h>
#undef DeleteFile

#include <array>
#include <filesystem>

#include "core/error.h"
#include "tests/support/temp_folder.h"
#include "tests/windows/support/raised.h"

namespace adreca::platform {
namespace {

using testing::Raised;
using testing::TempFolder;
using testing::WriteFileBytes;

TEST(FilesTest, ReadsTheBytesAsWrittenThenTheEnd) {
  TempFolder folder("adreca-files");
  const std::u16string path = folder.WithSeparator() + u"listing.tmp";
  WriteFileBytes(std::filesystem::path(path), std::string("a\r\nb\0c", 6));
  InputFile file = InputFile::Open(path);
  std::array<char, 4> buffer{};
  std::string read;
  for (std::size_t count; (count = file.Read(buffer)) > 0;) read.append(buffer.data(), count);
  EXPECT_EQ(read, std::string("a\r\nb\0c", 6));
  // Deleting while another holder has it open works, as for the listing.
  DeleteFile(path);
  file.Close();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path)));
}

TEST(FilesTest, AMissingFileRaisesFileNotFoundWithItsPath) {
  TempFolder folder("adreca-files");
  for (const std::u16string& path :
       {folder.WithSeparator() + u"missing.tmp", folder.WithSeparator() + u"no-folder\\missing.tmp"}) {
    const auto opened = Raised([&] { InputFile::Open(path); });
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->number(), error_number::kFileNotFound);
    EXPECT_EQ(opened->description(), u"File not found: " + path);
    const auto deleted = Raised([&] { DeleteFile(path); });
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->number(), error_number::kFileNotFound);
  }
}

TEST(FilesTest, AFolderCannotBeDeletedAsAFile) {
  TempFolder folder("adreca-files");
  const auto error = Raised([&] { DeleteFile(folder.path().u16string()); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), error_number::kPathFileAccess);
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
