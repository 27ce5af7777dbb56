// The second way: the ipconfig /all listing that the command interpreter
// writes into a file in the temporary folder.

#include <chrono>
#include <cstdint>
#include <string>

#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/seam.h"
#include "platform/win32_errors.h"
#include "probes/listing_scan.h"
#include "probes/probes.h"

namespace adreca {

namespace {

constexpr std::u16string_view kListingName = u"ipconfig.tmp";
constexpr std::u16string_view kIpconfigCommand = u" /C ipconfig /all >";
// How long the interpreter may take, and how long a run waits for another
// run's listing in the same folder.
constexpr std::chrono::seconds kListingTimeLimit{60};

// A double quote cannot be passed inside a quoted name at all: the
// interpreter would take another name, perhaps of another folder, so such a
// path is refused before anything runs.
const std::u16string& WithoutQuotes(const std::u16string& path) {
  if (path.find(u'"') != std::u16string::npos) {
    throw Error(error_number::kBadFileNameOrNumber, u"Bad file name or number: " + path);
  }
  return path;
}

// The interpreter splits its command line at blanks and at its operators
// (< > | & ^) unless they stand within double quotes, so a listing path with
// them is quoted; one without them stays as it is.
std::u16string ListingArgument(const std::u16string& path) {
  if (WithoutQuotes(path).find_first_of(u" \t<>|&^") == std::u16string::npos) return path;
  return u'"' + path + u'"';
}

// A path whose bytes are not text (not UTF-8 on Linux, an unpaired surrogate
// on Windows) names a program that no text names; it is refused, not decoded
// into the name of another program.
const std::u16string& AsText(const std::u16string& path) {
  if (!IsWellFormed(path)) {
    throw Error(error_number::kBadFileNameOrNumber,
                u"Bad file name or number: the command interpreter's path is not text: " + path);
  }
  return path;
}

// The interpreter's own path is always quoted: unquoted, "C:\Program Files\x"
// would start the program C:\Program. An empty one (an unset COMSPEC) stays
// empty, and no program answers the line.
std::u16string CommandLine(const std::u16string& interpreter, const std::u16string& listing) {
  const std::u16string program =
      interpreter.empty() ? interpreter : u'"' + WithoutQuotes(AsText(interpreter)) + u'"';
  return program + std::u16string(kIpconfigCommand) + ListingArgument(listing);
}

std::u16string ExitText(platform::ExitStatus status) {
  if (status.signal != 0) return u"was ended by signal " + FromAscii(std::to_string(status.signal));
  return u"ended with exit status " + FromAscii(std::to_string(status.code));
}

// Removes a listing left behind on an error path; the error already on its
// way is the one to report.
void DiscardListing(const std::u16string& path) noexcept {
  try {
    platform::RemoveOwnFile(path);
  } catch (...) {
  }
}

// Whether the interpreter wrote anything into the listing: one that it left
// as this run prepared it (empty, on Windows) was never written, as if there
// were no file.
bool WasWritten(const std::u16string& listing) noexcept {
  try {
    platform::InputFile file = platform::InputFile::Open(listing);
    char byte = 0;
    return file.Read({&byte, 1}) != 0;
  } catch (const Error&) {
    return false;
  }
}

// A listing that the interpreter could not finish is not read: the file is
// removed, and the error names the interpreter and how it ended.
[[noreturn]] void RaiseInterpreterFailed(const std::u16string& interpreter, platform::ExitStatus status,
                                         const std::u16string& listing) {
  const std::u16string how = u"the command interpreter " + interpreter + u" " + ExitText(status);
  const bool written = WasWritten(listing);
  DiscardListing(listing);
  if (!written) RaiseFileNotFound(listing + u" (" + how + u")");
  throw Error(platform::kErrorProcessAborted, u"The listing was not made: " + how);
}

// Prepares the listing as this user's own file, runs the interpreter, whose
// redirection writes into it, and waits for it to end. Whatever it started
// ends with it; on every error the listing, if any, goes too.
void WriteListing(const std::u16string& command_line, const std::u16string& interpreter,
                  const std::u16string& listing) {
  platform::ExitStatus status;
  try {
    platform::PrepareListingFile(listing);
    platform::ChildProcess command(command_line, platform::kShowMinimized);
    status = command.Wait(kListingTimeLimit);
  } catch (...) {
    DiscardListing(listing);
    throw;
  }
  if (!status.Succeeded()) RaiseInterpreterFailed(interpreter, status, listing);
}

// The listing file, closed and deleted on every path once it is open: an
// error while it is read must not leave it behind.
class ListingFile {
 public:
  explicit ListingFile(const std::u16string& path) : file_(platform::InputFile::Open(path)) {}
  ~ListingFile() {
    if (deleted_) return;
    try {
      file_.CloseAndDelete();
    } catch (...) {  // already on an error path; that error is the one reported
    }
  }
  ListingFile(const ListingFile&) = delete;
  ListingFile& operator=(const ListingFile&) = delete;

  platform::InputFile& file() { return file_; }

  void CloseAndDelete() {
    deleted_ = true;
    file_.CloseAndDelete();
  }

 private:
  platform::InputFile file_;
  bool deleted_ = false;
};

}  // namespace

std::u16string MacIpConfig() {
  const std::u16string path = TempDir + std::u16string(kListingName);
  const std::u16string interpreter = seam::Call(platform::GetEnvironmentVariable, u"COMSPEC");
  const std::u16string command_line = CommandLine(interpreter, path);
  // Nothing runs before the folder is known to be safe to write into. The
  // listing's whole life belongs to one run at a time, and no listing of an
  // earlier run can be taken for this run's.
  platform::CheckTemporaryFolder(TempDir);
  const platform::ListingLock lock(TempDir, std::chrono::steady_clock::now() + kListingTimeLimit);
  platform::RemoveOwnFile(path);
  WriteListing(command_line, interpreter, path);
  ListingFile listing(path);
  ListingLines lines(listing.file());
  std::u16string candidate = ScanListing(lines);
  listing.CloseAndDelete();
  return candidate;
}

}  // namespace adreca
