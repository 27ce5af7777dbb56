#include "app/qt/form1.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>

#include "app/accessible_text.h"
#include "app/layout.h"
#include "core/error.h"
#include "probes/probes.h"
#include "tests/window/shown_tooltip.h"

namespace adreca::app {
namespace {

int calls = 0;

std::u16string FakeAddress() {
  ++calls;
  ApiStatus = 232;
  return u"001A2B3C4D5E";
}
std::u16string FakeEmpty() {
  ++calls;
  return u"";
}
std::u16string FakeOverflow() {
  ++calls;
  RaiseOverflow();
}

// The adapters that the window's lookup finds: eth0 for the fakes' address.
std::vector<std::u16string> looked_up;
std::vector<platform::AdapterIdentity> FakeLookup(std::u16string_view address, platform::AdapterSet) {
  looked_up.emplace_back(address);
  if (address != u"001A2B3C4D5E") return {};
  return {{u"eth0",
           u"Ethernet adapter",
           {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},
           {},
           platform::AddressOrigin::kPermanent}};
}

// Each fake says what it asks in words of its own: the window's accessible
// texts must come from the ways it was given, not from the program's table.
const std::array<Way, 5> kFakeRows{{{u"WinMgmt", &FakeAddress, StatusRule::kNotApplicable, u"fake one"},
                                    {u"IpConfig", &FakeEmpty, StatusRule::kNotApplicable, u"fake two"},
                                    {u"NetWksta", &FakeAddress, StatusRule::kApiStatus, u"fake three"},
                                    {u"NetBios", &FakeOverflow, StatusRule::kApiStatus, u"fake four"},
                                    {u"AdaptInfo", &FakeEmpty, StatusRule::kApiStatus, u"fake five"}}};

QString Name(const ControlLayout& control) {
  return QString::fromLatin1(control.name.data(), static_cast<qsizetype>(control.name.size()));
}

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    calls = 0;
    ApiStatus = 0;
    looked_up.clear();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }

  // Clicks a button and, if an error report opens, reads its text and
  // closes it.
  QString ClickAndReadReport(QPushButton* button) {
    QString report;
    // A timer of this call only: one left pending after a click without a
    // report would otherwise close the next click's report.
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        report = box->text();
        box->accept();
      }
    });
    closer.start(0);
    QTest::mouseClick(button, Qt::LeftButton);
    return report;
  }

  Form1 form{kFakeRows, &FakeLookup};
};

TEST_F(Form1Test, TitleAndClientArea) {
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("ADRE\u00c7A MAC"));
  EXPECT_EQ(form.size(), QSize(603, 233));
}

TEST_F(Form1Test, EveryControlSitsWhereTheTablePutsItWithItsCaption) {
  for (const ControlLayout& control : kControls) {
    auto* widget = form.findChild<QWidget*>(Name(control));
    ASSERT_NE(widget, nullptr) << control.name;
    EXPECT_EQ(widget->geometry(), QRect(control.left / 15, control.top / 15, control.width / 15, 33))
        << control.name;
    if (control.kind == ControlKind::kButton) {
      auto* button = qobject_cast<QPushButton*>(widget);
      ASSERT_NE(button, nullptr) << control.name;
      EXPECT_EQ(button->text().toStdU16String(), WayOfRow(control.row).caption);
    } else {
      auto* box = qobject_cast<QLineEdit*>(widget);
      ASSERT_NE(box, nullptr) << control.name;
      EXPECT_TRUE(box->text().isEmpty());
      EXPECT_FALSE(box->isReadOnly());
    }
  }
}

TEST_F(Form1Test, EveryControlUsesAFixedPitchFontOf18Points) {
  for (const ControlLayout& control : kControls) {
    auto* widget = form.findChild<QWidget*>(Name(control));
    ASSERT_NE(widget, nullptr);
    const QFontInfo info(widget->font());
    EXPECT_TRUE(info.fixedPitch()) << control.name << " " << info.family().toStdString();
    EXPECT_EQ(info.pointSize(), 18) << control.name;
    EXPECT_FALSE(info.bold() || info.italic() || info.underline() || info.strikeOut()) << control.name;
  }
}

