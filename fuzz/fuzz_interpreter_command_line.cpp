// The Linux interpreter's command-line and redirection parsing on arbitrary
// text. Beyond not crashing: a line without a leading /C is refused as such;
// a parsed redirection always names a file; a parsed line whose words and
// target are plain (no blanks, quotes or operators) parses again to the same
// words and target when written back in the canonical form; and the command
// is classified as ipconfig /all exactly for the two words the interpreter
// knows, in any letter case.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "platform/standin/interpreter_command_line.h"

namespace adreca::fuzz {
namespace {

using platform::standin::ClassifyCommand;
using platform::standin::CommandKind;
using platform::standin::CommandLineError;
using platform::standin::InterpreterCommandLine;
using platform::standin::ParseInterpreterCommandLine;

bool IsPlain(std::string_view word) {
  if (word.empty()) return false;
  for (char c : word) {
    if (c == ' ' || c == '\t' || c == '"' || c == '<' || c == '>' || c == '|' || c == '&') return false;
  }
  return true;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return lower;
}

bool HasCommandSwitch(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return false;
  text.remove_prefix(start);
  if (text.size() < 2 || text[0] != '/' || (text[1] != 'c' && text[1] != 'C')) return false;
  return text.size() == 2 || text[2] == ' ' || text[2] == '\t' || text[2] == '"';
}

void CheckRoundTrip(const InterpreterCommandLine& line) {
  for (const std::string& word : line.words) {
    if (!IsPlain(word)) return;
  }
  if (line.output_target && !IsPlain(*line.output_target)) return;
  std::string canonical = "/C";
  for (const std::string& word : line.words) canonical += " " + word;
  if (line.output_target) canonical += " >" + *line.output_target;
  const InterpreterCommandLine again = ParseInterpreterCommandLine(canonical);
  Require(again.error == CommandLineError::kNone, "the canonical form does not parse: " + canonical);
  Require(again.words == line.words, "the canonical form has other words: " + canonical);
  Require(again.output_target == line.output_target, "the canonical form has another target: " + canonical);
}

}  // namespace
}  // namespace adreca::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace adreca::fuzz;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const InterpreterCommandLine line = ParseInterpreterCommandLine(text);
  Require((line.error == CommandLineError::kNoCommandSwitch) == !HasCommandSwitch(text),
          "the /C switch was misread");
  if (line.output_target) Require(!line.output_target->empty(), "a redirection to an empty name");
  if (line.error != CommandLineError::kNone) return 0;
  CheckRoundTrip(line);

  const CommandKind kind = ClassifyCommand(line.words);
  const bool ipconfig =
      !line.words.empty() && (Lower(line.words[0]) == "ipconfig" || Lower(line.words[0]) == "ipconfig.exe");
  const bool all =
      line.words.size() == 2 && (Lower(line.words[1]) == "/all" || Lower(line.words[1]) == "-all");
  Require((kind == CommandKind::kNone) == line.words.empty(), "nothing to run misclassified");
  Require((kind == CommandKind::kIpconfigAll) == (ipconfig && all), "ipconfig /all misclassified");
  Require((kind == CommandKind::kIpconfigOther) == (ipconfig && !all), "other ipconfig misclassified");
  return 0;
}
