#pragma once

// What the command interpreter's processes leave behind. The program is a
// child subreaper, so that a process that leaves the interpreter's process
// group (setsid, a double fork) and outlives its parent becomes the
// program's child instead of init's; when the interpreter ends or its time
// limit passes, every such process still alive is ended.

#include <sys/types.h>

#include <functional>

namespace adreca::platform {

// Makes the program a subreaper (once) and starts a process through `spawn`,
// which answers its id or raises. The process counts as one that the program
// started itself and still waits for, not as something left behind, from the
// moment it exists.
pid_t StartWatched(const std::function<pid_t()>& spawn);

// The process was reaped: from now on it is no longer the program's own.
void StopWatching(pid_t pid);

// Ends and reaps every child of the program that the interpreters left
// behind: a child that the program did not start itself and that is not in
// the program's own process group (the program's other children, which
// other code may start, stay in it). Repeats until none is left, since each
// one ended hands its own children to the program.
void EndLeftBehind();

}  // namespace adreca::platform
