#pragma once

#include <string>
#include <string_view>

namespace adreca::platform {

// The value of a process environment variable; an unset variable reads as
// empty text. On Linux an unset COMSPEC reads as the path of the project's own
// command interpreter installed beside the program, or as its bare name,
// looked up on PATH, where it is not beside the program.
std::u16string GetEnvironmentVariable(std::u16string_view name);

// The folder for temporary files, with the platform's separator appended:
// on Windows TEMP followed by "\"; on Linux TEMP where it is set and not empty,
// else TMPDIR, else XDG_RUNTIME_DIR when it is the effective user's own folder
// with mode 0700, else /tmp, followed by "/".
std::u16string TemporaryFolder();

// The folder that holds the running program, with the separator appended.
std::u16string ProgramFolder();

}  // namespace adreca::platform
