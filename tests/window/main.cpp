#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>

#include "app/qt/accessible_application.h"

int main(int argc, char** argv) {
  // The window tests draw offscreen, whatever display the caller has.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  adreca::app::InstallAccessibleApplication();
  ::testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
