#include <QApplication>

#include "app/qt/form1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  adreca::app::Form1 form;
  form.show();
  return QApplication::exec();
}
