#include "app/qt/application_icon.h"

#include <QDirIterator>

namespace adreca::app {

QIcon ApplicationIcon() {
  QIcon icon;
  // One PNG per size, named after it (":/icons/16.png"); QIcon reads each
  // one's size from the file.
  QDirIterator pngs(QStringLiteral(":/icons"), {QStringLiteral("*.png")}, QDir::Files);
  while (pngs.hasNext()) icon.addFile(pngs.next());
  return icon;
}

}  // namespace adreca::app
