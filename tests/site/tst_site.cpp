// The stand-in site's server: what it answers over loopback, without ever
// serving a file outside its folder. That its reading pages and pictures are
// what the downloader needs is the downloader's test (tests/web).
#include "db/Connection.h"
#include "site/SiteContent.h"
#include "site/SiteServer.h"
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
    void initTestCase();
    void served_data();
    void served();
    void keepsConnectionsAndRefusesEscapes();

private:
    QByteArray get(const QString &path, int *status = nullptr);

    test::TestEnv m_env;
    QString m_content;
    QList<site::SiteBook> m_books;
    QList<QByteArray> m_firstPages;
    std::unique_ptr<site::SiteServer> m_server;
    QNetworkAccessManager m_network;
};

void SiteTest::initTestCase()
{
    const QString books = m_env.path(QStringLiteral("books"));
    QDir().mkpath(books);
    m_firstPages = {test::pictureBytes(40, 30, "PNG", Qt::red), test::pictureBytes(30, 40, "JPEG", Qt::blue)};
    {
        // Stored page numbers with gaps; a title with a quote and Chinese.
        QVERIFY(test::makeBook(m_env.appDir(), books + "/a.lhh",
                               {{3, m_firstPages[0]}, {9, test::pictureBytes(20, 20, "BMP")}}));
        db::Connection book;
        QVERIFY(!book.open(books + "/a.lhh", db::Access::ReadWrite));
        QVERIFY(!book.exec("DELETE FROM books"));
        QVERIFY(!book.exec("INSERT INTO books (booknumber, title, drawer) VALUES (1, ?, ?)",
                           {QStringLiteral("三国 'first'"), QStringLiteral("张三")}));
    }
    QVERIFY(test::makeBook(m_env.appDir(), books + "/b.lhh", {{0, m_firstPages[1]}}));
    // Not a book: left out, not fatal.
    QFile junk(books + "/c.lhh");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("junk");
    junk.close();
    m_content = m_env.path(QStringLiteral("site"));
    QString error;
    QVERIFY2(site::generateSite(books, m_content, &error, &m_books), qPrintable(error));
    QCOMPARE(m_books.size(), 2);
    m_server = std::make_unique<site::SiteServer>(m_content);
    QVERIFY(m_server->listen());
}

QByteArray SiteTest::get(const QString &path, int *status)
{
    QNetworkReply *reply = m_network.get(QNetworkRequest(QUrl(m_server->root() + path.mid(1))));
    QSignalSpy done(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        done.wait(10000);
    if (status)
        *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

void SiteTest::served_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("contains");
    QTest::newRow("home") << "/" << 200 << "/Korvel/lhh/b1.html";
    QTest::newRow("product page") << "/Korvel/" << 200 << "Korvel";
    QTest::newRow("product page, lower case") << "/korvel/" << 200 << "Korvel";
    QTest::newRow("banner") << "/Korvel/TopAD.html" << 200 << "Dalvane";
    QTest::newRow("advert") << "/Korvel/AD.html" << 200 << "Dalvane";
    QTest::newRow("downloader advert") << "/Korvel/DownRightAD.html" << 200 << "Dalvane";
    QTest::newRow("script: site base first") << "/js/fp.js" << 200 << "var fp = \"http://127.0.0.1:";
    QTest::newRow("search page") << "/search/" << 200 << "keyboard";
    QTest::newRow("search, raw Chinese") << "/search/keyword/?show=title&classid=2&keyboard=三国" << 200 << "b1.html";
    QTest::newRow("search, encoded") << "/search/keyword/?show=title&classid=2&keyboard=%27first%27" << 200
                                     << "b1.html";
    QTest::newRow("search, nothing") << "/search/keyword/?show=title&classid=2&keyboard=zzz" << 200 << "没有找到";
    QTest::newRow("missing") << "/lianupload/images/b9/001.jpg" << 404 << "";
}

void SiteTest::served()
{
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QString, contains);
    int got = 0;
    const QString body = QString::fromUtf8(get(path, &got));
    QCOMPARE(got, status);
    QVERIFY2(body.contains(contains), qPrintable(body.left(300)));
}

void SiteTest::keepsConnectionsAndRefusesEscapes()
{
    // Two requests on one connection, one of them reaching outside the folder.
    QFile secret(m_env.path(QStringLiteral("secret.txt")));
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("secret");
    secret.close();
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

QTEST_GUILESS_MAIN(SiteTest)

#include "tst_site.moc"
