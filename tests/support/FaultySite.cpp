#include "tests/support/FaultySite.h"

namespace korvel::test {

FaultySite::FaultySite()
{
    connect(&m_server, &QTcpServer::newConnection, this, &FaultySite::onConnection);
}

bool FaultySite::start()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString FaultySite::root() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort());
}

void FaultySite::serve(const QString &path, const Answer &answer)
{
    m_answers.insert(path, answer);
}

int FaultySite::heldOpen() const
{
    int n = 0;
    for (const QPointer<QTcpSocket> &s : m_held)
        n += s && s->state() == QAbstractSocket::ConnectedState;
    return n;
}

quint16 FaultySite::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void FaultySite::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
            for (qsizetype end = buffer.indexOf("\r\n\r\n"); end >= 0; end = buffer.indexOf("\r\n\r\n")) {
                const QByteArray head = buffer.left(end);
                buffer.remove(0, end + 4);
                const QList<QByteArray> first = head.left(head.indexOf("\r\n")).split(' ');
                const QString path = first.size() > 1 ? QString::fromUtf8(first.at(1)) : QString();
                requested << path;
                answer(socket, path);
                if (socket->state() != QAbstractSocket::ConnectedState)
                    return;
            }
            socket->setProperty("buffer", buffer);
        });
    }
}

void FaultySite::answer(QTcpSocket *socket, const QString &path)
{
    const auto it = m_answers.constFind(path);
    if (it == m_answers.constEnd()) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nnot found");
        return;
    }
    const Answer &a = *it;
    if (a.kind == Kind::Silent) {
        m_held << socket;
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + (a.status == 200 ? " OK" : " Error")
        + "\r\nContent-Type: " + a.type + "\r\n";
    if (a.kind == Kind::Unsized)
        head += "Connection: close\r\n";
    else
        head += "Content-Length: " + QByteArray::number(a.claimedLength >= 0 ? a.claimedLength : a.body.size()) + "\r\n";
    socket->write(head + "\r\n");
    if (a.kind == Kind::CutShort) {
        socket->write(a.body.left(a.body.size() / 2));
        socket->disconnectFromHost();
        return;
    }
    socket->write(a.body);
    if (a.kind == Kind::Unsized)
        socket->disconnectFromHost();
}

} // namespace korvel::test
