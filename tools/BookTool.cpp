#include "tools/BookTool.h"

#include "archive/ComicArchive.h"
#include "archive/PictureSource.h"
#include "book/BookReader.h"
#include "book/BookWriter.h"
#include "db/Connection.h"
#include "platform/NewFile.h"
#include "tools/PictureCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTextStream>

#include <cerrno>
#include <functional>
#include <optional>

namespace korvel::tools {

QString bookToolManual()
{
    return QStringLiteral(
        "NAME\n"
        "    korvel-lhh - look into, check and make Korvel picture-story books (.lhh)\n"
        "\n"
        "SYNOPSIS\n"
        "    korvel-lhh info BOOK\n"
        "    korvel-lhh pages BOOK\n"
        "    korvel-lhh extract BOOK DIR [-f]\n"
        "    korvel-lhh make -o BOOK [-f] [METADATA...] PICTURE... | DIR\n"
        "    korvel-lhh from-archive ARCHIVE -o BOOK [-f] [METADATA...]\n"
        "    korvel-lhh to-cbz BOOK -o ARCHIVE [-f]\n"
        "    korvel-lhh verify BOOK...\n"
        "    korvel-lhh --help\n"
        "\n"
        "DESCRIPTION\n"
        "    Books are only ever read read-only; a new book or archive is built in a\n"
        "    hidden file beside its target and takes the target's name only when it is\n"
        "    complete, so a failure never leaves half a file and never harms the file\n"
        "    that was there. A book open in Korvel is held and cannot be read here.\n"
        "    Nothing is ever written through a symbolic link: with -f a link of the\n"
        "    target's name is replaced itself, and what it points to is left alone.\n"
        "\n"
        "COMMANDS\n"
        "    info BOOK\n"
        "        The book's data (title, summary, writer, sign, publisher, publishdate,\n"
        "        drawer, url, coverdrawer) and its number of pages.\n"
        "    pages BOOK\n"
        "        One line a page: the position, the stored page number, the picture's\n"
        "        format, its size in pixels and its size in bytes.\n"
        "    extract BOOK DIR\n"
        "        Writes every page's bytes, unchanged, into DIR (made when missing) as\n"
        "        0.jpg, 1.png ... by position and by each picture's real format. A\n"
        "        name that is already there is refused unless -f is given.\n"
        "    make -o BOOK PICTURE... | DIR\n"
        "        A new book of the pictures in the order given, or of the pictures in\n"
        "        DIR in natural order (page2 before page10).\n"
        "    from-archive ARCHIVE -o BOOK\n"
        "        A new book of the pictures of a comic archive: .cbz/.zip, .cbr/.rar,\n"
        "        .cb7/.7z or .cbt/.tar, in natural order of their names, with the data\n"
        "        of its ComicInfo.xml when it has one. Entries that are not pictures,\n"
        "        and entries named outside the archive (../x, /x), are left unread.\n"
        "    to-cbz BOOK -o ARCHIVE\n"
        "        A .cbz of the book's pages, stored unchanged, with a ComicInfo.xml\n"
        "        made from the book's data.\n"
        "    verify BOOK...\n"
        "        Decodes every page of every book and names each damaged one.\n"
        "\n"
        "OPTIONS\n"
        "    -o, --output FILE   the book or archive to write\n"
        "    -f, --force         replace FILE (extract: the page files) when it exists\n"
        "    --title T, --summary T, --writer T, --sign T, --publisher T,\n"
        "    --publishdate T, --drawer T, --coverdrawer T, --url T\n"
        "                        the new book's data (make, from-archive); the title\n"
        "                        defaults to the archive's ComicInfo.xml title, else\n"
        "                        to the name of the output file\n"
        "    -h, --help          this text\n"
        "\n"
        "EXIT STATUS\n"
        "    0  done (verify: every page of every book is sound)\n"
        "    1  a book, archive, picture or output file failed, or verify found a\n"
        "       damaged page; the reason is on standard error\n"
        "    2  the command line is wrong\n");
}

namespace {

struct Args {
    QString command;
    QStringList files;
    QString output;
    bool force = false;
    book::BookMeta meta;
    QStringList metaGiven;
};

class Tool {
public:
    Tool(const ToolContext &context, QTextStream &out, QTextStream &err)
        : m_context(context)
        , m_out(out)
        , m_err(err)
    {
    }

