#pragma once

#include <optional>
#include <string>

namespace adreca::platform {

// The whole of a small file read with plain reads (a stream would set up the
// C++ locale machinery at every start of the report): sysfs values,
// /proc entries, resolv.conf. Reads until the end, since /proc files may
// read short before it; nullopt when the file cannot be opened.
std::optional<std::string> ReadSmallFile(const std::string& path);

}  // namespace adreca::platform
