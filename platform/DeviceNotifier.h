#ifndef GLINTVIEW_DEVICENOTIFIER_H
#define GLINTVIEW_DEVICENOTIFIER_H

#include <QObject>
#include <QString>

// Tells the program when a camera arrives on or leaves the bus. The host's
// device-change events may come from any thread; they are delivered as the
// signal deviceChanged on the thread that owns the notifier (the GUI thread).
// One notifier is active at a time: the newest one registered receives events.
class DeviceNotifier : public QObject
{
    Q_OBJECT
public:
    enum Event { Arrival = 0x8000, RemovalComplete = 0x8004 };

    explicit DeviceNotifier(QObject *parent = nullptr);
    ~DeviceNotifier() override;

signals:
    void deviceChanged(int eventType, const QString &deviceName);

private slots:
    void deliver(int eventType, const QString &deviceName);

private:
    static void onHostEvent(void *context, int32_t event, const char *deviceName);
};

#endif
