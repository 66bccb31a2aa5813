#include "SingleInstance.h"

#include "Constants.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef _WIN32
#include <QByteArray>
#else
#include "InstanceChannel.h"
#endif

namespace {
const QByteArray RestoreRequest = "restore\n";

// Connects to the copy listening on the channel, but only to one running as this user: whatever
// else listens there is never spoken to.
bool ConnectToRunningCopy(QLocalSocket& socket, int timeoutMs)
{
    const QString name = TSingleInstance::ServerName();
    if (name.isEmpty())
        return false;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
#ifndef _WIN32
    if (!PeerIsCurrentUser(static_cast<int>(socket.socketDescriptor()))) {
        socket.abort();
        return false;
    }
#endif
    return true;
}
}

TSingleInstance::TSingleInstance(QObject* parent)
    : QObject(parent), server(new QLocalServer(this))
{
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, &TSingleInstance::acceptConnection);
}

QString TSingleInstance::ServerName()
{
#ifdef _WIN32
    QString name = QString(Constants::InstanceName).toLower().replace(' ', '-');
    name += '-' + qEnvironmentVariable("USERNAME");
    return name;
#else
    // A full path, so that the socket lies in the user's own folder rather than in the shared
    // temporary folder, where anybody could listen first or leave a file in the way.
    return QFile::decodeName(InstanceChannelAddress(true).c_str());
#endif
}

bool TSingleInstance::HandOverToRunningCopy(int timeoutMs)
{
    QLocalSocket socket;
    if (!ConnectToRunningCopy(socket, timeoutMs))
        return false;
    socket.write(RestoreRequest);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool TSingleInstance::RunningCopyExists(int timeoutMs)
{
    QLocalSocket socket;
    const bool found = ConnectToRunningCopy(socket, timeoutMs);
    socket.abort();
    return found;
}

bool TSingleInstance::Listen()
{
    const QString name = ServerName();
    // Without a channel only this user can reach, the program runs without one: better a second
    // copy now and then than a channel another user can hold or watch.
    if (name.isEmpty())
        return false;
    if (server->listen(name))
        return true;
    // Nobody answered on the name, so whatever holds it was left by a copy that died.
    QLocalServer::removeServer(name);
    return server->listen(name);
}

void TSingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains("restore"))
                emit restoreRequested();
        });
    }
}
