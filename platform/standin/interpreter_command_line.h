#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace adreca::platform::standin {

// Why a command line of the Linux command interpreter (adreca-cmd) cannot run.
enum class CommandLineError {
  kNone,
  kNoCommandSwitch,      // it does not start with /C
  kMissingTarget,        // ">" without a file name after it
  kSeveralTargets,       // more than one output redirection
  kUnsupportedOperator,  // "<", ">>", "2>", ">&", "|" or "&"
};

// A command line `/C <command> [arguments] [>target]`, taken apart. Blanks
// separate words; double quotes group blanks into a word and are removed.
// The redirection may stand anywhere after /C, written ">target", "> target"
// or "1>target"; a target with blanks must be quoted.
struct InterpreterCommandLine {
  CommandLineError error = CommandLineError::kNone;
  std::vector<std::string> words;            // the command's name, then its arguments
  std::optional<std::string> output_target;  // the file that receives standard output
};

// Parses the text that follows the interpreter's program name. As the Windows
// interpreter does, when the text after /C starts with a double quote, that
// quote and the last quote of the line are removed before the command is read.
InterpreterCommandLine ParseInterpreterCommandLine(std::string_view text);

enum class CommandKind {
  kNone,           // nothing to run
  kIpconfigAll,    // ipconfig /all (or -all), in any letter case
  kIpconfigOther,  // ipconfig with other arguments
  kUnknown,        // any other command
};

CommandKind ClassifyCommand(const std::vector<std::string>& words);

}  // namespace adreca::platform::standin
