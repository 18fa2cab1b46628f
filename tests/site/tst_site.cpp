// The stand-in site's server: what it answers over loopback, without ever
// serving a file outside its folder. That its reading pages and pictures are
// what the downloader needs is the downloader's test (tests/web).
#include "site/SiteContent.h"
#include "site/SiteServer.h"
#include "tests/support/PutFile.h"
#include "tests/support/TestEnv.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace korvel;

class SiteTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString books = m_env.path(QStringLiteral("books"));
        QDir().mkpath(books);
        // Stored page numbers with gaps; a title with a quote and Chinese.
        QVERIFY(test::makeBook(m_env.appDir(), books + "/a.lhh",
                               {{3, test::pictureBytes(40, 30, "PNG")}, {9, test::pictureBytes(20, 20, "BMP")}}));
        QVERIFY(test::writeRawDatabase(
            books + "/a.lhh",
            {"DELETE FROM books", "INSERT INTO books (booknumber, title, drawer) VALUES (1, '三国 ''first''', '张三')"},
            false));
        QVERIFY(test::makeBook(m_env.appDir(), books + "/b.lhh", {{0, test::pictureBytes(30, 40, "JPEG")}}));
        // Not a book: left out, not fatal.
        QVERIFY(test::putFile(books + "/c.lhh", "junk"));
        const QString content = m_env.path(QStringLiteral("site"));
        QString error;
        QList<site::SiteBook> siteBooks;
        QVERIFY2(site::generateSite(books, content, &error, &siteBooks), qPrintable(error));
        QCOMPARE(siteBooks.size(), 2);
        m_server = std::make_unique<site::SiteServer>(content);
        QVERIFY(m_server->listen());
    }

    void served()
    {
        // The path asked for, the status, a text the answer holds.
        const QList<std::tuple<QString, int, QString>> cases = {
            {"/", 200, "/Korvel/lhh/b1.html"},
            {"/Korvel/", 200, "Korvel"},
            {"/korvel/", 200, "Korvel"},
            {"/Korvel/TopAD.html", 200, "Dalvane"},
            {"/Korvel/AD.html", 200, "Dalvane"},
            {"/Korvel/DownRightAD.html", 200, "Dalvane"},
            {"/search/", 200, "keyboard"},
            {"/search/keyword/?show=title&classid=2&keyboard=三国", 200, "b1.html"},
            {"/search/keyword/?show=title&classid=2&keyboard=%27first%27", 200, "b1.html"},
            {"/search/keyword/?show=title&classid=2&keyboard=zzz", 200, "没有找到"},
            {"/lianupload/images/b9/001.jpg", 404, ""},
        };
        for (const auto &[path, status, contains] : cases) {
            QNetworkReply *reply = m_network.get(QNetworkRequest(QUrl(m_server->root() + path.mid(1))));
            QSignalSpy done(reply, &QNetworkReply::finished);
            QVERIFY(reply->isFinished() || done.wait(10000));
            const QString body = QString::fromUtf8(reply->readAll());
            QVERIFY2(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == status, qPrintable(path));
            QVERIFY2(body.contains(contains), qPrintable(path + ": " + body.left(300)));
            reply->deleteLater();
        }
    }

    void keepsConnectionsAndRefusesEscapes()
    {
        // Two requests on one connection, one of them reaching outside the folder.
        QVERIFY(test::putFile(m_env.path(QStringLiteral("secret.txt")), "secret"));
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_server->port());
        QTRY_VERIFY_WITH_TIMEOUT(socket.state() == QAbstractSocket::ConnectedState, 10000);
        socket.write("GET /../secret.txt HTTP/1.1\r\nHost: x\r\n\r\nGET /%2e%2e/secret.txt HTTP/1.1\r\nHost: x\r\n\r\n"
                     "GET /js/fp.js HTTP/1.1\r\nHost: example.invalid:81\r\nConnection: close\r\n\r\n");
        QByteArray all;
        connect(&socket, &QTcpSocket::readyRead, this, [&] { all += socket.readAll(); });
        QTRY_VERIFY_WITH_TIMEOUT(socket.state() == QAbstractSocket::UnconnectedState, 10000);
        QCOMPARE(all.count("HTTP/1.1 404"), 2);
        QVERIFY(!all.contains("secret"));
        // The script names the site as it was asked for.
        QVERIFY(all.contains("var fp = \"http://example.invalid:81/\";"));
    }

private:
    test::TestEnv m_env;
    std::unique_ptr<site::SiteServer> m_server;
    QNetworkAccessManager m_network;
};

QTEST_GUILESS_MAIN(SiteTest)

#include "tst_site.moc"
