#pragma once

#include <QTextDocument>
#include <QWidget>

namespace adreca::testing {

// What a widget's tooltip shows: Qt renders a tooltip that may be rich text
// as HTML, and shows any other as it is.
inline QString ShownToolTip(const QWidget* widget) {
  QString tip = widget->toolTip();
  if (!Qt::mightBeRichText(tip)) return tip;
  QTextDocument document;
  document.setHtml(tip);
  return document.toPlainText();
}

}  // namespace adreca::testing
