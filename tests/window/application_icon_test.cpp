#include "app/qt/application_icon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <array>

namespace adreca::app {
namespace {

// The icon theme's sizes that the build renders from the SVG.
constexpr std::array kSizes = {16, 22, 24, 32, 48, 64, 128, 256};

class ApplicationIconSizeTest : public ::testing::TestWithParam<int> {};

// Each size is built in, drawn at its own size rather than scaled from
// another, and not blank: the middle of the icon is the opaque badge.
TEST_P(ApplicationIconSizeTest, IsBuiltInAndDrawn) {
  const int size = GetParam();
  const QIcon icon = ApplicationIcon();
  EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
  const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
  ASSERT_EQ(image.size(), QSize(size, size));
  EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corners are rounded off";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ApplicationIconSizeTest, ::testing::ValuesIn(kSizes));

TEST(ApplicationIconTest, HasNoOtherSizes) {
  EXPECT_EQ(ApplicationIcon().availableSizes().size(), static_cast<qsizetype>(kSizes.size()));
}

// Set on the application, as the program does, the icon is every window's own.
TEST(ApplicationIconTest, BecomesTheWindowsIcon) {
  QApplication::setWindowIcon(ApplicationIcon());
  QWidget window;
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_EQ(window.windowIcon().availableSizes().size(), static_cast<qsizetype>(kSizes.size()));
  QApplication::setWindowIcon(QIcon());
}

}  // namespace
}  // namespace adreca::app
