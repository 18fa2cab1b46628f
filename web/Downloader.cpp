#include "web/Downloader.h"

#include "adverts/Clock.h"
#include "book/BookWriter.h"
#include "catalog/Rules.h"
#include "platform/SiteConfig.h"
#include "web/BookName.h"
#include "web/PageText.h"
#include "web/SiteRules.h"

#include <QNetworkReply>
#include <QPointer>
#include <QFile>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace korvel::web {

namespace {

const QString kNoPage = QStringLiteral("请打开到要下载连环画的页面。");
const QString kNoTitle = QStringLiteral("请输入连环画书名。");
const QString kCatalogMissing = QStringLiteral("数据库文件丢失。");
const QString kCategoryReadFailed = QStringLiteral("连环画分类读取错误。");

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QString networkFailure(QNetworkReply::NetworkError error, const QString &detail)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("网站拒绝连接");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("网站中途断开了连接");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到网站");
    default:
        return QStringLiteral("网络错误：%1").arg(detail);
    }
}

} // namespace

// One address being fetched: its answer gathered in memory up to a limit,
// given up after a silence. done is called once, when it ends either way.
class Fetch final : public QObject {
public:
    Fetch(int index, const QUrl &url, qint64 limit, QNetworkAccessManager &network, adverts::Clock &clock,
          std::function<void(Fetch &)> done, QObject *owner)
        : QObject(owner)
        , index(index)
        , url(url)
        , m_limit(limit)
        , m_clock(clock)
        , m_done(std::move(done))
    {
        // Silence is counted in whole seconds: data only sets a flag, which
        // costs nothing however many pieces a picture comes in.
        m_silence.setObjectName(QStringLiteral("timSilence"));
        m_silence.setInterval(1000);
        connect(&m_silence, &QTimer::timeout, this, [this] {
            m_silentSeconds = std::exchange(m_heard, false) ? 0 : m_silentSeconds + 1;
            if (m_silentSeconds * 1000 >= Downloader::kSilenceMs)
                giveUp(QStringLiteral("%1 秒没有回应").arg(Downloader::kSilenceMs / 1000));
        });
        QNetworkRequest request(url);
        m_reply = network.get(request);
        connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
            m_heard = true;
            const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > m_limit)
                giveUp(tooLarge());
        });
        // The answer stays in the reply until it is whole: one copy, at the end.
        connect(m_reply, &QNetworkReply::readyRead, this, [this] {
            m_heard = true;
            if (m_reply->bytesAvailable() > m_limit)
                giveUp(tooLarge());
        });
        connect(m_reply, &QNetworkReply::finished, this, &Fetch::ended);
        m_clock.start(&m_silence);
    }

    ~Fetch() override { cancel(); }

    // Stops without a word: done is not called any more.
    void cancel()
    {
        if (!isDone)
            m_clock.stop(&m_silence);
        isDone = true;
        if (m_reply) {
            m_reply->disconnect(this);
            m_reply->abort();
            m_reply->deleteLater();
            m_reply = nullptr;
        }
    }

    const int index;
    const QUrl url;
    QByteArray bytes;
    bool ok = false;
    bool isDone = false;
    QString failure;

private:
    QString tooLarge() const
    {
        return QStringLiteral("大于 %1 MB").arg(double(m_limit) / (1024 * 1024), 0, 'g', 6);
    }

    void giveUp(const QString &why)
    {
        if (failure.isEmpty())
            failure = why;
        if (m_reply && m_reply->isRunning())
            m_reply->abort(); // ends in ended()
    }

    void ended()
    {
        if (isDone)
            return;
        isDone = true;
        m_clock.stop(&m_silence);
        if (failure.isEmpty()) {
            bytes = m_reply->readAll();
            const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
                failure = QStringLiteral("网站回答 HTTP %1").arg(status.toInt());
            else if (m_reply->error() != QNetworkReply::NoError)
                failure = networkFailure(m_reply->error(), m_reply->errorString());
            else if (bytes.size() > m_limit)
                failure = tooLarge();
        }
        ok = failure.isEmpty();
        if (!ok)
            bytes.clear();
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
        m_done(*this);
    }

    qint64 m_limit;
    adverts::Clock &m_clock;
    std::function<void(Fetch &)> m_done;
    QPointer<QNetworkReply> m_reply; // the network's, which may go first
    QTimer m_silence;
    bool m_heard = false;
    int m_silentSeconds = 0;
};

