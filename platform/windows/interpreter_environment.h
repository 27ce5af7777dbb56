#pragma once

// The environment the interpreter is started with.

#include <string>

namespace adreca::platform::windows {

// The program's environment as CreateProcessW takes it (each variable
// followed by a NUL, one more at the end), with
// NoDefaultCurrentDirectoryInExePath=1 in place of any setting of it: the
// interpreter then looks for a command on PATH only, never first in its
// current folder. The block is sorted by name, ignoring case, as the system
// requires of one; the program's own need not be (Wine keeps the order of the
// Unix environment it started from).
std::u16string EnvironmentWithoutCurrentFolderSearch();

}  // namespace adreca::platform::windows
