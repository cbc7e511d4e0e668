// What keeps loaded text live: timers without a window, the application's activation, and
// what the clipboard automation asks of the clipboard (ownership and a digest of its text).
#include <QApplication>
#include <QCryptographicHash>
#include <QTimer>

#include "platform/key_codes.h"
#include "platform/platform.h"

namespace tessel {
namespace {

class QtTimer : public PlatformTimer {
  public:
    explicit QtTimer(std::function<void()> task) {
        QObject::connect(&timer_, &QTimer::timeout, [task = std::move(task)] { task(); });
    }
    void start(int intervalMs, bool singleShot) override {
        timer_.setSingleShot(singleShot);
        timer_.start(intervalMs < 0 ? 0 : intervalMs);
    }
    void stop() override { timer_.stop(); }
    bool active() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

QMetaObject::Connection gActivationConnection;

}  // namespace

std::unique_ptr<PlatformTimer> PlatformTimer::create(std::function<void()> task) {
    if (!QCoreApplication::instance() || !task) return nullptr;
    return std::make_unique<QtTimer>(std::move(task));
}

std::string md5Hex(std::string_view bytes) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Md5);
    return digest.toHex().toStdString();
}

void setActivationWatcher(std::function<void(bool active, int modifiers)> watcher) {
    if (gActivationConnection) QObject::disconnect(gActivationConnection);
    gActivationConnection = {};
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!application || !watcher) return;
    gActivationConnection =
        QObject::connect(application, &QGuiApplication::applicationStateChanged, application,
                         [watcher = std::move(watcher)](Qt::ApplicationState state) {
                             watcher(state == Qt::ApplicationActive, modifierState());
                         });
}

}  // namespace tessel
