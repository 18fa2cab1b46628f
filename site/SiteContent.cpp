#include "site/SiteContent.h"

#include "book/BookReader.h"
#include "db/Connection.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace korvel::site {

namespace {

QString extensionOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return QStringLiteral("jpg");
    if (bytes.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (bytes.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (bytes.startsWith("BM"))
        return QStringLiteral("bmp");
    return QStringLiteral("bin");
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit())
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
    return false;
}

QString page(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>\n"
                          "<style>body{font-family:sans-serif;background:#f4f7fc;margin:16px;color:#223}"
                          "a{color:#1d4f91}h1{font-size:20px}img{max-width:160px;margin:4px;border:1px solid #889}"
                          "</style></head>\n<body>\n%2\n</body></html>\n")
        .arg(title.toHtmlEscaped(), body);
}

QString advert(const QString &text, const QString &link)
{
    return page(QStringLiteral("Dalvane"),
                QStringLiteral("<div style=\"font-size:13px\"><b>Dalvane</b> %1 <a href=\"%2\" target=\"_blank\">去看看</a>"
                               "</div>")
                    .arg(text.toHtmlEscaped(), link));
}

} // namespace

QString readingPageHtml(const SiteBook &book, const QString &drawer, const QString &summary,
                        const QString &otherPage)
{
    // The markers are exactly what the downloader looks for: the list
    // between 'var PicList = "' and '"; //图片列表', the title between '">《'
    // and '》</', the drawer and the summary in their paragraphs.
    QString body;
    body += QStringLiteral("<p><a href=\"/\">Dalvane</a> &gt; <a href=\"/Korvel/\">连环画</a></p>\n");
    body += QStringLiteral("<h1><a href=\"%1\">《%2》</a></h1>\n").arg(book.page, book.title.toHtmlEscaped());
    body += QStringLiteral("<P><B>绘画：</B>%1</P><!-- 绘画 -->\n").arg(drawer.toHtmlEscaped());
    body += QStringLiteral("<P><B>简介：</B>%1※※※</P>\n").arg(summary.toHtmlEscaped());
    body += QStringLiteral("<script>\nvar PicList = \"%1\"; //图片列表\n</script>\n").arg(book.pieces.join(QLatin1Char(',')));
    body += QStringLiteral("<div id=\"pages\"></div>\n<script src=\"/js/fp.js\"></script>\n"
                           "<script>\nvar list = PicList.split(\",\");\n"
                           "var alt = list.length > 0 && list[0].toLowerCase().indexOf(\"images\") >= 0;\n"
                           "var prefix = alt ? \"/comicstripimages_zerith/\" : \"/lianupload/images/\";\n"
                           "for (var i = 0; i < list.length; ++i) {\n"
                           "  var img = document.createElement(\"img\"); img.src = prefix + list[i];\n"
                           "  document.getElementById(\"pages\").appendChild(img);\n}\n</script>\n");
    if (!otherPage.isEmpty())
        // The site's own addresses carry the site word, so Korvel keeps this
        // pop-up in its web pane; the server reads paths, not queries.
        body += QStringLiteral("<p><a href=\"%1?from=Dalvane\" target=\"_blank\">另一本连环画（新窗口）</a> · "
                               "<a href=\"/Korvel/\">返回</a></p>\n")
                    .arg(otherPage);
    return page(book.title, body);
}

