#include "app/report_options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "app/printable_text.h"
#include "core/text.h"

namespace adreca::app {

namespace {

constexpr char kProgram[] = "adreca-report";

enum Option { kFormat = 1, kWay, kHelp, kVersion };

const option kOptions[] = {
    {"format", required_argument, nullptr, kFormat},
    {"way", required_argument, nullptr, kWay},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::optional<ReportFormat> FormatNamed(const std::string& name) {
  if (name == "text") return ReportFormat::kText;
  if (name == "json") return ReportFormat::kJson;
  if (name == "csv") return ReportFormat::kCsv;
  return std::nullopt;
}

const Way* WayNamed(const std::string& name) {
  for (const Way& way : kWays) {
    if (Lower(ToUtf8(way.caption)) == Lower(name)) return &way;
  }
  return nullptr;
}

std::string WayNames() {
  std::string names;
  for (std::size_t i = 0; i < kWays.size(); ++i) {
    if (i != 0) names += i + 1 == kWays.size() ? " or " : ", ";
    names += ToUtf8(kWays[i].caption);
  }
  return names;
}

// The message names what was given, which may hold anything: its control
// characters are written out, not sent to the terminal.
UsageError Usage(const std::string& message) {
  return {std::string(kProgram) + ": " + ToUtf8(EscapeControls(FromUtf8(message)))};
}

// getopt_long answers an unknown option with its character in optopt when it
// is a short one (the options' own values are below ' '), and with 0 for a
// long one. A short option may sit in a cluster ("-ab"), so it is named by its
// character, not by the argument being read.
bool IsShortOption(int option) { return option >= ' '; }

// getopt_long with its own messages off; a fresh scan each call.
class ArgumentScan {
 public:
  explicit ArgumentScan(const std::vector<std::string>& arguments) {
    storage_.reserve(arguments.size() + 1);
    storage_.push_back(kProgram);
    storage_.insert(storage_.end(), arguments.begin(), arguments.end());
    for (std::string& argument : storage_) argv_.push_back(argument.data());
    argv_.push_back(nullptr);
    opterr = 0;
    optind = 0;  // starts the scan afresh
  }

  int Next() { return getopt_long(static_cast<int>(storage_.size()), argv_.data(), ":", kOptions, nullptr); }
  std::string Current() const { return storage_[static_cast<std::size_t>(optind - 1)]; }
  std::vector<std::string> Rest() const {
    return {storage_.begin() + std::min<std::ptrdiff_t>(optind, static_cast<std::ptrdiff_t>(storage_.size())),
            storage_.end()};
  }

 private:
  std::vector<std::string> storage_;
  std::vector<char*> argv_;
};

}  // namespace

std::variant<ReportOptions, UsageError> ParseReportOptions(const std::vector<std::string>& arguments) {
  ReportOptions options;
  bool format_given = false;
  std::vector<bool> chosen(kWays.size(), false);
  ArgumentScan scan(arguments);
  for (int option = 0; (option = scan.Next()) != -1;) {
    switch (option) {
      case kFormat: {
        if (format_given) return Usage("--format may be given once only");
        format_given = true;
        const auto format = FormatNamed(optarg);
        if (!format) return Usage("invalid format '" + std::string(optarg) + "': use text, json or csv");
        options.format = *format;
        break;
      }
      case kWay: {
        const Way* way = WayNamed(optarg);
        if (way == nullptr) return Usage("unknown way '" + std::string(optarg) + "': use " + WayNames());
        chosen[static_cast<std::size_t>(way - kWays.data())] = true;
        break;
      }
      case kHelp:
        options.help = true;
        break;
      case kVersion:
        options.version = true;
        break;
      case ':':
        return Usage("option '" + scan.Current() + "' requires an argument");
      default:
        // A known option given an argument that it does not take.
        if (optopt == kHelp || optopt == kVersion) {
          const std::string given = scan.Current();
          return Usage("option '" + given.substr(0, given.find('=')) + "' doesn't allow an argument");
        }
        if (IsShortOption(optopt))
          return Usage(std::string("invalid option -- '") + static_cast<char>(optopt) + "'");
        return Usage("unrecognized option '" + scan.Current() + "'");
    }
  }
  if (const auto rest = scan.Rest(); !rest.empty()) return Usage("extra operand '" + rest.front() + "'");
  const bool all = std::none_of(chosen.begin(), chosen.end(), [](bool c) { return c; });
  for (std::size_t i = 0; i < kWays.size(); ++i) {
    if (all || chosen[i]) options.ways.push_back(&kWays[i]);
  }
  return options;
}

std::string ReportUsage() {
  return std::string("Usage: ") + kProgram + " [--format=text|json|csv] [--way=NAME]...\n" + "Try '" +
         kProgram + " --help' for more information.\n";
}

std::string ReportHelp() {
  return std::string("Usage: ") + kProgram +
         " [OPTION]...\n"
         "Find the network adapter's physical (MAC) address in five ways and print what\n"
         "each way found, as the ADRE\xC3\x87"
         "A MAC window shows it.\n"
         "\n"
         "      --format=FORMAT  text (the default), json or csv\n"
         "      --way=NAME       run only this way: " +
         WayNames() +
         "\n"
         "                         (any letter case); repeat for more\n"
         "      --help           display this help and exit\n"
         "      --version        output version information and exit\n"
         "\n"
         "Exit status:\n"
         " 0  every way that ran found an address\n"
         " 1  a way raised an error or found none (the output is complete)\n"
         " 2  the command line is wrong\n";
}

}  // namespace adreca::app
