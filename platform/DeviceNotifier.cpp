#include "platform/DeviceNotifier.h"

#include "zeph/virtual_camera.h"

#include <QMetaObject>
#include <mutex>

// On this host the camera bus is the virtual camera's; its notification hook
// plays the part of the system's device-interface notifications.
namespace {
std::mutex g_mutex;
DeviceNotifier *g_active = nullptr;
} // namespace

DeviceNotifier::DeviceNotifier(QObject *parent)
    : QObject(parent)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_active = this;
    }
    // Outside the lock: registering waits for a callback in flight, and that
    // callback takes the lock.
    Zvc_SetNotificationCallback(&DeviceNotifier::onHostEvent, nullptr);
}

DeviceNotifier::~DeviceNotifier()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_active != this)
            return;
        g_active = nullptr;
    }
    Zvc_SetNotificationCallback(nullptr, nullptr);
}

void DeviceNotifier::onHostEvent(void *, int32_t event, const char *deviceName)
{
    const QString name = deviceName ? QString::fromLocal8Bit(deviceName) : QString();
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_active) {
        QMetaObject::invokeMethod(g_active, "deliver", Qt::QueuedConnection,
                                  Q_ARG(int, static_cast<int>(event)), Q_ARG(QString, name));
    }
}

void DeviceNotifier::deliver(int eventType, const QString &deviceName)
{
    emit deviceChanged(eventType, deviceName);
}
