#pragma once

// A program started from a test as a user or a script would start it: in a
// folder of the test's choosing, with variables added to the test's own
// environment, its standard output collected in a file.

#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace adreca::testing {

// NAME and VALUE; an empty value removes the variable.
using Variable = std::pair<std::u16string, std::u16string>;

class ProgramRun {
 public:
  // Starts `command_line` at once with `folder` as its current folder.
  // Throws std::runtime_error when it cannot be started.
  ProgramRun(const std::u16string& command_line, const std::filesystem::path& folder,
             const std::vector<Variable>& variables = {});
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  DWORD process_id() const { return process_id_; }
  // Waits for its end (a minute at most, then ends it): its exit code.
  DWORD Finish();
  // What it wrote to its standard output, once it has finished.
  std::string Output() const;

 private:
  std::filesystem::path output_;
  HANDLE process_ = nullptr;
  DWORD process_id_ = 0;
};

// The test's environment block with `variables` set or removed.
std::u16string EnvironmentWith(const std::vector<Variable>& variables);

// A program of the build beside the test program, such as adreca-report.exe.
std::filesystem::path BuiltProgram(const std::u16string& name);

}  // namespace adreca::testing
