#pragma once

#include "platform/Settings.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace korvel::test {

// A private world for one test: an application folder holding the empty
// book template and a catalog with only its root category (连环画), and settings and data folders that XDG_CONFIG_HOME and
// XDG_DATA_HOME point at, so nothing of the user's is read or written.
class TestEnv {
public:
    TestEnv();
    QString appDir() const { return m_root.path() + QStringLiteral("/app"); }
    QString configHome() const { return m_root.path() + QStringLiteral("/config"); }
    QString dataHome() const { return m_root.path() + QStringLiteral("/data"); }
    QString path(const QString &name) const { return m_root.path() + QLatin1Char('/') + name; }
    platform::IniSettingsStore &settings() { return *m_settings; }
    // A fresh settings store over the same file (what the next start reads).
    std::unique_ptr<platform::IniSettingsStore> reopenSettings() const;

private:
    QTemporaryDir m_root;
    std::unique_ptr<platform::IniSettingsStore> m_settings;
};

// Picture bytes drawn for a test.
QByteArray pictureBytes(int width, int height, const char *format, QColor color = QColor(200, 80, 40));

// One page of a hand-made book: its stored number and its bytes (nullopt: a null image).
struct TestPage {
    qint32 number;
    std::optional<QByteArray> bytes;
};

// Writes a book straight into a new file with the given pages, as another
// tool might have; returns false on any failure.
bool makeBook(const QString &appDir, const QString &path, const QList<TestPage> &pages);

// A book of count pages numbered 0.. with pictures of the given size.
bool makeSimpleBook(const QString &appDir, const QString &path, int count, int width = 300, int height = 400,
                    const char *format = "PNG");

QByteArray fileBytes(const QString &path);
QByteArray fileHash(const QString &path);

// Runs the statements on the file with the engine directly, as any tool
// could (a forger included); added to what is there unless fresh.
bool writeRawDatabase(const QString &path, const QStringList &statements, bool fresh = true);

// The most memory the process has held at once, in MB.
qint64 peakMegabytes();

} // namespace korvel::test

namespace korvel::test {

// Hostile pictures, a few hundred bytes each, whose headers claim
// width x height pixels that are not there: a progressive JPEG, a plain
// BMP without its rows, a deflated RGB TIFF with one tiny strip, a GIF and a
// PNG whose data ends after a few bytes.
QByteArray claimingPicture(const char *format, int width, int height);
// An SVG page drawing the file at path (a FIFO, /dev/stdin, any picture).
QByteArray svgReading(const QString &path);
// A PNG signature and header for a 1000 x 1000 picture and the start of
// its data, then zeros, of size bytes in all: a page that is mostly nothing.
QByteArray pngHeadedZeros(int size);
// The most memory any finished child process of this one has held at
// once, in MB.
qint64 childrenPeakMegabytes();
// Starts counting the process's own peak (peakMegabytes()) afresh.
void resetPeak();

} // namespace korvel::test
