#pragma once

#include "book/BookFile.h"
#include "catalog/CatalogStore.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

namespace korvel::adverts {
class Clock;
}

namespace korvel::book {
class BookWriter;
}

namespace korvel::web {

class Fetch;

// What one download is given.
struct DownloadJob {
    QString appDir;   // the catalog and the default books folder
    QString templatePath; // the empty book; empty: Korvel.tmp! in appDir
    QString siteRoot; // the script is asked for here; the default site base
    QString pageHtml; // the reading page's body: the picture list
    book::BookMeta meta; // the book's metadata row; url is the reading page's address
    qint64 classId = 0;  // the category whose folder the book goes to
    // Asked once the book is written: the record to file, as the dialog
    // shows it then (its category included). The engine fills in the path.
    std::function<catalog::BookRecord()> recordAtEnd;
};

// The downloader: turns a reading page of the maker's site into a new book
// file and a catalog record.
//
// It reads the picture list from the page, asks the site's script where the
// pictures live, chooses the book's name in the category's folder, and
// fetches the pictures over the network while the window goes on (a few at
// a time, stored in list order as pages 0, 1, 2, ...). The book is built by
// the book writer, so it appears whole or not at all. A picture that cannot
// be had (an HTTP error, a refused or broken connection, no answer for 30
// seconds, an answer that is not a picture or is larger than 64 MB) stops
// the download with a message naming the page: no book and no record are
// left, never a page holding some other picture.
class Downloader final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kLargestPicture = 64LL * 1024 * 1024;
    static constexpr int kSilenceMs = 30000;
    // Pictures asked for at once: the next ones travel while one is stored.
    static constexpr int kInFlight = 3;
    // Stored bytes after which the disk is asked to start writing them.
    static constexpr qint64 kFlushBytes = 8LL * 1024 * 1024;

    // The silence timers run on the clock (none: real time).
    explicit Downloader(adverts::Clock *clock = nullptr, QObject *parent = nullptr);
    ~Downloader() override;

    // Starts the download; the outcome comes with finished(), also when it
    // cannot even start. Ignored while a download runs.
    void start(const DownloadJob &job);
    bool isRunning() const { return m_running; }
    // The book's file, once chosen.
    const QString &bookPath() const { return m_path; }

    // Tests make the picture limit small instead of sending 64 MB.
    void setLargestPicture(qint64 bytes) { m_largestPicture = bytes; }

signals:
    // After each page stored.
    void progressed(int downloaded, int total);
    // ok: the book is complete at bookPath(). message: why it failed, or,
    // for a complete book, why it is not in the catalog; empty when all is well.
    void finished(bool ok, const QString &message);

private:
    void prepare();
    void scriptArrived(const QByteArray &script);
    void requestMore();
    void pictureArrived(Fetch &fetch);
    void storeReady();
    void startWriteBack();
    void complete();
    void fail(const QString &message);
    void end(bool ok, const QString &message);
    void dropFetches();

    adverts::Clock &m_clock;
    QNetworkAccessManager m_network;
    qint64 m_largestPicture = kLargestPicture;

    bool m_running = false;
    DownloadJob m_job;
    QStringList m_pieces;
    QString m_prefix;
    QString m_path;
    std::unique_ptr<book::BookWriter> m_writer;
    Fetch *m_script = nullptr;
    std::map<int, Fetch *> m_fetches; // by page, until stored
    int m_nextRequest = 0;
    int m_stored = 0;
    qint64 m_unflushed = 0;
};

} // namespace korvel::web
