#include "app/qt/form1.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <vector>

#include "app/accessible_text.h"
#include "app/actions.h"
#include "app/layout.h"
#include "app/report.h"
#include "app/report_format.h"
#include "app/status_explanation.h"
#include "core/text.h"

namespace adreca::app {

namespace {

constexpr int kTextInset = -2;

QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// A tooltip shown as the plain text it is: Qt renders a tooltip that looks
// like HTML as HTML, so an adapter named "<h1>BIG<!--" would hide the rest.
QString PlainToolTip(std::u16string_view text) {
  if (text.empty()) return {};
  return Qt::convertFromPlainText(ToQString(text), Qt::WhiteSpaceNormal);
}

}  // namespace

Form1::Form1(std::span<const Way, kWays.size()> ways, AdapterLookup lookup) : model_(ways, lookup) {
  setObjectName("Form1");
  setWindowTitle(ToQString(kWindow.title));
  setAccessibleName(ToQString(kWindow.title));
  setAccessibleDescription(ToQString(kWindowDescription));
  setFont(ControlFont());
  resize(Pixels(kWindow.client_width), Pixels(kWindow.client_height));
  CreateControls();
  SetTabOrder();
  AddWindowActions();
  Command(1)->setFocus(Qt::OtherFocusReason);
  LoadStep();
}

QFont Form1::ControlFont() {
  // Lucida Console first; else the system's fixed-pitch font; else the first
  // installed family whose glyphs really are all one width.
  QStringList families{ToQString(kWindow.font_face),
                       QFontDatabase::systemFont(QFontDatabase::FixedFont).family()};
  for (const QString& family : QFontDatabase::families()) {
    if (QFontDatabase::isFixedPitch(family)) families << family;
  }
  QFont font;
  for (const QString& family : families) {
    font = QFont(family, kWindow.font_points, QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(font).family() == family && QFontInfo(font).fixedPitch()) break;
  }
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

// Qt lays out in device-independent pixels and scales them to the screen by
// its device pixel ratio. Where that scaling is off, a high resolution shows
// as a logical DPI above 96 instead, which the 18-point font follows; placing
// the controls at the logical DPI keeps them in step with the font either way.
int Form1::Pixels(int twips) const { return TwipsToPixels(twips, logicalDpiY()); }

void Form1::CreateControls() {
  for (const ControlLayout& control : kControls) {
    QWidget* widget = nullptr;
    const auto index = static_cast<std::size_t>(control.row - 1);
    const Way& way = model_.WayOfRow(control.row);
    if (control.kind == ControlKind::kButton) {
      auto* button = new QPushButton(ToQString(way.caption), this);
      // Return and Enter press the focused button, as Space does.
      button->setAutoDefault(true);
      connect(button, &QPushButton::clicked, this, [this, row = control.row] { RunRow(row); });
      commands_[index] = button;
      widget = button;
    } else {
      auto* box = new QLineEdit(this);
      // A line edit keeps two pixels of its own between frame and text on
      // each side. The seventeen characters of an address at 18 points need
      // nearly the whole box, as they do in a plain edit box, so they are
      // given back: the text starts at the frame and may end at it.
      box->setTextMargins(kTextInset, 0, kTextInset, 0);
      (control.column == Column::kAddress ? macs_ : stats_)[index] = box;
      if (control.column == Column::kAddress) {
        // Typed text is no longer the result that the tooltip describes.
        connect(box, &QLineEdit::textEdited, this, [this, row = control.row] {
          model_.AddressTyped(row);
          ShowAddressToolTip(row, {});
        });
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this,
                [this, row = control.row](const QPoint& position) { OpenAddressMenu(row, position); });
        box->installEventFilter(this);  // Shift+F10 and the Menu key
      } else {
        // The code stays in the box; what it means is its tooltip.
        connect(box, &QLineEdit::textChanged, this, [this, row = control.row] { SetStatusExplanation(row); });
      }
      widget = box;
    }
    widget->setObjectName(
        QString::fromLatin1(control.name.data(), static_cast<qsizetype>(control.name.size())));
    widget->setAccessibleName(ToQString(AccessibleName(control, way)));
    widget->setAccessibleDescription(ToQString(AccessibleDescription(control, way)));
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->setGeometry(Pixels(control.left), Pixels(control.top), Pixels(control.width),
                        Pixels(control.height));
  }
}

void Form1::SetTabOrder() {
  std::vector<const ControlLayout*> order;
  order.reserve(kControls.size());
  for (const ControlLayout& control : kControls) order.push_back(&control);
  std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->tab_index < b->tab_index; });
  for (std::size_t i = 1; i < order.size(); ++i) {
    auto* previous = findChild<QWidget*>(QString::fromLatin1(order[i - 1]->name.data()));
    auto* next = findChild<QWidget*>(QString::fromLatin1(order[i]->name.data()));
    QWidget::setTabOrder(previous, next);
  }
}