Downloader::Downloader(adverts::Clock *clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock ? *clock : adverts::SystemClock::instance())
{
    // Pictures are fetched once; nothing is kept between downloads.
    m_network.setCookieJar(nullptr);
}

Downloader::~Downloader() = default; // the fetches are children

void Downloader::start(const DownloadJob &job)
{
    if (m_running)
        return;
    m_running = true;
    m_job = job;
    m_pieces.clear();
    m_prefix.clear();
    m_path.clear();
    m_nextRequest = 0;
    m_stored = 0;
    m_unflushed = 0;
    // Whatever happens, the caller hears of it after start() has returned.
    QMetaObject::invokeMethod(this, &Downloader::prepare, Qt::QueuedConnection);
}

void Downloader::prepare()
{
    m_pieces = pictureList(m_job.pageHtml);
    if (m_pieces.isEmpty())
        return fail(kNoPage);
    if (safeFileTitle(m_job.meta.title).isEmpty())
        return fail(kNoTitle);

    // The folder of the category the download starts in. A catalog that
    // cannot be read stops here, so the book never lands somewhere else.
    const catalog::CatalogStore store(catalog::CatalogStore::pathIn(m_job.appDir));
    const catalog::CategoryRead category = store.readDefaultPath(m_job.classId);
    if (category.outcome == catalog::Outcome::CatalogMissing)
        return fail(kCatalogMissing);
    if (category.outcome != catalog::Outcome::Done)
        return fail(kCategoryReadFailed);
    if (!category.found)
        return fail(QStringLiteral("所选分类已不存在，请重新选择。"));
    QString folder = category.folder.isEmpty() ? catalog::booksFolder(m_job.appDir) : category.folder;
    folder = catalog::withoutTrailingSeparator(folder);
    if (!catalog::makeCategoryFolder(folder))
        return fail(QStringLiteral("无法建立下载目录“%1”，没有下载连环画。").arg(folder));
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    m_path = freeBookPath(folder, m_job.meta.title);

    m_writer = std::make_unique<book::BookWriter>(
        m_job.templatePath.isEmpty() ? m_job.appDir + QStringLiteral("/Korvel.tmp!") : m_job.templatePath, m_path);
    if (db::Error e = m_writer->begin(m_job.meta, true))
        return fail(QStringLiteral("无法在下载目录“%1”中写入连环画文件（%2），没有下载连环画。").arg(folder, db::describe(e)));

    const QUrl script(platform::siteAddress(m_job.siteRoot, kScriptPath));
    if (!isWebUrl(script))
        return scriptArrived(QByteArray());
    m_script = new Fetch(-1, script, kLargestScript, m_network, m_clock, [this](Fetch &f) {
        m_script->deleteLater();
        m_script = nullptr;
        scriptArrived(f.ok ? f.bytes : QByteArray());
    }, this);
}

void Downloader::scriptArrived(const QByteArray &script)
{
    // Without the script (or with one that is not) the built-in folders serve.
    const PictureFolders folders = readSiteScript(script, m_job.siteRoot);
    m_prefix = picturePrefix(folders, m_pieces.first());
    requestMore();
}

void Downloader::requestMore()
{
    while (m_running && int(m_fetches.size()) < kInFlight && m_nextRequest < m_pieces.size()) {
        const int index = m_nextRequest++;
        const QUrl url(m_prefix + m_pieces.at(index));
        if (!isWebUrl(url))
            return fail(QStringLiteral("第 %1 页图片的地址“%2”不是网址，下载已停止，没有保存连环画。")
                            .arg(index + 1)
                            .arg(m_prefix + m_pieces.at(index)));
        m_fetches[index] = new Fetch(index, url, m_largestPicture, m_network, m_clock,
                                     [this](Fetch &f) { pictureArrived(f); }, this);
    }
}