TEST_F(Form1Test, TabWalksTheControlsInTabIndexOrderStartingAtCommand1) {
  const char* expected[] = {"Command1", "Mac1",     "Mac2",  "Command2", "Command3", "Mac3",
                            "Command4", "Mac4",     "Stat1", "Stat2",    "Stat3",    "Stat4",
                            "Mac5",     "Command5", "Stat5", "Command1"};
  QApplication::setActiveWindow(&form);
  ASSERT_EQ(QApplication::focusWidget(), form.Command(1));
  for (std::size_t i = 1; i < std::size(expected); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), expected[i]) << "after Tab " << i;
  }
}

TEST_F(Form1Test, ClickShowsTheHyphenatedAddressAndTheStatusRule) {
  ApiStatus = 5;
  ClickAndReadReport(form.Command(1));
  EXPECT_EQ(form.Mac(1)->text(), "00-1A-2B-3C-4D-5E");
  EXPECT_EQ(form.Stat(1)->text(), "n/a");  // whatever ApiStatus holds
  ClickAndReadReport(form.Command(3));
  EXPECT_EQ(form.Mac(3)->text(), "00-1A-2B-3C-4D-5E");
  EXPECT_EQ(form.Stat(3)->text(), "232");
}

TEST_F(Form1Test, AnEmptyResultShowsFiveHyphens) {
  form.Mac(2)->setText("typed by the user");
  ClickAndReadReport(form.Command(2));
  EXPECT_EQ(form.Mac(2)->text(), "-----");
  EXPECT_EQ(form.Stat(2)->text(), "n/a");
}

TEST_F(Form1Test, SpacePressesTheFocusedButton) {
  form.Command(5)->setFocus();
  ApiStatus = 87;
  QTest::keyClick(form.Command(5), Qt::Key_Space);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(form.Stat(5)->text(), "87");
}

TEST_F(Form1Test, AnErrorIsReportedLeavesTheBoxesAndTheWindowKeepsWorking) {
  form.Mac(4)->setText("old address");
  form.Stat(4)->setText("old status");
  const QString report = ClickAndReadReport(form.Command(4));
  EXPECT_EQ(report, "Run-time error '6':\n\nOverflow");
  EXPECT_EQ(form.Mac(4)->text(), "old address");
  EXPECT_EQ(form.Stat(4)->text(), "old status");
  EXPECT_TRUE(form.isVisible());

  ClickAndReadReport(form.Command(3));  // the next click still answers
  EXPECT_EQ(form.Mac(3)->text(), "00-1A-2B-3C-4D-5E");
  EXPECT_EQ(calls, 2);
}

