#include <chrono>
#include <cstdint>
#include <string>

#include "address/address.h"
#include "core/checked.h"
#include "core/error.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"
#include "probes/listing_scan.h"
#include "probes/probes.h"

namespace adreca {

namespace {

constexpr std::u16string_view kListingName = u"ipconfig.tmp";
constexpr std::u16string_view kIpconfigCommand = u" /C ipconfig /all >";
constexpr std::chrono::seconds kListingTimeLimit{60};
constexpr std::u16string_view kAddressCharacters = u"0123456789ABCDEF-";
constexpr std::int16_t kRunLength = 17;
constexpr std::int16_t kPieceOffsets[] = {0, 3, 6, 9, 12, 15};

// The interpreter splits its command line at blanks and at its operators
// (< > | & ^) unless they stand within double quotes, so such a path is
// quoted; a path without them stays as it is. A double quote cannot be
// passed inside a quoted name at all: the interpreter would redirect into
// another file, perhaps outside the temporary folder, so such a path is
// refused before anything runs.
std::u16string RedirectionTarget(const std::u16string& path) {
  if (path.find(u'"') != std::u16string::npos) {
    throw Error(error_number::kBadFileNameOrNumber, u"Bad file name or number: " + path);
  }
  if (path.find_first_of(u" \t<>|&^") == std::u16string::npos) return path;
  return u'"' + path + u'"';
}

bool IsAddressCharacter(char16_t c) {
  const char16_t upper = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
  return kAddressCharacters.find(upper) != std::u16string_view::npos;
}

std::u16string Extract(std::u16string_view line, std::int16_t run_start) {
  std::u16string candidate;
  candidate.reserve(12);
  for (const std::int16_t offset : kPieceOffsets) candidate.append(line.substr(run_start - 1 + offset, 2));
  return candidate;
}

// The listing file, closed and deleted on every path once it is open: an
// error while it is read must not leave it behind.
class ListingFile {
 public:
  explicit ListingFile(const std::u16string& path) : path_(path), file_(platform::InputFile::Open(path)) {}
  ~ListingFile() {
    if (!deleted_) {
      file_.Close();
      try {
        platform::DeleteFile(path_);
      } catch (...) {  // already on an error path; that error is the one reported
      }
    }
  }
  ListingFile(const ListingFile&) = delete;
  ListingFile& operator=(const ListingFile&) = delete;

  platform::InputFile& file() { return file_; }

  void CloseAndDelete() {
    file_.Close();
    deleted_ = true;
    platform::DeleteFile(path_);
  }

 private:
  std::u16string path_;
  platform::InputFile file_;
  bool deleted_ = false;
};

void WriteListing(const std::u16string& path) {
  const std::u16string command_line = platform::GetEnvironmentVariable(u"COMSPEC") +
                                      std::u16string(kIpconfigCommand) + RedirectionTarget(path);
  platform::ChildProcess command(command_line, platform::kShowMinimized);
  command.Wait(kListingTimeLimit);
}

}  // namespace

std::optional<std::u16string> ScanLine(std::u16string_view line) {
  const std::int16_t length = Narrow<std::int16_t>(line.size());
  std::int16_t run_start = 0;
  for (std::int16_t position = 1; position <= length; position = CheckedAdd<std::int16_t>(position, 1)) {
    if (!IsAddressCharacter(line[position - 1])) {
      run_start = 0;
    } else if (run_start == 0) {
      run_start = position;
    } else if (position - run_start + 1 == kRunLength) {
      return Extract(line, run_start);
    }
  }
  return std::nullopt;
}

std::u16string MacIpConfig() {
  std::u16string candidate;
  const std::u16string path = TempDir + std::u16string(kListingName);
  WriteListing(path);
  ListingFile listing(path);
  ListingLines lines(listing.file());
  std::string bytes;
  while (lines.Next(bytes)) {
    if (auto extracted = ScanLine(platform::FromAnsi(bytes))) candidate = std::move(*extracted);
    if (IsAccepted(candidate)) break;
  }
  listing.CloseAndDelete();
  return candidate;
}

}  // namespace adreca
