#pragma once

// The application as screen readers see it: named "ADREÇA MAC", described by
// what it does, its windows its children. Qt names the application after its
// executable otherwise, and changing that name would change the windows'
// WM_CLASS, by which desktops match them to the desktop entry.

namespace adreca::app {

// Installs the accessible interface of the running QApplication; once.
void InstallAccessibleApplication();

}  // namespace adreca::app