bool generateSite(const QString &booksDir, const QString &outDir, QString *error, QList<SiteBook> *booksOut)
{
    QDir out(outDir);
    if (out.exists() && !out.removeRecursively()) {
        if (error)
            *error = QStringLiteral("cannot clear %1").arg(outDir);
        return false;
    }
    QList<SiteBook> books;
    QList<book::BookMeta> metas;
    const QStringList files = QDir(booksDir).entryList({QStringLiteral("*.lhh")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        db::Connection connection;
        if (connection.open(QDir(booksDir).filePath(file), db::Access::ReadOnly))
            continue;
        QVector<qint32> numbers;
        if (book::readPageNumbers(connection, &numbers) || numbers.isEmpty())
            continue;
        const int n = int(books.size()) + 1;
        const bool alternative = n == 2;
        SiteBook b;
        b.title = book::readBookMeta(connection).title;
        if (b.title.isEmpty())
            b.title = QFileInfo(file).completeBaseName();
        b.page = QStringLiteral("/Korvel/lhh/b%1.html").arg(n);
        for (int i = 0; i < numbers.size(); ++i) {
            const book::PageRead read = book::readPage(connection, numbers.at(i));
            if (read.error || read.isNull)
                continue;
            const QString name = QStringLiteral("b%1/%2.%3").arg(n).arg(i + 1, 3, 10, QLatin1Char('0')).arg(extensionOf(read.bytes));
            const QString piece = alternative ? QStringLiteral("Images/") + name : name;
            const QString stored = alternative ? QStringLiteral("/comicstripimages_zerith/") + piece
                                               : QStringLiteral("/lianupload/images/") + piece;
            if (!writeFile(outDir + stored, read.bytes, error))
                return false;
            b.pieces << piece;
        }
        books << b;
        metas << book::readBookMeta(connection);
    }

    QString list;
    QString index;
    for (int i = 0; i < books.size(); ++i) {
        const SiteBook &b = books.at(i);
        const QString other = books.size() > 1 ? books.at((i + 1) % books.size()).page : QString();
        if (!writeFile(outDir + b.page, readingPageHtml(b, metas.at(i).drawer, metas.at(i).summary, other).toUtf8(),
                       error))
            return false;
        list += QStringLiteral("<li><a href=\"%1\">《%2》</a> %3 页</li>\n")
                    .arg(b.page, b.title.toHtmlEscaped())
                    .arg(b.pieces.size());
        index += b.title + QLatin1Char('\t') + b.page + QLatin1Char('\n');
    }
    const QString home = page(QStringLiteral("Dalvane"),
                              QStringLiteral("<h1>Dalvane 连环画</h1>\n<p>在线阅读连环画，打开阅读页面后即可用 Korvel 下载。</p>\n"
                                             "<ul>\n%1</ul>\n<p><a href=\"/Korvel/\">Korvel 主页</a> · "
                                             "<a href=\"/search/\">搜索</a></p>")
                                  .arg(list));
    const QString product = page(QStringLiteral("Korvel"),
                                 QStringLiteral("<h1>Korvel 连环画阅读器</h1>\n<ul>\n%1</ul>\n"
                                                "<p><a href=\"/\">Dalvane 主页</a></p>")
                                     .arg(list));
    const QString search = page(QStringLiteral("搜索"),
                                QStringLiteral("<h1>搜索连环画</h1>\n<form action=\"/search/keyword/\">"
                                               "<input type=\"hidden\" name=\"show\" value=\"title\">"
                                               "<input type=\"hidden\" name=\"classid\" value=\"2\">"
                                               "<input name=\"keyboard\"> <input type=\"submit\" value=\"搜索\"></form>"));
    const QList<QPair<QString, QString>> files2 = {
        {QStringLiteral("/index.html"), home},
        {QStringLiteral("/Korvel/index.html"), product},
        {QStringLiteral("/korvel/index.html"), product},
        {QStringLiteral("/search/index.html"), search},
        {QStringLiteral("/Korvel/TopAD.html"), advert(QStringLiteral("新书上架：每周更新经典连环画。"), QStringLiteral("/"))},
        {QStringLiteral("/Korvel/AD.html"), advert(QStringLiteral("今日推荐"), books.isEmpty() ? QStringLiteral("/") : books.first().page)},
        {QStringLiteral("/Korvel/DownRightAD.html"), advert(QStringLiteral("下载的连环画会放进你的书库。"), QStringLiteral("/Korvel/"))},
    };
    for (const auto &f : files2)
        if (!writeFile(outDir + f.first, f.second.toUtf8(), error))
            return false;
    if (!writeFile(outDir + QLatin1Char('/') + kSearchIndex, index.toUtf8(), error))
        return false;
    if (booksOut)
        *booksOut = books;
    return true;
}

} // namespace korvel::site
