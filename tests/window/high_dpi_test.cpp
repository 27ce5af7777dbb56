// The window at the resolution of the run: 96 dots per inch in the ordinary
// window tests; 144 and 192 in runs that scale Qt (QT_SCALE_FACTOR) or raise
// its logical DPI (QT_FONT_DPI), which set ADRECA_EXPECT_DPI to match.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <string>
#include <type_traits>

#include "app/layout.h"
#include "app/qt/form1.h"

namespace adreca::app {
namespace {

int ExpectedDpi() {
  const int dpi = qEnvironmentVariableIntValue("ADRECA_EXPECT_DPI");
  return dpi == 0 ? 96 : dpi;
}

QString Name(const ControlLayout& control) {
  return QString::fromLatin1(control.name.data(), static_cast<qsizetype>(control.name.size()));
}

// Where the pixels of `with` differ from those of `without`, in device pixels.
QRect Difference(const QImage& with, const QImage& without) {
  QRect found;
  for (int y = 0; y < with.height(); ++y) {
    for (int x = 0; x < with.width(); ++x) {
      if (with.pixel(x, y) != without.pixel(x, y)) found |= QRect(x, y, 1, 1);
    }
  }
  return found;
}

// The ink of `text` in a widget: what it draws with the text minus what it
// draws without, in device pixels.
template <typename Widget>
QRect TextInk(Widget* widget, const QString& text) {
  const QString old = widget->text();
  widget->setText(text);
  const QImage with = widget->grab().toImage();
  widget->setText(QString());
  const QImage without = widget->grab().toImage();
  widget->setText(old);
  return Difference(with, without);
}

// The ink of `text` in a widget of the same kind and font but 200 pixels
// wider and taller, where nothing can be cut off. Centred text moves by 100
// pixels, a whole number of device pixels at every scale tested, so that it is
// drawn at the same fraction of a pixel as in `widget`.
template <typename Widget>
QSize UnclippedInk(Widget* widget, const QString& text) {
  Widget roomy;
  roomy.setFont(widget->font());
  if constexpr (std::is_same_v<Widget, QLineEdit>) roomy.setTextMargins(widget->textMargins());
  roomy.resize(widget->size() + QSize(200, 200));
  roomy.setAttribute(Qt::WA_DontShowOnScreen);
  roomy.show();
  return TextInk(&roomy, text).size();
}

class HighDpiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    dpr = form.devicePixelRatioF();
    dpi = form.logicalDpiY() * dpr;
  }

  // A length of the table in device pixels, as Qt draws it.
  int Device(int logical) const { return static_cast<int>(std::lround(logical * dpr)); }

  Form1 form;
  double dpr = 1;
  double dpi = 96;
};

TEST_F(HighDpiTest, TheRunHasTheResolutionItAskedFor) { EXPECT_DOUBLE_EQ(dpi, ExpectedDpi()); }

TEST_F(HighDpiTest, WindowAndEveryControlScaleFromTheTwipsOfTheTable) {
  const int at = ExpectedDpi();
  EXPECT_NEAR(Device(form.width()), TwipsToPixels(kWindow.client_width, at), 1);
  EXPECT_NEAR(Device(form.height()), TwipsToPixels(kWindow.client_height, at), 1);
  for (const ControlLayout& control : kControls) {
    const QWidget* widget = form.findChild<QWidget*>(Name(control));
    ASSERT_NE(widget, nullptr) << control.name;
    const QRect r = widget->geometry();
    EXPECT_NEAR(Device(r.x()), TwipsToPixels(control.left, at), 1) << control.name;
    EXPECT_NEAR(Device(r.y()), TwipsToPixels(control.top, at), 1) << control.name;
    EXPECT_NEAR(Device(r.width()), TwipsToPixels(control.width, at), 1) << control.name;
    EXPECT_NEAR(Device(r.height()), TwipsToPixels(control.height, at), 1) << control.name;
  }
}

TEST_F(HighDpiTest, TheFontStays18Points) {
  for (const ControlLayout& control : kControls) {
    const QWidget* widget = form.findChild<QWidget*>(Name(control));
    ASSERT_NE(widget, nullptr) << control.name;
    const QFontInfo info(widget->font());
    EXPECT_NEAR(info.pointSizeF(), kWindow.font_points, 0.5) << control.name;
    // 18 points are a quarter inch: 36 device pixels at 144 DPI, 48 at 192.
    EXPECT_NEAR(info.pixelSize() * dpr, kWindow.font_points * ExpectedDpi() / 72.0, 1) << control.name;
  }
}

TEST_F(HighDpiTest, EveryCaptionFitsItsButton) {
  for (int row = 1; row <= 5; ++row) {
    QPushButton* button = form.Command(row);
    const QString caption = button->text();
    const QFontMetrics metrics(button->font());
    EXPECT_LT(metrics.horizontalAdvance(caption), button->width()) << caption.toStdString();
    const QRect ink = TextInk(button, caption);
    EXPECT_EQ(ink.size(), UnclippedInk(button, caption)) << caption.toStdString();
    EXPECT_TRUE(QRect(QPoint(0, 0), button->size() * dpr).contains(ink)) << caption.toStdString();
  }
}

TEST_F(HighDpiTest, BoxesShowWhatTheyHoldUncut) {
  // An address with the widest digits and letters; statuses as the rows show them.
  const QString address = "00-1A-2B-3C-4D-5E";
  for (int row = 1; row <= 5; ++row) {
    QLineEdit* mac = form.Mac(row);
    EXPECT_EQ(TextInk(mac, address).size(), UnclippedInk(mac, address)) << "Mac" << row;
    for (const QString status : {"n/a", "232", "-1", "2123"}) {
      QLineEdit* stat = form.Stat(row);
      EXPECT_EQ(TextInk(stat, status).size(), UnclippedInk(stat, status))
          << "Stat" << row << " " << status.toStdString();
    }
  }
}

TEST_F(HighDpiTest, TheTextBoxesAreTallEnoughForTheFont) {
  // Capitals with accents and letters with descenders, in the box's own height.
  const QString tallest = QString::fromUtf8("\u00c7\u00c9gjpqy|");
  QLineEdit* box = form.Mac(1);
  EXPECT_EQ(TextInk(box, tallest).height(), UnclippedInk(box, tallest).height());
}

}  // namespace
}  // namespace adreca::app
