#pragma once

// What the programs print for --version, and the window program for --help.

#include <optional>
#include <string>
#include <vector>

namespace adreca::app {

// "adreca-report (adreca-mac) 0.1.0", the copyright and the licence.
std::string VersionText(const std::string& program);

// The window program's --help text.
std::string WindowProgramHelp();

// The text that the window program prints instead of opening its window when
// its arguments ask for --help or --version (the first of them wins);
// nothing otherwise. Other arguments are the window toolkit's.
std::optional<std::string> WindowProgramInformation(const std::vector<std::string>& arguments);

}  // namespace adreca::app
