#include "app/qt/accessible_application.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QGuiApplication>
#include <QWindow>

#include "app/layout.h"

namespace adreca::app {

namespace {

// The application object: as Qt's own, but with the program's name.
class AccessibleApplication final : public QAccessibleObject {
 public:
  explicit AccessibleApplication(QObject* application) : QAccessibleObject(application) {}

  QWindow* window() const override { return nullptr; }
  QAccessibleInterface* parent() const override { return nullptr; }
  int childCount() const override { return static_cast<int>(Windows().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QObject*> windows = Windows();
    return index >= 0 && index < windows.size() ? QAccessible::queryAccessibleInterface(windows[index])
                                                : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child == nullptr ? -1 : static_cast<int>(Windows().indexOf(child->object()));
  }
  QAccessibleInterface* focusChild() const override {
    QWindow* focus = QGuiApplication::focusWindow();
    return focus == nullptr ? nullptr : focus->accessibleRoot();
  }
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) {
      return QString::fromUtf16(kWindow.title.data(), static_cast<qsizetype>(kWindow.title.size()));
    }
    if (kind == QAccessible::Description) {
      return QString::fromUtf16(kWindowDescription.data(), static_cast<qsizetype>(kWindowDescription.size()));
    }
    return {};
  }
  QAccessible::Role role() const override { return QAccessible::Application; }
  QAccessible::State state() const override { return {}; }

 private:
  // The top-level windows' accessible objects, menus and the desktop aside.
  static QList<QObject*> Windows() {
    QList<QObject*> windows;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
      if (window->type() == Qt::Popup || window->type() == Qt::Desktop) continue;
      if (QAccessibleInterface* root = window->accessibleRoot();
          root != nullptr && root->object() != nullptr) {
        windows.append(root->object());
      }
    }
    return windows;
  }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (object != nullptr && object == QCoreApplication::instance()) return new AccessibleApplication(object);
  return nullptr;
}

}  // namespace

void InstallAccessibleApplication() {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
}

}  // namespace adreca::app
