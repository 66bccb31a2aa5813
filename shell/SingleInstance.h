#pragma once
#include <QObject>

class QLocalServer;

// One running copy per user. A second start asks the first to bring its window back and ends.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(QObject* parent = nullptr);

    // The channel's name, from the program's instance name and the user's identity.
    static QString ServerName();

    // True when a running copy answered and was asked to come to the front.
    static bool HandOverToRunningCopy(int timeoutMs = 1000);

    // Whether a copy is running for this user (used by tools that must not write behind it).
    static bool RunningCopyExists(int timeoutMs = 500);

    // Becomes the running copy; a channel left behind by a crashed copy is taken over.
    bool Listen();

signals:
    void restoreRequested();

private:
    void acceptConnection();
    QLocalServer* server;
};
