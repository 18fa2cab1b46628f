#include "demo/DemoData.h"

#include "book/BookFile.h"
#include "book/BookWriter.h"
#include "book/Sql.h"
#include "catalog/Schema.h"
#include "db/Connection.h"
#include "demo/PageArt.h"
#include "maker/GifWriter.h"
#include "platform/FileLock.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QTemporaryDir>

namespace korvel::demo {

namespace {

using book::BookMeta;
using book::sqlText;

enum class Format { Jpeg, Png, Gif, Bmp24, Bmp8 };

struct DemoPage {
    Format format;
    QString caption;
    QVector<Panel> panels;
    QSize size = QSize(800, 1100);
};

struct DemoBook {
    QString file;
    QString className; // the category it is filed under
    BookMeta meta;
    QColor accent;
    QString credits; // the cover's bottom line
    QVector<DemoPage> pages; // page 0 is the cover
};

Actor at(Character who, qreal x, qreal foot, qreal height, int pose = 0)
{
    return Actor{who, x, foot, height, pose};
}

// A close-up: the figure is so large that only head and shoulders fit.
Panel closeup(Character who, const QString &speech = {}, int pose = 0)
{
    return Panel{Scene::Closeup, {at(who, 0.5, 1.55, 1.3, pose)}, speech};
}

using C = Character;
using S = Scene;

DemoBook journeyWest()
{
    DemoBook b;
    b.file = QStringLiteral("西游记 第一册.lhh");
    b.className = QStringLiteral("西游记");
    b.meta.title = QStringLiteral("西游记 第一册");
    b.meta.summary = QStringLiteral("石猴出世，拜师学艺，龙宫借宝，大闹天宫，最后被压在五行山下。");
    b.meta.writer = QStringLiteral("吴承恩 原著");
    b.meta.sign = QStringLiteral("Korvel 示例");
    b.meta.publisher = QStringLiteral("河畔美术出版社");
    b.meta.publishdate = QStringLiteral("1980年5月");
    b.meta.drawer = QStringLiteral("林一舟");
    b.meta.coverdrawer = QStringLiteral("周晓");
    b.accent = QColor(176, 44, 36);
    b.credits = QStringLiteral("吴承恩 原著　　林一舟 绘");
    b.pages = {
        {Format::Jpeg, {}, {Panel{S::Mountains, {at(C::Monkey, 0.5, 0.92, 0.55, 1)}}}},
        {Format::Png, QStringLiteral("东海之外有一座花果山，山顶上立着一块仙石，天天吸收日月的精华。"),
         {Panel{S::Mountains, {}}}},
        {Format::Jpeg, QStringLiteral("一天，仙石忽然迸裂，跳出一只石猴。他眼里射出两道金光，直冲天宫。"),
         {Panel{S::Mountains, {at(C::Monkey, 0.5, 0.9, 0.42, 2)}}, closeup(C::Monkey, QStringLiteral("俺出世啦！"))}},
        {Format::Gif, QStringLiteral("石猴第一个跳进瀑布，发现了水帘洞。众猴拜他为王，称他美猴王。"),
         {Panel{S::Waterfall, {at(C::Monkey, 0.5, 0.78, 0.3, 2)}},
          Panel{S::Mountains, {at(C::Monkey, 0.3, 0.95, 0.4, 3), at(C::Monkey, 0.7, 0.95, 0.36, 2)}, QStringLiteral("大王！")},
          closeup(C::Monkey, QStringLiteral("我是美猴王！"))}},
        {Format::Png, QStringLiteral("美猴王想学长生不老的本领，独自扎了木筏，漂洋过海去寻访神仙。"),
         {Panel{S::Sea, {at(C::Monkey, 0.33, 0.8, 0.32, 3)}}}, QSize(1800, 600)},
        {Format::Jpeg, QStringLiteral("他在灵台方寸山拜须菩提祖师为师，祖师给他取名叫孙悟空。"),
         {Panel{S::Temple, {at(C::Master, 0.36, 0.93, 0.45, 3), at(C::Monkey, 0.64, 0.93, 0.3)}, QStringLiteral("就叫孙悟空吧。")}}},
        {Format::Bmp24, QStringLiteral("悟空学会了七十二般变化，还会驾筋斗云，一个筋斗就是十万八千里。"),
         {Panel{S::Clouds, {at(C::Monkey, 0.35, 0.62, 0.4, 2)}}, closeup(C::Monkey, QStringLiteral("变！"))}},
        {Format::Jpeg, QStringLiteral("回到花果山，悟空想要一件称手的兵器，便分开水路，来到东海龙宫。"),
         {Panel{S::Underwater, {at(C::Monkey, 0.26, 0.9, 0.36, 3)}}}},
        {Format::Jpeg, QStringLiteral("龙宫里有一根定海神针。悟空一叫，它变成了一根如意金箍棒。"),
         {Panel{S::Underwater, {at(C::Monkey, 0.26, 0.9, 0.32, 3)}, QStringLiteral("小些！再小些！")},
          closeup(C::Monkey, {}, 1), Panel{S::Mountains, {at(C::Monkey, 0.5, 0.92, 0.45, 1)}}},
         QSize(2400, 3200)},
        {Format::Png, QStringLiteral("玉帝把悟空召上天宫，封他做了弼马温。"),
         {Panel{S::Palace, {at(C::Guard, 0.18, 0.96, 0.36, 1), at(C::Monkey, 0.5, 0.96, 0.3), at(C::Guard, 0.82, 0.96, 0.36, 1)}}}},
        {Format::Gif, QStringLiteral("悟空知道弼马温是个看马的小官，一气之下回到花果山，自称齐天大圣。"),
         {closeup(C::Monkey, QStringLiteral("我要做齐天大圣！")), Panel{S::Mountains, {at(C::Monkey, 0.5, 0.92, 0.45, 1)}}}},
        {Format::Jpeg, QStringLiteral("玉帝派天兵天将来捉拿悟空，都被他打得大败而回。"),
         {Panel{S::Clouds, {at(C::Monkey, 0.72, 0.6, 0.38, 1), at(C::Guard, 0.2, 0.72, 0.3, 1), at(C::Guard, 0.42, 0.78, 0.28, 1)},
                QStringLiteral("来得好！")},
          closeup(C::Guard, {}, 3)}},
        {Format::Jpeg, QStringLiteral("悟空被捉，放进太上老君的八卦炉里炼了七七四十九天，反倒炼出了一双火眼金睛。"),
         {Panel{S::Furnace, {}}, closeup(C::Monkey, QStringLiteral("好热！"))}},
        {Format::Png, QStringLiteral("最后，如来佛祖把悟空压在了五行山下。（第一册完）"),
         {Panel{S::Mountains, {at(C::Monkey, 0.5, 0.96, 0.2, 3)}, {}, true}}},
    };
    return b;
}

DemoBook littleHero()
{
    DemoBook b;
    b.file = QStringLiteral("小英雄雨来.lhh");
    b.className = QStringLiteral("现代故事");
    b.meta.title = QStringLiteral("小英雄雨来");
    b.meta.summary = QStringLiteral("芦花村的孩子雨来掩护交通员李大叔，面对敌人的威逼利诱毫不屈服，最后机智地从河里脱险。");
    b.meta.writer = QStringLiteral("管桦 原著");
    b.meta.sign = QStringLiteral("Korvel 示例");
    b.meta.publisher = QStringLiteral("北方少年出版社");
    b.meta.publishdate = QStringLiteral("1975年10月");
    b.meta.drawer = QStringLiteral("陈大林");
    b.meta.coverdrawer = QStringLiteral("陈大林");
    b.accent = QColor(36, 104, 150);
    b.credits = QStringLiteral("管桦 原著　　陈大林 绘");
    b.pages = {
        {Format::Jpeg, {}, {Panel{S::River, {at(C::Boy, 0.5, 0.97, 0.45, 2)}}}},
        {Format::Jpeg, QStringLiteral("还乡河边有个芦花村。夏天芦花一开，满村飘着白絮。雨来就住在这个村里。"),
         {Panel{S::River, {}}, Panel{S::Village, {at(C::Boy, 0.5, 0.95, 0.42, 3)}, QStringLiteral("我叫雨来！")}}},
        {Format::Png, QStringLiteral("雨来最爱游泳，一个猛子扎下去，好半天才从老远的地方钻出来。"),
         {Panel{S::Reeds, {at(C::Boy, 0.5, 1.0, 0.5, 2)}, QStringLiteral("我在这儿！")},
          Panel{S::River, {at(C::Boy, 0.3, 0.96, 0.32, 3)}}}},
        {Format::Gif, QStringLiteral("夜校里，女老师一字一字地教大家念：我们是中国人，我们爱自己的祖国。"),
         {Panel{S::Classroom, {at(C::Teacher, 0.16, 0.96, 0.6, 3), at(C::Boy, 0.72, 1.0, 0.36)}},
          closeup(C::Boy, QStringLiteral("我们是中国人！"))}},
        {Format::Jpeg, QStringLiteral("一天，交通员李大叔被敌人追赶，一头闯进了雨来家的院子。"),
         {Panel{S::Courtyard, {at(C::Uncle, 0.4, 0.96, 0.5, 3), at(C::Boy, 0.75, 0.96, 0.36)}, QStringLiteral("快藏起来！")},
          Panel{S::Village, {at(C::Soldier, 0.3, 0.92, 0.38, 1), at(C::Soldier, 0.56, 0.92, 0.34, 1)}}}},
        {Format::Bmp8, QStringLiteral("雨来和妈妈搬开水缸，让李大叔钻进地洞，又把水缸挪回原处。"),
         {Panel{S::Courtyard, {at(C::Uncle, 0.3, 0.96, 0.48), at(C::Boy, 0.52, 0.96, 0.36, 3)}, QStringLiteral("好孩子！")}}},
        {Format::Jpeg, QStringLiteral("敌人闯进院子，一把抓住了雨来。"),
         {Panel{S::Courtyard, {at(C::Soldier, 0.25, 0.96, 0.5, 3), at(C::Boy, 0.55, 0.96, 0.36, 2), at(C::Soldier, 0.82, 0.96, 0.5, 1)}},
          closeup(C::Soldier, QStringLiteral("人在哪里？"))}},
        {Format::Png, QStringLiteral("敌人拿出糖块哄雨来，要他说出李大叔藏在哪儿。雨来扭过头去，一声不吭。"),
         {closeup(C::Soldier, QStringLiteral("说了就给你糖。")), closeup(C::Boy, QStringLiteral("……")),
          Panel{S::Courtyard, {at(C::Boy, 0.35, 0.96, 0.4), at(C::Soldier, 0.65, 0.96, 0.52, 3)}}}},
        {Format::Jpeg, QStringLiteral("敌人打他，雨来咬紧牙，只说：“我没看见！”"),
         {closeup(C::Boy, QStringLiteral("我没看见！"))}},
        {Format::Gif, QStringLiteral("敌人把雨来拖到了河边……"),
         {Panel{S::Village, {at(C::Soldier, 0.3, 0.95, 0.45, 1), at(C::Boy, 0.62, 0.95, 0.34, 2)}},
          Panel{S::River, {at(C::Boy, 0.4, 0.97, 0.3, 2), at(C::Soldier, 0.65, 0.97, 0.4, 1)}},
          Panel{S::Reeds, {}}},
         QSize(500, 1800)},
        {Format::Jpeg, QStringLiteral("河边响起了几声枪响。乡亲们都以为雨来牺牲了，难过得直掉眼泪。"),
         {Panel{S::River, {}, {}, true}, Panel{S::Village, {at(C::Villager, 0.32, 0.95, 0.42), at(C::Villager, 0.62, 0.95, 0.4)}}}},
        {Format::Png, QStringLiteral("李大叔从地洞里出来，听说了雨来的事，心里像刀割一样难受。"),
         {Panel{S::Courtyard, {at(C::Uncle, 0.45, 0.96, 0.52)}, {}, true}, closeup(C::Uncle, QStringLiteral("雨来！"))}},
        {Format::Jpeg, QStringLiteral("忽然，芦苇丛里钻出一个小脑袋——原来雨来早就扎进河里，从水底游走了！"),
         {Panel{S::Reeds, {at(C::Boy, 0.5, 1.0, 0.55, 2)}, QStringLiteral("我在这儿哪！")},
          Panel{S::River, {at(C::Uncle, 0.38, 0.96, 0.36, 2), at(C::Boy, 0.62, 0.96, 0.3, 2)}}}},
    };
    return b;
}

QVector<DemoBook> demoBooks()
{
    return {journeyWest(), littleHero()};
}

QString fileSuffix(Format f)
{
    switch (f) {
    case Format::Jpeg: return QStringLiteral("jpg");
    case Format::Png: return QStringLiteral("png");
    case Format::Gif: return QStringLiteral("gif");
    case Format::Bmp24:
    case Format::Bmp8: return QStringLiteral("bmp");
    }
    return {};
}

// Empty when the picture was written, else why not.
QString savePicture(const QImage &image, Format format, const QString &path)
{
    if (format == Format::Gif)
        return maker::writeGif(image, path).error;
    QImageWriter w(path);
    QImage out = image;
    switch (format) {
    case Format::Jpeg:
        w.setFormat("jpeg");
        w.setQuality(80);
        break;
    case Format::Png:
        w.setFormat("png");
        break;
    case Format::Bmp24:
        w.setFormat("bmp");
        out = image.convertToFormat(QImage::Format_RGB888);
        break;
    case Format::Bmp8:
        w.setFormat("bmp");
        out = image.convertToFormat(QImage::Format_Indexed8);
        break;
    case Format::Gif:
        break;
    }
    return w.write(out) ? QString() : w.errorString();
}

bool saveBytes(const QString &path, const QByteArray &bytes, QString *why)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        *why = f.errorString();
        return false;
    }
    return true;
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

// Draws every page of the book into scratch, in reading order, and returns the files.
bool drawBook(const DemoBook &b, const QString &scratch, QStringList *files, QString *error)
{
    for (int i = 0; i < b.pages.size(); ++i) {
        const DemoPage &page = b.pages.at(i);
        PageArt art;
        art.bookTitle = b.meta.title;
        art.number = i;
        art.cover = i == 0;
        art.caption = i == 0 ? b.credits : page.caption;
        art.size = page.size;
        art.accent = b.accent;
        art.panels = page.panels;
        const QString path = QStringLiteral("%1/%2-%3.%4")
                                 .arg(scratch, QFileInfo(b.file).completeBaseName())
                                 .arg(i, 2, 10, QLatin1Char('0'))
                                 .arg(fileSuffix(page.format));
        const QString why = savePicture(drawPage(art), page.format, path);
        if (!why.isEmpty())
            return fail(error, QStringLiteral("cannot write the picture %1: %2").arg(path, why));
        files->append(path);
    }
    return true;
}

QString classIdOf(const QString &className)
{
    return QStringLiteral("(Select ClassID From Class Where ClassName=") + sqlText(className) + QLatin1Char(')');
}

QString classInsert(const QString &parentId, const QString &name, const QString &folder)
{
    return QStringLiteral("Insert Into Class (RootClassId,ClassName,DefaultPath) Values (") + parentId
        + QLatin1Char(',') + sqlText(name) + QLatin1Char(',') + sqlText(folder) + QLatin1Char(')');
}

QString recordInsert(const QString &className, const QString &type, const BookMeta &m, const QString &path)
{
    return QStringLiteral("Insert Into lhhInfo (lhhClassId,lhhType,lhhTitle,sign,lhhDrawer,lhhPublisher,"
                          "lhhPublishDate,lhhPath) Values (")
        + classIdOf(className) + QLatin1Char(',') + sqlText(type) + QLatin1Char(',') + sqlText(m.title)
        + QLatin1Char(',') + sqlText(m.sign) + QLatin1Char(',') + sqlText(m.drawer) + QLatin1Char(',')
        + sqlText(m.publisher) + QLatin1Char(',') + sqlText(m.publishdate) + QLatin1Char(',') + sqlText(path)
        + QLatin1Char(')');
}

// The catalog: the root 连环画 with 古典名著 (西游记, 三国演义) and 现代故事,
// the demo books, one record whose file is gone and one self-reading .exe
// book that is not there either.
QStringList catalogStatements(const QString &booksDir, const QVector<DemoBook> &books)
{
    const QString classics = QStringLiteral("古典名著");
    const QString modern = QStringLiteral("现代故事");
    QStringList s = catalog::catalogSchema(QStringLiteral("连环画"));
    s << classInsert(QStringLiteral("1"), classics, booksDir) << classInsert(QStringLiteral("1"), modern, booksDir)
      << classInsert(classIdOf(classics), QStringLiteral("西游记"), booksDir)
      << classInsert(classIdOf(classics), QStringLiteral("三国演义"), QString());
    for (const DemoBook &b : books)
        s << recordInsert(b.className, QStringLiteral("lhh"), b.meta, booksDir + b.file);

    BookMeta gone = books.first().meta;
    gone.title = QStringLiteral("西游记 第二册");
    s << recordInsert(QStringLiteral("西游记"), QStringLiteral("lhh"), gone, booksDir + QStringLiteral("西游记 第二册.lhh"));

    BookMeta exe;
    exe.title = QStringLiteral("鸡毛信");
    exe.sign = QStringLiteral("Korvel 示例");
    exe.drawer = QStringLiteral("刘继");
    exe.publisher = QStringLiteral("北方少年出版社");
    exe.publishdate = QStringLiteral("1978年6月");
    s << recordInsert(modern, QStringLiteral("exe"), exe, booksDir + QStringLiteral("鸡毛信.exe"));
    return s;
}

bool createDatabase(const QString &path, const QStringList &statements, QString *error)
{
    if (platform::FileLock::isHeldElsewhere(path))
        return fail(error, QStringLiteral("cannot replace %1: the file is open in another program").arg(path));
    if (const db::Error e = db::Connection::createFile(path, statements))
        return fail(error, QStringLiteral("cannot write %1: %2").arg(path, e.message));
    return true;
}

} // namespace

