#include "window/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>

#include <unistd.h>

namespace gui {
namespace {

constexpr int kAnswerWaitMs = 2000;

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), m_name(name + QLatin1Char('-') + QString::number(::getuid()))
{
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Outcome SingleInstance::Claim(const QStringList& arguments, int waitMs)
{
    m_lock = std::make_unique<QLockFile>(QDir::temp().filePath(m_name + QStringLiteral(".lock")));
    if (!m_lock->tryLock(waitMs))
        return Outcome::HandedOver; // another start holds the turn too long: end, as it would
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(500)) {
        QByteArray message;
        QDataStream out(&message, QIODevice::WriteOnly);
        out << arguments;
        socket.write(message);
        socket.flush();
        const bool answered = socket.waitForReadyRead(kAnswerWaitMs) && socket.read(1) == "1";
        m_lock->unlock();
        return answered ? Outcome::HandedOver : Outcome::NoAnswer;
    }
    // No one answers: a server name left by a crashed run may still be in the way.
    QLocalServer::removeServer(m_name);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_name))
        connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::Accept);
    m_lock->unlock();
    return Outcome::First;
}

void SingleInstance::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream stream(socket->readAll());
            QStringList arguments;
            stream >> arguments;
            m_received = arguments;
            socket->write("1");
            socket->flush();
            emit activationRequested();
        });
    }
}

} // namespace gui