    int run(const QStringList &argv);

private:
    int usage(const QString &problem)
    {
        m_err << "korvel-lhh: " << problem << "\n"
              << "Try 'korvel-lhh --help' for how it is used.\n";
        m_err.flush();
        return Usage;
    }
    int fail(const QString &problem)
    {
        m_err << "korvel-lhh: " << problem << "\n";
        m_err.flush();
        return Failed;
    }
    void progress(const QString &what, int done, int total)
    {
        if (!m_context.showProgress)
            return;
        m_err << "\r" << what << ": " << done;
        if (total > 0)
            m_err << "/" << total;
        m_err.flush();
    }
    void endProgress()
    {
        if (m_context.showProgress) {
            m_err << "\n";
            m_err.flush();
        }
    }

    std::optional<int> parse(const QStringList &argv, Args *args);
    std::optional<int> openBook(const QString &path, db::Connection *book);
    std::optional<int> checkOutput(const Args &args);
    int writeBook(const Args &args, const std::function<int(book::BookWriter &)> &addPages, int pageCount);

    int info(const Args &args);
    int pages(const Args &args);
    int extract(const Args &args);
    int make(const Args &args);
    int fromArchive(const Args &args);
    int toCbz(const Args &args);
    int verify(const Args &args);

    const ToolContext &m_context;
    QTextStream &m_out;
    QTextStream &m_err;
};

QString describe(const archive::ArchiveError &e, const QString &path)
{
    const QString entry = e.entry.isEmpty() ? QString() : QStringLiteral(" (entry %1)").arg(e.entry);
    const QString detail = e.detail.isEmpty() ? QString() : QStringLiteral(": ") + e.detail;
    switch (e.kind) {
    case archive::ArchiveError::None:
        return QString();
    case archive::ArchiveError::Unreadable:
        return QStringLiteral("%1: cannot be read (missing, a folder or no permission)").arg(path);
    case archive::ArchiveError::Damaged:
        return QStringLiteral("%1: damaged or not a comic archive%2%3").arg(path, entry, detail);
    case archive::ArchiveError::Encrypted:
        return QStringLiteral("%1: encrypted; a book cannot be made of pages behind a password%2").arg(path, entry);
    case archive::ArchiveError::Empty:
        return QStringLiteral("%1: the archive is empty").arg(path);
    case archive::ArchiveError::NoPictures:
        return QStringLiteral("%1: the archive holds no pictures").arg(path);
    case archive::ArchiveError::BadPicture:
        return QStringLiteral("%1: named as a picture but not one, so the archive is damaged%2").arg(path, entry);
    case archive::ArchiveError::TooLarge:
        return QStringLiteral("%1: larger than a book may hold%2").arg(path, entry);
    case archive::ArchiveError::WriteFailed:
        return QStringLiteral("%1: cannot be written%2%3").arg(path, entry, detail);
    }
    return QString();
}

} // namespace

std::optional<int> Tool::parse(const QStringList &argv, Args *args)
{
    struct MetaOption {
        const char *name;
        QString book::BookMeta::*field;
    };
    static const MetaOption metaOptions[] = {
        {"--title", &book::BookMeta::title},         {"--summary", &book::BookMeta::summary},
        {"--writer", &book::BookMeta::writer},       {"--sign", &book::BookMeta::sign},
        {"--publisher", &book::BookMeta::publisher}, {"--publishdate", &book::BookMeta::publishdate},
        {"--drawer", &book::BookMeta::drawer},       {"--coverdrawer", &book::BookMeta::coverdrawer},
        {"--url", &book::BookMeta::url},
    };
    bool optionsEnded = false;
    for (int i = 0; i < argv.size(); ++i) {
        const QString a = argv.at(i);
        if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            if (args->command.isEmpty())
                args->command = a;
            else
                args->files << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = a, value;
        bool hasValue = false;
        if (a.startsWith(QLatin1String("--")) && a.contains(QLatin1Char('='))) {
            name = a.section(QLatin1Char('='), 0, 0);
            value = a.section(QLatin1Char('='), 1);
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= argv.size())
                return false;
            value = argv.at(++i);
            return true;
        };
        if (name == QLatin1String("-f") || name == QLatin1String("--force")) {
            args->force = true;
        } else if (name == QLatin1String("-o") || name == QLatin1String("--output")) {
            if (!takeValue())
                return usage(QStringLiteral("%1 needs a file name").arg(name));
            args->output = value;
        } else {
            const MetaOption *found = nullptr;
            for (const MetaOption &m : metaOptions) {
                if (name == QLatin1String(m.name))
                    found = &m;
            }
            if (!found)
                return usage(QStringLiteral("unknown option %1").arg(name));
            if (!takeValue())
                return usage(QStringLiteral("%1 needs a text").arg(name));
            args->meta.*(found->field) = value;
            args->metaGiven << name;
        }
    }
    return std::nullopt;
}

