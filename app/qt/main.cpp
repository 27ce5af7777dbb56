#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/program_info.h"
#include "app/qt/accessible_application.h"
#include "app/qt/application_icon.h"
#include "app/qt/form1.h"

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Without a display Qt would print its plugin diagnostics and abort; say
// plainly what is missing instead. A platform chosen by the environment or by
// "-platform" is Qt's to judge.
bool HasDisplay(int argc, char* argv[]) {
  if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const auto information =
          adreca::app::WindowProgramInformation(std::vector<std::string>(argv + 1, argv + argc))) {
    return std::fputs(information->c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? EXIT_SUCCESS
                                                                                     : EXIT_FAILURE;
  }
  if (!HasDisplay(argc, argv)) {
    std::fputs(
        "adreca-mac needs a display: no DISPLAY or WAYLAND_DISPLAY is set.\n"
        "Start it from a desktop session, or under a virtual X server: xvfb-run adreca-mac\n",
        stderr);
    return EXIT_FAILURE;
  }
  QApplication application(argc, argv);
  // Lets the desktop match the window to its entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.adreca.AdrecaMac"));
  QApplication::setWindowIcon(adreca::app::ApplicationIcon());
  adreca::app::InstallAccessibleApplication();
  adreca::app::Form1 form;
  form.show();
  return QApplication::exec();
}
