#include "tests/support/HttpStub.h"

#include <QTcpSocket>

namespace korvel::test {

HttpStub::HttpStub()
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpStub::onConnection);
}

bool HttpStub::start()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString HttpStub::root() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort());
}

void HttpStub::serve(const QString &path, const QByteArray &body, const QByteArray &type)
{
    m_pages.insert(path, {type, body});
}

void HttpStub::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray request = socket->property("buffer").toByteArray() + socket->readAll();
            socket->setProperty("buffer", request);
            if (!request.contains("\r\n\r\n"))
                return;
            const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
            const QString path = first.size() > 1 ? QString::fromUtf8(first.at(1)) : QString();
            requested << path;
            QByteArray reply;
            const auto it = m_pages.constFind(path);
            if (it != m_pages.constEnd()) {
                reply = "HTTP/1.1 200 OK\r\nContent-Type: " + it->first + "\r\nContent-Length: "
                    + QByteArray::number(it->second.size()) + "\r\nConnection: close\r\n\r\n" + it->second;
            } else {
                reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            }
            socket->write(reply);
            socket->disconnectFromHost();
        });
    }
}

} // namespace korvel::test
