#pragma once
#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGHUP into a Qt signal delivered on the user-interface thread, so that a
// log-off or a kill writes the settings like a normal close.
class TShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit TShutdownSignals(QObject* parent = nullptr);

signals:
    void shutdownRequested();

private:
    void readSignal();
    QSocketNotifier* notifier = nullptr;
};
