// korvel-bare-viewer: the on-screen benchmark's baseline, the plainest Qt
// program that shows a folder of page pictures. A page is read and decoded
// when its key is pressed, scaled to the window and put in a QLabel, as a
// first Qt picture viewer would do it. Right and Left turn the page.
//
//   korvel-bare-viewer [--predecoded N] FOLDER
//
// With --predecoded the first N pages are decoded and scaled before the
// window shows, so a turn costs only what putting a ready page on screen
// costs: the floor of painting a page.
#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>

#include <vector>

namespace {

class Viewer final : public QLabel {
public:
    Viewer(QStringList files, int predecoded)
        : m_files(std::move(files))
    {
        setAlignment(Qt::AlignCenter);
        setStyleSheet(QStringLiteral("background: #202020;"));
        resize(1280, 800);
        for (int i = 0; i < predecoded && i < m_files.size(); ++i)
            m_ready.push_back(scaledPage(i));
        showPage(0);
    }

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        if (m_files.isEmpty())
            return;
        if (e->key() == Qt::Key_Right)
            showPage((m_index + 1) % int(m_files.size()));
        else if (e->key() == Qt::Key_Left)
            showPage((m_index + int(m_files.size()) - 1) % int(m_files.size()));
        else
            QLabel::keyPressEvent(e);
    }

private:
    QPixmap scaledPage(int index) const
    {
        QImageReader reader(m_files.at(index));
        const QImage image = reader.read();
        return QPixmap::fromImage(image.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }

    void showPage(int index)
    {
        if (m_files.isEmpty())
            return;
        m_index = index;
        setPixmap(index < int(m_ready.size()) ? m_ready.at(index) : scaledPage(index));
    }

    QStringList m_files;
    std::vector<QPixmap> m_ready;
    int m_index = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int predecoded = 0;
    if (args.size() >= 2 && args.first() == QLatin1String("--predecoded")) {
        predecoded = args.at(1).toInt();
        args = args.mid(2);
    }
    if (args.size() != 1)
        return 2;
    QDir dir(args.first());
    QStringList files;
    for (const QString &name : dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    Viewer viewer(files, predecoded);
    viewer.move(0, 0);
    viewer.show();
    return app.exec();
}