TEST_F(Form1Test, PressingTwiceRepeatsTheWholeProbe) {
  ClickAndReadReport(form.Command(1));
  ClickAndReadReport(form.Command(1));
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace adreca::app

namespace adreca::app {
namespace {

const char kEth0ToolTip[] =
    "Adapter: eth0\nDescription: Ethernet adapter\nAddress: universally administered, the device's permanent "
    "address";

TEST_F(Form1Test, TheAddressBoxNamesTheAdapterThatHasTheResultInItsToolTip) {
  EXPECT_TRUE(testing::ShownToolTip(form.Mac(1)).isEmpty());
  ClickAndReadReport(form.Command(1));
  EXPECT_EQ(looked_up, std::vector<std::u16string>{u"001A2B3C4D5E"});
  EXPECT_EQ(testing::ShownToolTip(form.Mac(1)).toStdString(), kEth0ToolTip);
  EXPECT_EQ(form.Mac(1)->text(), "00-1A-2B-3C-4D-5E");        // the tooltip leaves the text alone
  EXPECT_TRUE(testing::ShownToolTip(form.Mac(3)).isEmpty());  // other rows keep theirs

  ClickAndReadReport(form.Command(2));
  EXPECT_EQ(testing::ShownToolTip(form.Mac(2)), "No address was found, so no adapter is named.");
}

// A probe whose result the test chooses; "raise" makes it raise overflow.
std::u16string next_result;
std::u16string FakeScripted() {
  ++calls;
  if (next_result == u"raise") RaiseOverflow();
  return next_result;
}

TEST_F(Form1Test, ANewResultReplacesTheToolTipAndAFailedProbeLeavesIt) {
  const std::array<Way, 5> rows{{{u"WinMgmt", &FakeScripted, StatusRule::kNotApplicable, {}},
                                 {u"IpConfig", &FakeEmpty, StatusRule::kNotApplicable, {}},
                                 {u"NetWksta", &FakeEmpty, StatusRule::kApiStatus, {}},
                                 {u"NetBios", &FakeEmpty, StatusRule::kApiStatus, {}},
                                 {u"AdaptInfo", &FakeEmpty, StatusRule::kApiStatus, {}}}};
  Form1 scripted(rows, &FakeLookup);
  scripted.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&scripted));
  next_result = u"001A2B3C4D5E";
  ClickAndReadReport(scripted.Command(1));
  EXPECT_EQ(testing::ShownToolTip(scripted.Mac(1)).toStdString(), kEth0ToolTip);

  next_result = u"0242ac110002";
  ClickAndReadReport(scripted.Command(1));
  EXPECT_EQ(testing::ShownToolTip(scripted.Mac(1)),
            "No adapter of this machine has the address 02-42-ac-11-00-02.");

  // A probe that raises changes no box, so the tooltip still fits the text.
  next_result = u"raise";
  EXPECT_EQ(ClickAndReadReport(scripted.Command(1)), "Run-time error '6':\n\nOverflow");
  EXPECT_EQ(scripted.Mac(1)->text(), "02-42-ac-11-00-02");
  EXPECT_EQ(testing::ShownToolTip(scripted.Mac(1)),
            "No adapter of this machine has the address 02-42-ac-11-00-02.");
  EXPECT_EQ(calls, 3);
}

std::vector<platform::AdapterIdentity> FindsMarkup(std::u16string_view, platform::AdapterSet) {
  return {{u"<h1>BIG<!--", u"<b>a & b</b>", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {}, {}}};
}

// Qt shows a tooltip that looks like HTML as HTML: an adapter's name must
// not hide the tooltip's other lines or change how they look.
TEST_F(Form1Test, TheToolTipShowsAnAdaptersNameAsPlainText) {
  Form1 marked(kFakeRows, &FindsMarkup);
  marked.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&marked));
  ClickAndReadReport(marked.Command(1));
  EXPECT_EQ(testing::ShownToolTip(marked.Mac(1)).toStdString(),
            "Adapter: <h1>BIG<!--\nDescription: <b>a & b</b>\nAddress: universally administered");
}

TEST_F(Form1Test, TypingIntoTheAddressBoxDropsTheToolTip) {
  ClickAndReadReport(form.Command(1));
  ASSERT_FALSE(testing::ShownToolTip(form.Mac(1)).isEmpty());
  form.Mac(1)->setFocus();
  QTest::keyClick(form.Mac(1), Qt::Key_X);
  EXPECT_TRUE(testing::ShownToolTip(form.Mac(1)).isEmpty());
  EXPECT_EQ(
      QAccessible::queryAccessibleInterface(form.Mac(1))->text(QAccessible::Description).toStdU16String(),
      AccessibleDescription(kControls[1], kFakeRows[0]));
}