void Form1::RunRow(int row) {
  if (const auto error = model_.Run(row, *this)) ReportError(model_.WayOfRow(row), *error);
}

void Form1::RunAll() {
  for (int row = 1; row <= WindowModel::kRows; ++row) RunRow(row);
}

void Form1::ShowAddress(int row, const std::u16string& text) { Mac(row)->setText(ToQString(text)); }

void Form1::ShowStatus(int row, const std::u16string& text) { Stat(row)->setText(ToQString(text)); }

void Form1::SetStatusExplanation(int row) {
  QLineEdit* box = Stat(row);
  const Way& way = model_.WayOfRow(row);
  const std::u16string explanation = StatusExplanation(way.codes, box->text().toStdU16String());
  box->setToolTip(PlainToolTip(explanation));
  box->setAccessibleDescription(
      ToQString(DescriptionWithToolTip(LayoutOf(row, Column::kStatus), way, explanation)));
}

QMenu* Form1::AddressMenu(int row) {
  QMenu* menu = Mac(row)->createStandardContextMenu();
  menu->setObjectName("AddressMenu");
  menu->addSeparator();
  QAction* details = menu->addAction(QStringLiteral("Adapter details\u2026"));
  details->setObjectName("AdapterDetails");
  connect(details, &QAction::triggered, this, [this, row] { ShowAdapterDetails(row); });
  return menu;
}

void Form1::OpenAddressMenu(int row, const QPoint& position) {
  QMenu* menu = AddressMenu(row);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(Mac(row)->mapToGlobal(position));
}

// Shift+F10 and the Menu key open an address box's menu from the keyboard.
bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool menu_key = (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) ||
                          (key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier);
    for (int row = 1; menu_key && row <= WindowModel::kRows; ++row) {
      if (watched == Mac(row)) {
        OpenAddressMenu(row, Mac(row)->rect().center());
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::ShowAdapterDetails(int row) {
  QDialog dialog(this);
  dialog.setObjectName("AdapterDetailsDialog");
  dialog.setWindowTitle(ToQString(model_.WayOfRow(row).caption) + QStringLiteral(": adapter"));
  auto* text = new QPlainTextEdit(ToQString(model_.ShownToolTip(row)), &dialog);
  text->setObjectName("AdapterDetailsText");
  text->setReadOnly(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QPushButton* copy = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
  connect(copy, &QPushButton::clicked, &dialog,
          [text] { QGuiApplication::clipboard()->setText(text->toPlainText()); });
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(text);
  layout->addWidget(buttons);
  dialog.exec();
}

// The address box's tooltip, and its accessible description that repeats it.
void Form1::ShowAddressToolTip(int row, const std::u16string& text) {
  QLineEdit* box = Mac(row);
  box->setToolTip(PlainToolTip(text));
  box->setAccessibleDescription(
      ToQString(DescriptionWithToolTip(LayoutOf(row, Column::kAddress), model_.WayOfRow(row), text)));
}

// The window's keys: Ctrl+Shift+C copies all results (also in the window's
// context menu, which shows the window's actions; the boxes keep theirs), F5
// runs every way, Ctrl+Q closes the window.
void Form1::AddWindowActions() {
  const auto add = [this](const QString& text, const char* name, const QKeySequence& keys) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setShortcut(keys);
    addAction(action);
    return action;
  };
  connect(add(QStringLiteral("Copy all results"), "CopyAllResults",
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)),
          &QAction::triggered, this, &Form1::CopyAllResults);
  connect(add(QStringLiteral("Run all ways"), "RunAll", QKeySequence(Qt::Key_F5)), &QAction::triggered, this,
          &Form1::RunAll);
  connect(add(QStringLiteral("Close"), "Close", QKeySequence(Qt::CTRL | Qt::Key_Q)), &QAction::triggered,
          this, &QWidget::close);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void Form1::CopyAllResults() { QGuiApplication::clipboard()->setText(ToQString(AllResults())); }

// The error report: the error's number and description in a modal message
// that leaves the window open.
void Form1::ReportError(const Way& way, const RaisedError& error) {
  QMessageBox box(QMessageBox::Critical, windowTitle(),
                  ToQString(ErrorReportText(error, ErrorHint(way, error))), QMessageBox::Ok, this);
  box.setObjectName("ErrorReport");
  box.exec();
}

}  // namespace adreca::app
