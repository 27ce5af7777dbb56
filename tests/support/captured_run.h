#pragma once

// Runs a program of the build, or a tool, in the calling thread's network
// namespace and collects what it writes to its standard output.

#include <string>
#include <vector>

namespace adreca::testing {

struct CapturedRun {
  int status = -1;  // the exit status; -1 when it did not exit normally
  std::string output;
};

// Runs `program` (a path, or a name looked up on PATH) with `arguments`, its
// standard input fed from `input`. Throws std::runtime_error when it cannot
// be started.
CapturedRun RunCaptured(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& input = {});

// Runs `program` (a path, or a name looked up on PATH) with `arguments`, its
// standard output into `file` (made or emptied; inherited when `file` is
// empty), and answers its exit status (-1 when it did not exit normally). No
// pipe and no reading: a benchmark times the process alone. Throws
// std::runtime_error when it cannot be started.
int RunToFile(const std::string& program, const std::vector<std::string>& arguments, const std::string& file);

// A program beside the running program ("adreca-report").
std::string BesideThisProgram(const std::string& name);

// The records of a CSV text, as Python's csv module (a real reader, strict
// about RFC 4180 quoting) reads them.
std::vector<std::vector<std::string>> CsvRecords(const std::string& csv);

}  // namespace adreca::testing
