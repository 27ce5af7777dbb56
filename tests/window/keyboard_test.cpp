// The window from the keyboard: Return and Enter press the focused button,
// F5 runs every way, Ctrl+Q closes the window, an address box's menu shows
// its adapter's details, and the status box says what its code means.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/qt/form1.h"
#include "core/error.h"
#include "probes/probes.h"
#include "tests/window/shown_tooltip.h"

namespace adreca::app {
namespace {

std::vector<int> order;

template <int kRow>
std::u16string Found() {
  order.push_back(kRow);
  ApiStatus = kRow == 5 ? 232 : 0;
  return u"001A2B3C4D5E";
}
std::u16string ListingMissing() {
  order.push_back(2);
  RaiseFileNotFound(u"/tmp/ipconfig.tmp");
}

std::vector<platform::AdapterIdentity> FindsEth0(std::u16string_view, platform::AdapterSet) {
  return {{u"eth0", u"Ethernet adapter", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {}, {}}};
}

const std::array<Way, 5> kKeyboardWays{{
    {u"WinMgmt", &Found<1>, StatusRule::kNotApplicable, {}},
    {u"IpConfig", &ListingMissing, StatusRule::kNotApplicable, {}, StatusCodes::kNone, true},
    {u"NetWksta", &Found<3>, StatusRule::kApiStatus, {}, StatusCodes::kWin32Errors},
    {u"NetBios", &Found<4>, StatusRule::kApiStatus, {}, StatusCodes::kNetbiosReturnCodes},
    {u"AdaptInfo", &Found<5>, StatusRule::kApiStatus, {}, StatusCodes::kWin32Errors},
}};

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    order.clear();
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }

  // Runs `act`; the modal window that it opens (an error report, a dialog)
  // is read by `read` and closed. Answers how many opened.
  int WithModals(const std::function<void()>& act, const std::function<void(QWidget*)>& read) {
    int opened = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        ++opened;
        read(modal);
        modal->close();
      }
    });
    closer.start(10);
    act();
    return opened;
  }

  Form1 form{kKeyboardWays, &FindsEth0};
};

TEST_F(KeyboardTest, ReturnAndEnterPressTheFocusedButton) {
  for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
    form.Mac(1)->clear();
    form.Command(1)->setFocus();
    QTest::keyClick(form.Command(1), key);
    EXPECT_EQ(form.Mac(1)->text(), "00-1A-2B-3C-4D-5E") << key;
  }
  EXPECT_EQ(order, (std::vector<int>{1, 1}));
}

TEST_F(KeyboardTest, F5RunsEveryWayInRowOrderAndAnErrorDoesNotStopTheOthers) {
  QStringList reports;
  const int opened = WithModals([&] { QTest::keyClick(&form, Qt::Key_F5); },
                                [&](QWidget* modal) {
                                  if (auto* box = qobject_cast<QMessageBox*>(modal)) reports << box->text();
                                });
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(opened, 1);
  ASSERT_EQ(reports.size(), 1);
  // The number and description as they are, then what to check.
  EXPECT_TRUE(
      reports[0].startsWith("Run-time error '53':\n\nFile not found: /tmp/ipconfig.tmp\nCheck the temporary "
                            "folder "))
      << reports[0].toStdString();
  for (int row : {1, 3, 4, 5}) EXPECT_EQ(form.Mac(row)->text(), "00-1A-2B-3C-4D-5E") << row;
  EXPECT_EQ(form.Mac(2)->text(), "");
}

TEST_F(KeyboardTest, CtrlQClosesTheWindow) {
  QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(form.isVisible());
}

TEST_F(KeyboardTest, TheAddressBoxsMenuShowsTheTooltipsTextInADialogThatCanBeCopied) {
  QTest::mouseClick(form.Command(1), Qt::LeftButton);
  const QString tooltip = testing::ShownToolTip(form.Mac(1));
  ASSERT_TRUE(tooltip.startsWith("Adapter: eth0"));
  std::unique_ptr<QMenu> menu(form.AddressMenu(1));
  QAction* details = menu->findChild<QAction*>("AdapterDetails");
  ASSERT_NE(details, nullptr);
  EXPECT_EQ(details->text(), QString::fromUtf8("Adapter details\u2026"));
  // The box's own commands stay.
  EXPECT_GT(menu->actions().size(), 3);
  QString shown;
  bool read_only = false;
  EXPECT_EQ(WithModals([&] { details->trigger(); },
                       [&](QWidget* modal) {
                         auto* text = modal->findChild<QPlainTextEdit*>("AdapterDetailsText");
                         if (text == nullptr) return;
                         shown = text->toPlainText();
                         read_only = text->isReadOnly();
                       }),
            1);
  EXPECT_EQ(shown, tooltip);
  EXPECT_TRUE(read_only);
}

// Whether `holds` comes true within two seconds of events.
bool Eventually(const std::function<bool()>& holds) {
  for (int waited = 0; waited < 2000; waited += 10) {
    if (holds()) return true;
    QTest::qWait(10);
  }
  return holds();
}

TEST_F(KeyboardTest, ShiftF10AndTheMenuKeyOpenTheAddressBoxsMenu) {
  for (const auto& [key, modifiers] :
       {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
    SCOPED_TRACE(key);
    form.Mac(3)->setFocus();
    // Through the window, as the keyboard's keys come: the Menu key becomes
    // a context menu event on the way.
    QTest::keyClick(form.windowHandle(), key, modifiers);
    ASSERT_TRUE(Eventually([] { return QApplication::activePopupWidget() != nullptr; }));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_NE(menu->findChild<QAction*>("AdapterDetails"), nullptr);
    menu->close();
    ASSERT_TRUE(Eventually([] { return QApplication::activePopupWidget() == nullptr; }));
  }
}

TEST_F(KeyboardTest, TheStatusBoxSaysWhatItsCodeMeans) {
  for (int row : {1, 3, 5}) QTest::mouseClick(form.Command(row), Qt::LeftButton);
  const struct {
    int row;
    const char* text;
    const char* explanation;
  } cases[] = {
      {1, "n/a", "n/a: this way has no status code"},
      {3, "0", "0: the call succeeded"},
      {5, "232", "232: no adapter information (ERROR_NO_DATA)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    EXPECT_EQ(form.Stat(c.row)->text(), c.text);
    EXPECT_EQ(testing::ShownToolTip(form.Stat(c.row)), c.explanation);
    EXPECT_TRUE(form.Stat(c.row)->accessibleDescription().endsWith(QString("\n") + c.explanation));
  }
}

TEST(AccessibleApplicationTest, TheApplicationIsNamedAdrecaMacAndSaysWhatItDoes) {
  QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(application->text(QAccessible::Name), QString::fromUtf8("ADRE\u00c7A MAC"));
  EXPECT_TRUE(application->text(QAccessible::Description).contains("physical (MAC) address"));
  EXPECT_EQ(application->role(), QAccessible::Application);
}

}  // namespace
}  // namespace adreca::app
