// The floor of the window benchmark: a bare Qt window with the same fifteen
// controls (five captioned buttons, ten empty line edits) at the same places,
// in the same 18-point fixed-pitch font, and nothing else.

#include <QApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "app/layout.h"

namespace {

using adreca::app::kControls;
using adreca::app::kTwipsPerPixelAt96Dpi;
using adreca::app::kWindow;

int Pixels(int twips) { return twips / kTwipsPerPixelAt96Dpi; }

QString Text(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(Text(kWindow.title));
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(kWindow.font_points);
  window.setFont(font);
  window.resize(Pixels(kWindow.client_width), Pixels(kWindow.client_height));
  for (const auto& control : kControls) {
    QWidget* widget = nullptr;
    if (control.kind == adreca::app::ControlKind::kButton) {
      widget =
          new QPushButton(Text(adreca::app::kCaptions[static_cast<std::size_t>(control.row - 1)]), &window);
    } else {
      widget = new QLineEdit(&window);
    }
    widget->setGeometry(Pixels(control.left), Pixels(control.top), Pixels(control.width),
                        Pixels(control.height));
  }
  window.show();
  return QApplication::exec();
}
