#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace korvel::site {

// A small HTTP server for the stand-in site on 127.0.0.1: files from the
// generated folder, the script "/js/fp.js" naming this server as the site
// base, and title searches over the generated index. GET and HEAD only;
// connections are kept alive between requests.
class SiteServer final : public QObject {
    Q_OBJECT
public:
    explicit SiteServer(QString contentDir, QObject *parent = nullptr);
    ~SiteServer() override;

    // Listens on 127.0.0.1; port 0 takes a free one.
    bool listen(quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }
    QString root() const; // "http://127.0.0.1:<port>/"

    struct Reply {
        int status = 200;
        QByteArray type;
        QByteArray body;
    };
    // What a GET of the path (with its query) answers; public for tests.
    Reply answer(const QByteArray &target, const QByteArray &host) const;

private:
    void onConnection();
    void onReadyRead(QTcpSocket *socket);

    QString m_contentDir;
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
};

// The script's text: where the site and its two picture folders are.
QByteArray fpScript(const QString &siteBase);

} // namespace korvel::site