int Tool::run(const QStringList &argv)
{
    if (argv.isEmpty())
        return usage(QStringLiteral("no command given"));
    if (argv.contains(QStringLiteral("--help")) || argv.contains(QStringLiteral("-h"))
        || argv.first() == QLatin1String("help")) {
        m_out << bookToolManual();
        m_out.flush();
        return Success;
    }
    Args args;
    if (auto r = parse(argv, &args))
        return *r;
    const QString &c = args.command;
    const bool writes = c == QLatin1String("make") || c == QLatin1String("from-archive") || c == QLatin1String("to-cbz");
    if (!writes && (!args.output.isEmpty() || (args.force && c != QLatin1String("extract")) || !args.metaGiven.isEmpty()))
        return usage(QStringLiteral("%1 takes no options").arg(c));
    if (c == QLatin1String("to-cbz") && !args.metaGiven.isEmpty())
        return usage(QStringLiteral("to-cbz takes the book's own data; %1 is not for it").arg(args.metaGiven.first()));
    if (writes && args.output.isEmpty())
        return usage(QStringLiteral("%1 needs -o and the file to write").arg(c));
    auto needFiles = [&](int n, const char *what) -> std::optional<int> {
        if (args.files.size() != n)
            return usage(QStringLiteral("%1 takes %2").arg(c, QLatin1String(what)));
        return std::nullopt;
    };
    if (c == QLatin1String("info")) {
        if (auto r = needFiles(1, "one book"))
            return *r;
        return info(args);
    }
    if (c == QLatin1String("pages")) {
        if (auto r = needFiles(1, "one book"))
            return *r;
        return pages(args);
    }
    if (c == QLatin1String("extract")) {
        if (auto r = needFiles(2, "a book and a folder"))
            return *r;
        return extract(args);
    }
    if (c == QLatin1String("make")) {
        if (args.files.isEmpty())
            return usage(QStringLiteral("make takes pictures or one folder"));
        return make(args);
    }
    if (c == QLatin1String("from-archive")) {
        if (auto r = needFiles(1, "one archive"))
            return *r;
        return fromArchive(args);
    }
    if (c == QLatin1String("to-cbz")) {
        if (auto r = needFiles(1, "one book"))
            return *r;
        return toCbz(args);
    }
    if (c == QLatin1String("verify")) {
        if (args.files.isEmpty())
            return usage(QStringLiteral("verify takes one or more books"));
        return verify(args);
    }
    return usage(QStringLiteral("unknown command %1").arg(c));
}

std::optional<int> Tool::openBook(const QString &path, db::Connection *book)
{
    db::Error e = book->open(path, db::Access::ReadOnly);
    if (!e)
        return std::nullopt;
    switch (e.code) {
    case db::NoSuchFile:
        return fail(QStringLiteral("%1: no such file").arg(path));
    case db::NotAFile:
        return fail(QStringLiteral("%1: not a file").arg(path));
    case db::Held:
        return fail(QStringLiteral("%1: the book is open in Korvel; close it there first").arg(path));
    case db::Unreadable:
        return fail(QStringLiteral("%1: cannot be read: %2").arg(path, e.message));
    default:
        return fail(QStringLiteral("%1: damaged or not a book (%2)").arg(path, e.message));
    }
}

int Tool::info(const Args &args)
{
    const QString path = args.files.first();
    db::Connection book;
    if (auto r = openBook(path, &book))
        return *r;
    QVector<qint32> numbers;
    if (db::Error e = book::readPageNumbers(book, &numbers))
        return fail(QStringLiteral("%1: its page list cannot be read: %2").arg(path, e.message));
    db::Error e;
    const book::BookMeta meta = book::readBookMeta(book, &e);
    if (e)
        return fail(QStringLiteral("%1: its data cannot be read: %2").arg(path, e.message));
    const struct {
        const char *name;
        const QString &value;
    } rows[] = {{"title", meta.title},         {"summary", meta.summary},   {"writer", meta.writer},
                {"sign", meta.sign},           {"publisher", meta.publisher}, {"publishdate", meta.publishdate},
                {"drawer", meta.drawer},       {"url", meta.url},           {"coverdrawer", meta.coverdrawer}};
    for (const auto &row : rows)
        m_out << row.name << ": " << row.value << "\n";
    m_out << "pages: " << numbers.size() << "\n";
    m_out.flush();
    return Success;
}

