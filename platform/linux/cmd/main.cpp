// adreca-cmd: the command interpreter that the ipconfig probe starts through
// COMSPEC on Linux. It runs one command line, `/C <command> [>file]`, handed
// over unparsed as the process layer passes it (the whole rest of the command
// line in one argument, as Windows hands a program its command line), and
// knows the one command `ipconfig /all`, which lists the machine's real
// adapters the way Windows does.
//
// As in the Windows interpreter, the redirection target is created before the
// command runs, so an unknown command leaves an empty file behind. The exit
// status is 0 on success and 1 on any failure, which is described on the
// standard error stream.

#include <unistd.h>

#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "platform/linux/rtnetlink_snapshot.h"
#include "platform/standin/interpreter_command_line.h"
#include "platform/standin/ipconfig_listing.h"
#include "platform/standin/redirection_target.h"

namespace adreca::platform::standin {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

constexpr std::string_view kUsage =
    "Usage: adreca-cmd /C command [arguments] [>file]\r\n"
    "Runs one command line as the Windows command interpreter does. The only command is ipconfig /all.\r\n";
constexpr std::string_view kSyntaxError = "The syntax of the command is incorrect.\r\n";
constexpr std::string_view kSeveralTargets = "adreca-cmd: only one output redirection is supported.\r\n";
constexpr std::string_view kUnsupportedOperator =
    "adreca-cmd: pipes, command chains, input redirection, appending and handles other than 1 are not "
    "supported.\r\n";
constexpr std::string_view kIpconfigUsage =
    "Error: unrecognized or incomplete command line.\r\n"
    "\r\n"
    "USAGE:\r\n"
    "    ipconfig /all\r\n";

void PrintError(std::string_view message) { WriteAll(STDERR_FILENO, message); }

std::string_view ParseErrorMessage(CommandLineError error) {
  switch (error) {
    case CommandLineError::kNoCommandSwitch:
      return kUsage;
    case CommandLineError::kMissingTarget:
      return kSyntaxError;
    case CommandLineError::kSeveralTargets:
      return kSeveralTargets;
    case CommandLineError::kUnsupportedOperator:
      return kUnsupportedOperator;
    case CommandLineError::kNone:
      break;
  }
  return {};
}

// The process layer passes the command line as one argument; should a shell
// have split it, the pieces are joined again with single blanks.
std::string CommandLineText(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

// Where standard output goes: the redirection target, else the inherited stream.
class Output {
 public:
  explicit Output(std::optional<RedirectionTarget> target) : target_(std::move(target)) {}

  void Write(std::string_view bytes) {
    if (target_) return target_->Write(bytes);
    if (const int error = WriteAll(STDOUT_FILENO, bytes); error != 0) {
      throw RedirectionError("Cannot write the command's output: " + std::string(std::strerror(error)) +
                             ".\r\n");
    }
  }

  void Close() {
    if (target_) target_->Close();
  }

 private:
  std::optional<RedirectionTarget> target_;
};

int RunCommand(const std::vector<std::string>& words, Output& output) {
  switch (ClassifyCommand(words)) {
    case CommandKind::kNone:
      return kSuccess;
    case CommandKind::kIpconfigAll:
      output.Write(IpconfigAllListing(platform::ReadAdapterSnapshot()));
      return kSuccess;
    case CommandKind::kIpconfigOther:
      PrintError(kIpconfigUsage);
      return kFailure;
    case CommandKind::kUnknown:
      break;
  }
  PrintError(
      "'" + words.front() +
      "' is not recognized as an internal or external command,\r\noperable program or batch file.\r\n");
  return kFailure;
}

int Run(int argc, char** argv) {
  const InterpreterCommandLine line = ParseInterpreterCommandLine(CommandLineText(argc, argv));
  if (line.error != CommandLineError::kNone) {
    PrintError(ParseErrorMessage(line.error));
    return kFailure;
  }
  std::optional<RedirectionTarget> target;
  if (line.output_target) target = RedirectionTarget::Open(*line.output_target);
  Output output(std::move(target));
  const int status = RunCommand(line.words, output);
  output.Close();
  return status;
}

// Every failure ends here, described on the error stream.
int Main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const RedirectionError& error) {
    PrintError(error.what());
  } catch (const Error& error) {
    PrintError(ToUtf8(error.description()) + " (error " + std::to_string(error.number()) + ").\r\n");
  } catch (const std::exception& error) {
    PrintError(std::string(error.what()) + "\r\n");
  }
  return kFailure;
}

}  // namespace
}  // namespace adreca::platform::standin

int main(int argc, char** argv) { return adreca::platform::standin::Main(argc, argv); }
