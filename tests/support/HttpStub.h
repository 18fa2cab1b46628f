#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>

namespace korvel::test {

// The maker's web site, stood in for on 127.0.0.1: serves fixed pages by
// path and records what was asked for. Unknown paths get 404.
class HttpStub final : public QObject {
    Q_OBJECT
public:
    HttpStub();
    bool start();
    QString root() const; // "http://127.0.0.1:<port>/"
    void serve(const QString &path, const QByteArray &body,
               const QByteArray &type = QByteArrayLiteral("text/html; charset=utf-8"));
    QStringList requested;

private:
    void onConnection();
    QTcpServer m_server;
    QHash<QString, QPair<QByteArray, QByteArray>> m_pages;
};

} // namespace korvel::test