int Tool::pages(const Args &args)
{
    const QString path = args.files.first();
    db::Connection book;
    if (auto r = openBook(path, &book))
        return *r;
    book::PageList list;
    if (db::Error e = book::readPageList(book, &list))
        return fail(QStringLiteral("%1: its page list cannot be read: %2").arg(path, e.message));
    const QVector<qint32> &numbers = list.numbers;
    m_out << "position\tnumber\tformat\tsize\tbytes\n";
    for (int i = 0; i < numbers.size(); ++i) {
        const book::PageRead page = book::readListedPage(book, list, i);
        if (page.error)
            return fail(QStringLiteral("%1: page %2 cannot be read: %3").arg(path).arg(i).arg(page.error.message));
        QString format = QStringLiteral("none"), size = QStringLiteral("-");
        if (!page.isNull) {
            QSize natural;
            const QByteArray f = archive::pictureFormat(page.bytes, &natural);
            format = f.isEmpty() ? QStringLiteral("unknown") : QString::fromLatin1(f);
            if (!f.isEmpty())
                size = QStringLiteral("%1x%2").arg(natural.width()).arg(natural.height());
        }
        m_out << i << "\t" << numbers.at(i) << "\t" << format << "\t" << size << "\t" << page.bytes.size() << "\n";
    }
    m_out.flush();
    return Success;
}

int Tool::extract(const Args &args)
{
    const QString path = args.files.at(0);
    const QString folder = args.files.at(1);
    db::Connection book;
    if (auto r = openBook(path, &book))
        return *r;
    book::PageList list;
    if (db::Error e = book::readPageList(book, &list))
        return fail(QStringLiteral("%1: its page list cannot be read: %2").arg(path, e.message));
    const QVector<qint32> &numbers = list.numbers;
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
        return fail(QStringLiteral("%1: not a folder").arg(folder));
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("%1: the folder cannot be made").arg(folder));
    int written = 0;
    for (int i = 0; i < numbers.size(); ++i) {
        const book::PageRead page = book::readListedPage(book, list, i);
        if (page.error) {
            endProgress();
            return fail(QStringLiteral("%1: page %2 cannot be read: %3").arg(path).arg(i).arg(page.error.message));
        }
        if (page.isNull) {
            m_err << "korvel-lhh: " << path << ": page " << i << " has no picture; nothing written for it\n";
            continue;
        }
        const QString name = QStringLiteral("%1/%2.%3").arg(folder).arg(i).arg(
            archive::extensionFor(archive::pictureFormat(page.bytes)));
        // Written beside the name and renamed onto it: never through a link
        // there, and over an existing name only with -f.
        platform::NewFile file(name);
        if (!file.open() || !file.write(page.bytes) || !file.commit(args.force)) {
            endProgress();
            if (file.error() == EEXIST)
                return fail(QStringLiteral("%1: already there; -f replaces it").arg(name));
            return fail(QStringLiteral("%1: cannot be written: %2").arg(name, platform::writeFailure(file.error())));
        }
        ++written;
        progress(QStringLiteral("extract"), i + 1, int(numbers.size()));
    }
    endProgress();
    m_out << written << " pages written to " << folder << "\n";
    m_out.flush();
    return Success;
}

std::optional<int> Tool::checkOutput(const Args &args)
{
    const QFileInfo target(args.output);
    if (target.isDir())
        return fail(QStringLiteral("%1: a folder, not a file").arg(args.output));
    // A link is a name that is there, wherever it points.
    if ((target.exists() || target.isSymLink()) && !args.force)
        return fail(QStringLiteral("%1: already there; -f replaces it").arg(args.output));
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        return fail(QStringLiteral("%1: its folder does not exist").arg(args.output));
    if (!folder.isWritable())
        return fail(QStringLiteral("%1: its folder cannot be written").arg(args.output));
    return std::nullopt;
}

