#pragma once

// The console report's command line, as GNU programs take theirs: long
// options (--format=json or --format json, unique abbreviations), --help and
// --version, "--" ending the options.

#include <string>
#include <variant>
#include <vector>

#include "app/ways.h"

namespace adreca::app {

enum class ReportFormat { kText, kJson, kCsv };

struct ReportOptions {
  ReportFormat format = ReportFormat::kText;
  std::vector<const Way*> ways;  // in window order, each once
  bool help = false;
  bool version = false;
};

// A command line that cannot be run: the one-line message for the error stream.
struct UsageError {
  std::string message;
};

// Parses the arguments after the program name. Without --way every way runs;
// way names are the buttons' captions in any letter case.
std::variant<ReportOptions, UsageError> ParseReportOptions(const std::vector<std::string>& arguments);

// The short usage that follows a usage error, and the whole --help text.
std::string ReportUsage();
std::string ReportHelp();

}  // namespace adreca::app
