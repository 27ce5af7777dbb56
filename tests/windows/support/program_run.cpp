#include "tests/windows/support/program_run.h"

#include <atomic>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/environment.h"
#include "tests/support/temp_folder.h"

namespace adreca::testing {

namespace {

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

bool IsNamed(std::u16string_view entry, const std::u16string& name) {
  // Entries such as "=C:=C:\x" keep the drives' current folders; their name
  // starts after the first character.
  const std::size_t equals = entry.find(u'=', 1);
  return equals == name.size() &&
         ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(entry.data()), static_cast<int>(equals),
                                Wide(name), static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

bool IsOneOf(std::u16string_view entry, const std::vector<Variable>& variables) {
  for (const auto& [name, value] : variables) {
    if (IsNamed(entry, name)) return true;
  }
  return false;
}

std::filesystem::path OutputPath() {
  static std::atomic<int> count{0};
  return std::filesystem::temp_directory_path() /
         ("adreca-run-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(count++) + ".out");
}

}  // namespace

std::u16string EnvironmentWith(const std::vector<Variable>& variables) {
  std::u16string block;
  wchar_t* strings = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    const std::u16string_view text(reinterpret_cast<const char16_t*>(entry), std::wcslen(entry));
    if (!IsOneOf(text, variables)) block.append(text).push_back(u'\0');
  }
  ::FreeEnvironmentStringsW(strings);
  for (const auto& [name, value] : variables) {
    if (!value.empty()) block.append(name + u'=' + value).push_back(u'\0');
  }
  block.push_back(u'\0');
  return block;
}

ProgramRun::ProgramRun(const std::u16string& command_line, const std::filesystem::path& folder,
                       const std::vector<Variable>& variables)
    : output_(OutputPath()) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const HANDLE output = ::CreateFileW(output_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot make " + output_.string());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process{};
  std::u16string line = command_line;
  std::u16string environment = EnvironmentWith(variables);
  // A program that crashes ends there, without a debugger that would keep
  // its output open.
  ::SetErrorMode(::GetErrorMode() | SEM_NOGPFAULTERRORBOX);
  const BOOL started =
      ::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), folder.c_str(), &startup, &process);
  const DWORD code = ::GetLastError();
  ::CloseHandle(output);
  if (!started) throw std::runtime_error("cannot start the program: error " + std::to_string(code));
  ::CloseHandle(process.hThread);
  process_ = process.hProcess;
  process_id_ = process.dwProcessId;
}

ProgramRun::~ProgramRun() {
  if (process_ != nullptr) {
    ::TerminateProcess(process_, 1);
    ::CloseHandle(process_);
  }
  std::error_code ignored;
  std::filesystem::remove(output_, ignored);
}

DWORD ProgramRun::Finish() {
  if (::WaitForSingleObject(process_, 60000) != WAIT_OBJECT_0) ::TerminateProcess(process_, 9999);
  ::WaitForSingleObject(process_, INFINITE);
  DWORD code = 9999;
  ::GetExitCodeProcess(process_, &code);
  ::CloseHandle(process_);
  process_ = nullptr;
  return code;
}

std::string ProgramRun::Output() const { return ReadFileBytes(output_); }

std::filesystem::path BuiltProgram(const std::u16string& name) {
  return std::filesystem::path(platform::ProgramFolder() + name);
}

}  // namespace adreca::testing