int Tool::writeBook(const Args &args, const std::function<int(book::BookWriter &)> &addPages, int pageCount)
{
    if (!QFileInfo(m_context.templatePath).isFile())
        return fail(QStringLiteral("the empty book %1 is missing beside the program").arg(m_context.templatePath));
    book::BookMeta meta = args.meta;
    if (meta.title.isEmpty())
        meta.title = QFileInfo(args.output).completeBaseName();
    book::BookWriter writer(m_context.templatePath, args.output);
    if (db::Error e = writer.begin(meta, !meta.url.isEmpty()))
        return fail(QStringLiteral("%1: cannot be written: %2").arg(args.output, e.message));
    if (int r = addPages(writer)) {
        endProgress();
        return r;
    }
    endProgress();
    if (db::Error e = writer.commit(args.force))
        return fail(QStringLiteral("%1: cannot be written: %2").arg(args.output, e.message));
    m_out << args.output << ": " << pageCount << " pages\n";
    m_out.flush();
    return Success;
}

int Tool::make(const Args &args)
{
    QStringList pictures;
    if (args.files.size() == 1 && QFileInfo(args.files.first()).isDir()) {
        QString error;
        pictures = archive::picturesInFolder(args.files.first(), &error);
        if (!error.isEmpty())
            return fail(QStringLiteral("%1: the folder cannot be read").arg(args.files.first()));
        if (pictures.isEmpty())
            return fail(QStringLiteral("%1: the folder holds no pictures").arg(args.files.first()));
    } else {
        pictures = args.files;
    }
    if (auto r = checkOutput(args))
        return *r;
    // Every picture is checked before anything is written.
    for (const QString &p : pictures) {
        if (QFileInfo(p).isDir())
            return fail(QStringLiteral("%1: a folder; give either one folder or pictures").arg(p));
        if (archive::pictureFileFormat(p).isEmpty())
            return fail(QStringLiteral("%1: missing, unreadable or not a picture").arg(p));
        if (QFileInfo(p).absoluteFilePath() == QFileInfo(args.output).absoluteFilePath())
            return fail(QStringLiteral("%1: the book would replace one of its own pictures").arg(p));
    }
    return writeBook(
        args,
        [&](book::BookWriter &w) {
            for (int i = 0; i < pictures.size(); ++i) {
                if (db::Error e = w.addPageFile(pictures.at(i)))
                    return fail(QStringLiteral("%1: %2").arg(pictures.at(i), e.message));
                progress(QStringLiteral("make"), i + 1, int(pictures.size()));
            }
            return int(Success);
        },
        int(pictures.size()));
}

int Tool::fromArchive(const Args &args)
{
    const QString path = args.files.first();
    if (auto r = checkOutput(args))
        return *r;
    // The headers first, which tells every refusal before a book is begun;
    // then each page goes into the book as it is read, one in memory at a time.
    archive::ComicListing comic;
    if (const archive::ArchiveError e = archive::listComicArchive(path, &comic))
        return fail(describe(e, path));
    for (const QString &name : comic.unsafe)
        m_err << "korvel-lhh: " << path << ": entry " << name << " points outside the archive; left out\n";
    Args withMeta = args;
    // What the command line says wins over the archive's own data.
    if (comic.meta.found) {
        book::BookMeta m = comic.meta;
        const book::BookMeta &given = args.meta;
        for (QString book::BookMeta::*f : {&book::BookMeta::title, &book::BookMeta::summary, &book::BookMeta::writer,
                                           &book::BookMeta::sign, &book::BookMeta::publisher,
                                           &book::BookMeta::publishdate, &book::BookMeta::drawer,
                                           &book::BookMeta::coverdrawer, &book::BookMeta::url}) {
            if (!(given.*f).isEmpty())
                m.*f = given.*f;
        }
        withMeta.meta = m;
    }
    if (withMeta.meta.title.isEmpty())
        withMeta.meta.title = QFileInfo(path).completeBaseName();
    const int count = int(comic.pageNames.size());
    return writeBook(
        withMeta,
        [&](book::BookWriter &w) {
            int done = 0;
            QString writeError;
            const archive::ArchiveError e = archive::readComicPages(
                path, comic, [&](int position, const archive::ArchivePage &page) -> archive::ArchiveError {
                    if (db::Error we = w.addPageAt(position, page.bytes)) {
                        writeError = we.message;
                        return {archive::ArchiveError::WriteFailed, page.name, we.message};
                    }
                    progress(QStringLiteral("writing"), ++done, count);
                    return {};
                });
            if (!writeError.isEmpty())
                return fail(QStringLiteral("%1: cannot be written: %2").arg(args.output, writeError));
            if (e) {
                endProgress();
                return fail(describe(e, path));
            }
            return int(Success);
        },
        count);
}

