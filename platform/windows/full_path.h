#pragma once

// Full paths: what a path names whatever the current folder and drive.

#include <string>
#include <string_view>

namespace adreca::platform::windows {

// Whether `path` names the same place from any current folder and drive: a
// drive with its root (C:\), or a share or device (\\server\share,
// \\?\C:\). "\Temp", "C:Temp" and "Temp" depend on them.
bool IsFullPath(std::u16string_view path);

// The full path that the system makes of `path` against the program's
// current folder and drive (GetFullPathNameW): "\" is the current drive's
// root (of a share too), "." and ".." are resolved. Empty when the system
// makes none.
std::u16string FullPathName(const std::u16string& path);

}  // namespace adreca::platform::windows
