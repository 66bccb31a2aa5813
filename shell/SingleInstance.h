#pragma once
#include <QObject>

class QLocalServer;

// One running copy per user. A second start asks the first to bring its window back and ends.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(QObject* parent = nullptr);

    // The channel's name, from the program's instance name and the user's identity. Outside
    // Windows it is the socket's full path in a folder only the user can enter (see
    // InstanceChannelAddress(), which makes the folder when missing), or empty when there is
    // no such folder.
    static QString ServerName();

    // True when a copy running as this user answered and was asked to come to the front.
    static bool HandOverToRunningCopy(int timeoutMs = 1000);

    // Whether a copy is running for this user (used by tools that must not write behind it).
    static bool RunningCopyExists(int timeoutMs = 500);

    // Becomes the running copy; a channel left behind by a crashed copy is taken over. False
    // when the channel cannot be had, the program then runs without it.
    bool Listen();

signals:
    void restoreRequested();

private:
    void acceptConnection();
    QLocalServer* server;
};
