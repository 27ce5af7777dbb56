// adreca-report: the five ways from a script. Runs the same actions as the
// window, on the same platform layer, without any window toolkit, and prints
// what the window's boxes would show, as text, JSON or CSV.

#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "app/actions.h"
#include "app/program_info.h"
#include "app/report.h"
#include "app/report_format.h"
#include "app/report_options.h"
#include "platform/console.h"
#include "platform/process.h"

namespace {

using namespace adreca::app;

constexpr int kUsageError = 2;

std::string Formatted(const std::vector<ReportRow>& rows, ReportFormat format) {
  switch (format) {
    case ReportFormat::kJson:
      return ReportJson(rows);
    case ReportFormat::kCsv:
      return ReportCsv(rows);
    case ReportFormat::kText:
      break;
  }
  return ReportText(rows, adreca::platform::TextLineEnd());
}

int Run(const std::vector<std::string>& arguments) {
  const auto parsed = ParseReportOptions(arguments);
  if (const auto* error = std::get_if<UsageError>(&parsed)) {
    adreca::platform::WriteError(error->message + "\n" + ReportUsage());
    return kUsageError;
  }
  const ReportOptions& options = std::get<ReportOptions>(parsed);
  if (options.help) return adreca::platform::WriteOutput(ReportHelp()) ? 0 : 1;
  if (options.version) return adreca::platform::WriteOutput(VersionText("adreca-report")) ? 0 : 1;

  LoadStep();
  const std::vector<ReportRow> rows = RunReport(options.ways);
  if (!adreca::platform::WriteOutput(Formatted(rows, options.format))) {
    adreca::platform::WriteError("adreca-report: cannot write the report\n");
    return 1;
  }
  return ReportExitStatus(rows);
}

}  // namespace

int main(int argc, char* argv[]) {
  adreca::platform::LoadLibrariesFromTheSystemFolderOnly();
  // The ways' own errors are in the report; anything else (no memory for
  // the report itself) is said here.
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& failure) {
    adreca::platform::WriteError(std::string("adreca-report: ") + failure.what() + "\n");
    return 1;
  }
}
