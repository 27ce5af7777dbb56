// Loaded into a Qt program with LD_PRELOAD by the window benchmark's driver
// (window_bench.cpp): waits for the first paint of the program's first
// top-level window, then writes the monotonic clock (nanoseconds) on standard
// output and quits the program. The program itself is unchanged. Exits with
// status 2 when nothing is painted within ten seconds.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int kPatienceMilliseconds = 10'000;

class FirstPaintReporter final : public QObject {
 public:
  explicit FirstPaintReporter(QObject* parent) : QObject(parent) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!painted_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      painted_ = true;
      // Queued: runs once the whole window, children included, has been
      // painted and handed to the platform, and control is back in the event
      // loop.
      QMetaObject::invokeMethod(this, &FirstPaintReporter::Report, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Report() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
    std::fflush(stdout);
    QCoreApplication::quit();
  }

  bool painted_ = false;
};

// Runs inside the application object's constructor.
void InstallReporter() {
  QCoreApplication::instance()->installEventFilter(new FirstPaintReporter(QCoreApplication::instance()));
  QTimer::singleShot(kPatienceMilliseconds, [] { std::_Exit(2); });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallReporter)