QStringList demoBookFiles()
{
    QStringList names;
    for (const DemoBook &b : demoBooks())
        names << b.file;
    return names;
}

bool generateDemo(const QString &appDirIn, QString *error)
{
    const QString appDir = QDir(appDirIn).absolutePath();
    const QString booksDir = appDir + QStringLiteral("/books/");
    if (!QDir().mkpath(booksDir))
        return fail(error, QStringLiteral("cannot create the folder %1").arg(booksDir));

    const QString templatePath = appDir + QStringLiteral("/Korvel.tmp!");
    if (!createDatabase(templatePath, book::templateSchema(), error))
        return false;

    QTemporaryDir scratch;
    if (!scratch.isValid())
        return fail(error, QStringLiteral("cannot make a scratch folder: %1").arg(scratch.errorString()));

    const QVector<DemoBook> books = demoBooks();
    for (const DemoBook &b : books) {
        QStringList pictures;
        if (!drawBook(b, scratch.path(), &pictures, error))
            return false;
        if (const auto e = book::writeBook(templatePath, booksDir + b.file, b.meta, pictures))
            return fail(error, QStringLiteral("cannot write %1: %2").arg(booksDir + b.file, e.message));
    }

    if (!createDatabase(appDir + QStringLiteral("/Korvel.mdb"), catalogStatements(booksDir, books), error))
        return false;

    QString why;
    QByteArray splash;
    {
        QImageWriter w;
        QBuffer buffer(&splash);
        buffer.open(QIODevice::WriteOnly);
        w.setDevice(&buffer);
        w.setFormat("png");
        if (!w.write(drawSplash()))
            return fail(error, QStringLiteral("cannot encode the splash picture: %1").arg(w.errorString()));
    }
    const QString splashPath = appDir + QStringLiteral("/splash.png");
    if (!saveBytes(splashPath, splash, &why))
        return fail(error, QStringLiteral("cannot write %1: %2").arg(splashPath, why));

    QFile advert(QStringLiteral(":/demo/top.html"));
    if (!advert.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("the advert page is missing from the program"));
    const QString advertPath = appDir + QStringLiteral("/top.html");
    if (!saveBytes(advertPath, advert.readAll(), &why))
        return fail(error, QStringLiteral("cannot write %1: %2").arg(advertPath, why));
    return true;
}

} // namespace korvel::demo
