#include "gui/app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QRegularExpression>

#include "platform/FileSystem.h"

namespace gui {
namespace {

constexpr int kAnswerWaitMs = 2000;

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), m_name(name + QLatin1Char('-') + QString::number(platform::CurrentUserId()))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::NameFor(const QString& configurationFile, const QString& display)
{
    const QFileInfo file(configurationFile);
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    const QString where = (folder.isEmpty() ? file.absolutePath() : folder) + QLatin1Char('/') + file.fileName();
    QString screen = display;
    screen.remove(QRegularExpression(QStringLiteral("\\.0$")));
    // Socket names are short; a digest of the two tells the instances apart.
    const QByteArray digest =
        QCryptographicHash::hash((where + QLatin1Char('\n') + screen).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("Velmora-") + QString::fromLatin1(digest.toHex().left(16));
}

QString SingleInstance::CurrentDisplay()
{
    const QString platform = QGuiApplication::platformName();
    const char* variable = platform == QLatin1String("wayland") ? "WAYLAND_DISPLAY"
                           : platform == QLatin1String("xcb")   ? "DISPLAY"
                                                                : nullptr;
    return variable ? platform + QLatin1Char(' ') + qEnvironmentVariable(variable) : platform;
}

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
