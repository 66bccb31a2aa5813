#include "SingleInstance.h"

#include "Constants.h"

#include <QLocalServer>
#include <QLocalSocket>

#ifdef _WIN32
#include <QByteArray>
#else
#include <unistd.h>
#endif

namespace {
const QByteArray RestoreRequest = "restore\n";
}

TSingleInstance::TSingleInstance(QObject* parent)
    : QObject(parent), server(new QLocalServer(this))
{
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, &TSingleInstance::acceptConnection);
}

QString TSingleInstance::ServerName()
{
    QString name = QString(Constants::InstanceName).toLower().replace(' ', '-');
#ifdef _WIN32
    name += '-' + qEnvironmentVariable("USERNAME");
#else
    // The identity comes from the system, not from $USER, which may be empty or wrong.
    name += '-' + QString::number(getuid());
#endif
    return name;
}

bool TSingleInstance::HandOverToRunningCopy(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(RestoreRequest);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool TSingleInstance::RunningCopyExists(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    const bool found = socket.waitForConnected(timeoutMs);
    socket.abort();
    return found;
}

bool TSingleInstance::Listen()
{
    if (server->listen(ServerName()))
        return true;
    // Nobody answered on the name, so whatever holds it was left by a copy that died.
    QLocalServer::removeServer(ServerName());
    return server->listen(ServerName());
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