void Downloader::pictureArrived(Fetch &fetch)
{
    if (!m_running)
        return;
    QString failure = fetch.failure;
    if (fetch.ok && !looksLikePicture(fetch.bytes))
        failure = QStringLiteral("下载的内容不是图片");
    if (!failure.isEmpty())
        return fail(QStringLiteral("第 %1 页图片（%2）下载失败：%3。下载已停止，没有保存连环画。")
                        .arg(fetch.index + 1)
                        .arg(fetch.url.toDisplayString(), failure));
    storeReady();
}

void Downloader::storeReady()
{
    // Pages go in in list order, whichever picture came first.
    for (auto it = m_fetches.find(m_stored); it != m_fetches.end() && it->second->isDone;
         it = m_fetches.find(m_stored)) {
        Fetch *fetch = it->second;
        m_fetches.erase(it);
        const db::Error e = m_writer->addPage(fetch->bytes);
        fetch->deleteLater();
        if (e)
            return fail(QStringLiteral("连环画文件“%1”写入失败（%2），没有保存连环画。").arg(m_path, db::describe(e)));
        ++m_stored;
        m_unflushed += fetch->bytes.size();
        if (m_unflushed >= kFlushBytes) {
            startWriteBack();
            m_unflushed = 0;
        }
        emit progressed(m_stored, int(m_pieces.size()));
    }
    if (m_stored == m_pieces.size())
        return complete();
    requestMore();
}

void Downloader::startWriteBack()
{
    // The disk starts on what is stored so far while the next pictures
    // come, so the writer's sync at the end has little left to wait for.
    // Only a hint: the writer alone decides what the book holds.
    const int fd = ::open(QFile::encodeName(m_writer->temporaryPath()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    ::close(fd);
}

void Downloader::complete()
{
    if (db::Error e = m_writer->commit())
        return fail(QStringLiteral("连环画文件“%1”写入失败（%2），没有保存连环画。").arg(m_path, db::describe(e)));
    m_writer.reset();

    // Filed as the dialog stands now: the category selected at the end.
    catalog::BookRecord record = m_job.recordAtEnd ? m_job.recordAtEnd() : catalog::BookRecord{};
    record.path = m_path;
    const catalog::Change change = catalog::CatalogStore(catalog::CatalogStore::pathIn(m_job.appDir)).addBook(record);
    QString note;
    switch (change.outcome) {
    case catalog::Outcome::Done:
        break;
    case catalog::Outcome::CatalogMissing:
        note = QStringLiteral("连环画已下载到“%1”，但数据库文件丢失，没有加入书库。").arg(m_path);
        break;
    case catalog::Outcome::Duplicate:
        note = QStringLiteral("连环画已下载到“%1”，书库中已有这个文件的记录。").arg(m_path);
        break;
    default:
        note = QStringLiteral("连环画已下载到“%1”，但数据库写入错误，没有加入书库。").arg(m_path);
        break;
    }
    end(true, note);
}

void Downloader::fail(const QString &message)
{
    dropFetches();
    // An unfinished book goes with its writer: nothing is left behind.
    m_writer.reset();
    end(false, message);
}

void Downloader::end(bool ok, const QString &message)
{
    m_running = false;
    emit finished(ok, message);
}

void Downloader::dropFetches()
{
    // Later, not now: the fetch whose end brought us here is still at work.
    for (auto &[index, fetch] : m_fetches) {
        fetch->cancel();
        fetch->deleteLater();
    }
    m_fetches.clear();
    if (m_script) {
        m_script->cancel();
        m_script->deleteLater();
        m_script = nullptr;
    }
}

} // namespace korvel::web