int Tool::toCbz(const Args &args)
{
    const QString path = args.files.first();
    if (auto r = checkOutput(args))
        return *r;
    if (QFileInfo(path).absoluteFilePath() == QFileInfo(args.output).absoluteFilePath())
        return fail(QStringLiteral("%1: the archive would replace the book itself").arg(args.output));
    db::Connection book;
    if (auto r = openBook(path, &book))
        return *r;
    book::PageList list;
    if (db::Error e = book::readPageList(book, &list))
        return fail(QStringLiteral("%1: its page list cannot be read: %2").arg(path, e.message));
    db::Error metaError;
    const book::BookMeta meta = book::readBookMeta(book, &metaError);
    const int count = int(list.numbers.size());
    if (count == 0)
        return fail(QStringLiteral("%1: the book has no pictures").arg(path));
    int pictures = 0;
    QString readError;
    // Each page goes from the book into the archive: one in memory at a time.
    const archive::ArchiveError e = archive::writeCbz(
        args.output, count,
        [&](int i, QString *error) -> QByteArray {
            book::PageRead page = book::readListedPage(book, list, i);
            if (page.error) {
                readError = QStringLiteral("%1: page %2 cannot be read: %3").arg(path).arg(i).arg(page.error.message);
            } else if (page.isNull || page.bytes.isEmpty()) {
                if (m_context.showProgress)
                    m_err << "\n";
                m_err << "korvel-lhh: " << path << ": page " << i << " has no picture; left out\n";
            } else {
                ++pictures;
            }
            if (readError.isEmpty() && i == count - 1 && pictures == 0)
                readError = QStringLiteral("%1: the book has no pictures").arg(path);
            *error = readError;
            return readError.isEmpty() && !page.isNull ? std::move(page.bytes) : QByteArray();
        },
        meta, [&](int n) { progress(QStringLiteral("writing"), n, count); }, args.force);
    endProgress();
    if (!readError.isEmpty())
        return fail(readError);
    if (e) {
        if (e.detail.contains(QLatin1String("already there")))
            return fail(QStringLiteral("%1: already there; -f replaces it").arg(args.output));
        return fail(describe(e, args.output));
    }
    m_out << args.output << ": " << pictures << " pages\n";
    m_out.flush();
    return Success;
}

int Tool::verify(const Args &args)
{
    int result = Success;
    for (const QString &path : args.files) {
        db::Connection book;
        if (openBook(path, &book)) {
            result = Failed;
            continue;
        }
        book::PageList list;
        if (db::Error e = book::readPageList(book, &list)) {
            fail(QStringLiteral("%1: its page list cannot be read: %2").arg(path, e.message));
            result = Failed;
            continue;
        }
        const QVector<qint32> &numbers = list.numbers;
        int damaged = 0;
        for (int i = 0; i < numbers.size(); ++i) {
            const book::PageRead page = book::readListedPage(book, list, i);
            QString fault;
            if (page.error)
                fault = QStringLiteral("cannot be read: ") + page.error.message;
            else if (!page.found)
                fault = QStringLiteral("is gone from the book");
            else if (page.isNull)
                fault = QStringLiteral("has no picture");
            else
                fault = checkPicture(page.bytes);
            progress(path, i + 1, int(numbers.size()));
            if (fault.isEmpty())
                continue;
            ++damaged;
            if (m_context.showProgress)
                m_err << "\n";
            m_out << path << ": page " << i << " (stored number " << numbers.at(i) << "): " << fault << "\n";
            m_out.flush();
        }
        endProgress();
        if (damaged) {
            result = Failed;
            m_out << path << ": " << damaged << " of " << numbers.size() << " pages damaged\n";
        } else {
            m_out << path << ": " << numbers.size() << " pages, all sound\n";
        }
        m_out.flush();
    }
    return result;
}

int runBookTool(const QStringList &args, const ToolContext &context, QTextStream &out, QTextStream &err)
{
    Tool tool(context, out, err);
    return tool.run(args);
}

} // namespace korvel::tools