TEST_F(Form1Test, EveryControlHasAnAccessibleNameAndDescription) {
  QStringList names;
  for (const ControlLayout& control : kControls) {
    auto* widget = form.findChild<QWidget*>(Name(control));
    ASSERT_NE(widget, nullptr) << control.name;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(accessible, nullptr) << control.name;
    const QString name = accessible->text(QAccessible::Name);
    const QString description = accessible->text(QAccessible::Description);
    EXPECT_FALSE(description.isEmpty()) << control.name;
    EXPECT_EQ(name.toStdU16String(),
              AccessibleName(control, kFakeRows.at(static_cast<std::size_t>(control.row - 1))));
    EXPECT_EQ(accessible->role(),
              control.kind == ControlKind::kButton ? QAccessible::Button : QAccessible::EditableText)
        << control.name;
    names << name;
  }
  // Spot checks of the wording, and no two controls alike.
  EXPECT_EQ(names[0], "WinMgmt");  // the role, button, is not repeated
  EXPECT_EQ(names[1], "WinMgmt address");
  EXPECT_EQ(names[8], "NetWksta status");
  EXPECT_EQ(names[13], "AdaptInfo address");
  names.removeDuplicates();
  EXPECT_EQ(names.size(), static_cast<qsizetype>(kControls.size()));
}

TEST_F(Form1Test, TheAddressBoxAnnouncesTheAdapterToo) {
  ClickAndReadReport(form.Command(1));
  const QString description =
      QAccessible::queryAccessibleInterface(form.Mac(1))->text(QAccessible::Description);
  EXPECT_TRUE(
      description.startsWith(QString::fromStdU16String(AccessibleDescription(kControls[1], kFakeRows[0]))))
      << description.toStdString();
  EXPECT_TRUE(description.endsWith(kEth0ToolTip)) << description.toStdString();
}

}  // namespace
}  // namespace adreca::app

namespace adreca::app {
namespace {

// ---- Copy all results ----

// A row whose way raised an error copies the error, as the report prints it,
// not the boxes it left empty; the paragraph says why the rows that ran
// differ.
TEST_F(Form1Test, CtrlShiftCCopiesEveryRowAsTheReportPrintsIt) {
  QTest::mouseClick(form.Command(1), Qt::LeftButton);
  QTest::mouseClick(form.Command(3), Qt::LeftButton);
  ClickAndReadReport(form.Command(4));  // an error: its boxes stay empty
  QGuiApplication::clipboard()->clear();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  QTest::keyClick(&form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "Way        Address            Status  Adapter\n"
            "WinMgmt    00-1A-2B-3C-4D-5E  n/a     eth0\n"
            "IpConfig\n"
            "NetWksta   00-1A-2B-3C-4D-5E  232     eth0\n"
            "NetBios    error 6: Overflow\n"
            "AdaptInfo\n"
            "\n"
            "The rows differ. WinMgmt, NetWksta show 00-1A-2B-3C-4D-5E (eth0): every adapter\n"
            "but loopback. NetBios: error 6: Overflow.\n");
  EXPECT_TRUE(form.Mac(4)->text().isEmpty());
}

TEST_F(Form1Test, TheWindowsContextMenuOffersCopyAllResults) {
  EXPECT_EQ(form.contextMenuPolicy(), Qt::ActionsContextMenu);
  QAction* copy_all = nullptr;
  for (QAction* action : form.actions()) {
    if (action->text() == "Copy all results") copy_all = action;
  }
  ASSERT_NE(copy_all, nullptr);
  QTest::mouseClick(form.Command(1), Qt::LeftButton);
  // Copy all copies the results, whatever the user typed into a box since.
  form.Mac(1)->setFocus();
  form.Mac(1)->selectAll();
  QTest::keyClicks(form.Mac(1), "typed");
  QGuiApplication::clipboard()->clear();
  copy_all->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "Way        Address            Status  Adapter\n"
            "WinMgmt    00-1A-2B-3C-4D-5E  n/a     eth0\n"
            "IpConfig\n"
            "NetWksta\n"
            "NetBios\n"
            "AdaptInfo\n");
  EXPECT_EQ(form.Mac(1)->text(), "typed");
}

}  // namespace
}  // namespace adreca::app
