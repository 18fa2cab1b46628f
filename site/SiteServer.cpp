#include "site/SiteServer.h"

#include "site/SiteContent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

namespace korvel::site {

namespace {

// Requests larger than this are not from a browser: the connection is dropped.
constexpr qsizetype kLargestRequest = 64 * 1024;

QByteArray typeOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("html"))
        return "text/html; charset=utf-8";
    if (suffix == QLatin1String("js"))
        return "application/javascript; charset=utf-8";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "image/jpeg";
    if (suffix == QLatin1String("png"))
        return "image/png";
    if (suffix == QLatin1String("gif"))
        return "image/gif";
    if (suffix == QLatin1String("bmp"))
        return "image/bmp";
    return "application/octet-stream";
}

QByteArray statusText(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    default: return "Error";
    }
}

SiteServer::Reply notFound()
{
    return {404, "text/html; charset=utf-8", "<html><body>404 Not Found</body></html>"};
}

} // namespace

QByteArray fpScript(const QString &siteBase)
{
    // Each line starts with what the downloader looks for and ends in '";'.
    return QStringLiteral("var fp = \"%1\";\n"
                          "lianup=fp+\"lianupload/images/\";\n"
                          "fp=fp+\"comicstripimages_zerith/\";\n")
        .arg(siteBase)
        .toUtf8();
}

SiteServer::SiteServer(QString contentDir, QObject *parent)
    : QObject(parent)
    , m_contentDir(std::move(contentDir))
{
    connect(&m_server, &QTcpServer::newConnection, this, &SiteServer::onConnection);
}

SiteServer::~SiteServer()
{
    // The open connections go with the server; they must not call back
    // into a server that is half destroyed.
    for (QTcpSocket *socket : m_pending.keys())
        socket->disconnect(this);
    m_server.close();
}

bool SiteServer::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

QString SiteServer::root() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port());
}

SiteServer::Reply SiteServer::answer(const QByteArray &target, const QByteArray &host) const
{
    const QUrl url(QString::fromUtf8(target));
    QString path = url.path(QUrl::FullyDecoded);
    if (!path.startsWith(QLatin1Char('/')))
        return {400, "text/plain", "bad request"};
    if (path == QLatin1String("/js/fp.js")) {
        const QString base = host.isEmpty() ? root() : QStringLiteral("http://%1/").arg(QString::fromLatin1(host));
        return {200, "application/javascript; charset=utf-8", fpScript(base)};
    }
    if (path == QLatin1String("/search/keyword/") || path == QLatin1String("/search/keyword")) {
        // The keyword may come raw or percent-encoded; both read the same.
        const QString keyword = QUrlQuery(url).queryItemValue(QStringLiteral("keyboard"), QUrl::FullyDecoded).trimmed();
        QFile index(m_contentDir + QLatin1Char('/') + kSearchIndex);
        QString found;
        if (!keyword.isEmpty() && index.open(QIODevice::ReadOnly)) {
            const QStringList lines = QString::fromUtf8(index.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString &line : lines) {
                const QString title = line.section(QLatin1Char('\t'), 0, 0);
                if (title.contains(keyword, Qt::CaseInsensitive))
                    found += QStringLiteral("<li><a href=\"%1\">《%2》</a></li>\n")
                                 .arg(line.section(QLatin1Char('\t'), 1, 1), title.toHtmlEscaped());
            }
        }
        const QString body = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>搜索</title></head>"
                                            "<body><h1>搜索“%1”</h1><ul>%2</ul>%3</body></html>")
                                 .arg(keyword.toHtmlEscaped(), found,
                                      found.isEmpty() ? QStringLiteral("<p>没有找到。</p>") : QString());
        return {200, "text/html; charset=utf-8", body.toUtf8()};
    }
    if (path.endsWith(QLatin1Char('/')))
        path += QStringLiteral("index.html");
    // Only files inside the content folder are served.
    const QString clean = QDir::cleanPath(path);
    if (clean.contains(QLatin1String("/../")) || clean.startsWith(QLatin1String("/..")) || clean != path)
        return notFound();
    QFile file(m_contentDir + clean);
    const QFileInfo info(file);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return notFound();
    return {200, typeOf(clean), file.readAll()};
}

void SiteServer::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_pending.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void SiteServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (buffer.size() > kLargestRequest)
                socket->abort();
            return;
        }
        const QByteArray head = buffer.left(end);
        buffer.remove(0, end + 4);
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> request = lines.value(0).trimmed().split(' ');
        QByteArray host;
        bool close = false;
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "host")
                host = value;
            else if (name == "connection" && value.toLower() == "close")
                close = true;
        }
        Reply reply;
        const QByteArray method = request.value(0);
        if (request.size() < 2)
            reply = {400, "text/plain", "bad request"};
        else if (method != "GET" && method != "HEAD")
            reply = {405, "text/plain", "only GET"};
        else
            reply = answer(request.at(1), host);
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + statusText(reply.status)
            + "\r\nContent-Type: " + reply.type + "\r\nContent-Length: " + QByteArray::number(reply.body.size())
            + (close ? "\r\nConnection: close" : "") + "\r\n\r\n";
        if (method != "HEAD")
            out += reply.body;
        socket->write(out);
        if (close) {
            socket->disconnectFromHost();
            return;
        }
    }
}

} // namespace korvel::site
