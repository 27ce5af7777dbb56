#include "platform/standin/interpreter_command_line.h"

#include <algorithm>
#include <cstddef>

namespace adreca::platform::standin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsOperator(char c) { return c == '<' || c == '>' || c == '|' || c == '&'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
  return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                    [](char a, char b) { return Lower(a) == Lower(b); });
}

std::string_view WithoutLeadingBlanks(std::string_view text) {
  const auto start = std::find_if(text.begin(), text.end(), [](char c) { return !IsBlank(c); });
  return text.substr(static_cast<std::size_t>(start - text.begin()));
}

// The text after a leading /C switch; nullopt when the line has none.
std::optional<std::string_view> AfterCommandSwitch(std::string_view text) {
  text = WithoutLeadingBlanks(text);
  if (text.size() < 2 || text[0] != '/' || Lower(text[1]) != 'c') return std::nullopt;
  text.remove_prefix(2);
  if (!text.empty() && !IsBlank(text[0]) && text[0] != '"') return std::nullopt;
  return WithoutLeadingBlanks(text);
}

std::string WithoutOuterQuote(std::string_view command) {
  if (command.empty() || command[0] != '"') return std::string(command);
  command.remove_prefix(1);
  std::string result(command);
  const std::size_t last = result.rfind('"');
  if (last != std::string::npos) result.erase(last, 1);
  return result;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  InterpreterCommandLine Parse() {
    for (SkipBlanks(); !AtEnd() && result_.error == CommandLineError::kNone; SkipBlanks()) {
      if (IsDigit(Peek(0)) && Peek(1) == '>') {
        Redirection(Peek(0));
      } else if (Peek(0) == '>') {
        Redirection('1');
      } else if (IsOperator(Peek(0))) {
        result_.error = CommandLineError::kUnsupportedOperator;
      } else {
        result_.words.push_back(Word());
      }
    }
    return std::move(result_);
  }

 private:
  bool AtEnd() const { return position_ >= text_.size(); }

  char Peek(std::size_t ahead) const {
    return position_ + ahead < text_.size() ? text_[position_ + ahead] : '\0';
  }

  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek(0))) ++position_;
  }

  // A word ends at an unquoted blank or operator; its quotes are removed.
  std::string Word() {
    std::string word;
    bool quoted = false;
    for (; !AtEnd(); ++position_) {
      const char c = Peek(0);
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (IsBlank(c) || IsOperator(c))) {
        break;
      } else {
        word += c;
      }
    }
    return word;
  }

  // At ">" or "<digit>>": only standard output into a file is supported.
  void Redirection(char handle) {
    if (Peek(0) != '>') ++position_;
    ++position_;
    if (handle != '1' || Peek(0) == '>' || Peek(0) == '&') {
      result_.error = CommandLineError::kUnsupportedOperator;
      return;
    }
    SkipBlanks();
    std::string target = AtEnd() || IsOperator(Peek(0)) ? std::string() : Word();
    if (target.empty()) {
      result_.error = CommandLineError::kMissingTarget;
    } else if (result_.output_target) {
      result_.error = CommandLineError::kSeveralTargets;
    } else {
      result_.output_target = std::move(target);
    }
  }

  std::string_view text_;
  std::size_t position_ = 0;
  InterpreterCommandLine result_;
};

}  // namespace

InterpreterCommandLine ParseInterpreterCommandLine(std::string_view text) {
  const std::optional<std::string_view> command = AfterCommandSwitch(text);
  if (!command) {
    InterpreterCommandLine refused;
    refused.error = CommandLineError::kNoCommandSwitch;
    return refused;
  }
  const std::string unquoted = WithoutOuterQuote(*command);
  return Parser(unquoted).Parse();
}

CommandKind ClassifyCommand(const std::vector<std::string>& words) {
  if (words.empty()) return CommandKind::kNone;
  if (!EqualsIgnoringCase(words[0], "ipconfig") && !EqualsIgnoringCase(words[0], "ipconfig.exe")) {
    return CommandKind::kUnknown;
  }
  const bool all =
      words.size() == 2 && (EqualsIgnoringCase(words[1], "/all") || EqualsIgnoringCase(words[1], "-all"));
  return all ? CommandKind::kIpconfigAll : CommandKind::kIpconfigOther;
}

}  // namespace adreca::platform::standin
