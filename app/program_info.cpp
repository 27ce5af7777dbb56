#include "app/program_info.h"

namespace adreca::app {

std::string VersionText(const std::string& program) {
  return program + " (adreca-mac) " ADRECA_VERSION
                   "\n"
                   "Copyright (C) 2026 the adreca-mac authors.\n"
                   "License MIT: <https://opensource.org/licenses/MIT>.\n"
                   "This is free software: you are free to change and redistribute it.\n";
}

std::string WindowProgramHelp() {
  return "Usage: adreca-mac [OPTION]...\n"
         "Open the ADRE\xC3\x87"
         "A MAC window: the network adapter's physical (MAC) address found in\n"
         "five ways, side by side. Press a row's button to run its way.\n"
         "Ctrl+Shift+C, or the window's context menu, copies all results as a table.\n"
         "\n"
         "      --help     display this help and exit\n"
         "      --version  output version information and exit\n"
         "\n"
         "The same five ways from a script: adreca-report(1).\n";
}

std::optional<std::string> WindowProgramInformation(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help") return WindowProgramHelp();
    if (argument == "--version") return VersionText("adreca-mac");
  }
  return std::nullopt;
}

}  // namespace adreca::app
