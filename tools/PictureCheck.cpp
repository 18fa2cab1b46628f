#include "tools/PictureCheck.h"

#include "view/PageImage.h"

#include <QBuffer>
#include <QImageReader>

namespace korvel::tools {

namespace {

// Decoders report trouble they get past as warnings; while a strict decode
// runs on this thread, they are collected instead of printed.
thread_local QStringList *t_complaints = nullptr;
QtMessageHandler s_previous = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (t_complaints && type != QtDebugMsg && type != QtInfoMsg) {
        t_complaints->append(message);
        return;
    }
    if (s_previous)
        s_previous(type, context, message);
}

class Complaints {
public:
    Complaints()
    {
        static const bool installed = [] {
            s_previous = qInstallMessageHandler(collect);
            return true;
        }();
        Q_UNUSED(installed);
        t_complaints = &m_list;
    }
    ~Complaints() { t_complaints = nullptr; }
    const QStringList &list() const { return m_list; }

private:
    QStringList m_list;
};

} // namespace

StrictDecode decodeStrictly(const QByteArray &bytes, QSize fitInto)
{
    static const bool limitSet = (view::allowLargestPages(), true);
    Q_UNUSED(limitSet);
    StrictDecode out;
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    Complaints complaints;
    if (bytes.isEmpty() || !reader.canRead()) {
        out.fault = QStringLiteral("not a picture");
        return out;
    }
    out.natural = reader.size();
    if (out.natural.isValid()
        && qint64(out.natural.width()) * out.natural.height() > view::kLargestPagePixels) {
        out.fault = QStringLiteral("%1x%2 pixels, larger than any page is shown")
                        .arg(out.natural.width())
                        .arg(out.natural.height());
        return out;
    }
    // A JPEG decodes straight at the smaller size; the reader scales the
    // others after decoding.
    if (fitInto.isValid() && !fitInto.isEmpty() && out.natural.isValid()
        && (out.natural.width() > fitInto.width() || out.natural.height() > fitInto.height()))
        reader.setScaledSize(out.natural.scaled(fitInto, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    out.image = reader.read();
    if (out.image.isNull()) {
        out.fault = reader.errorString().isEmpty() ? QStringLiteral("does not decode")
                                                   : QStringLiteral("does not decode: ") + reader.errorString();
    } else if (!complaints.list().isEmpty()) {
        out.fault = QStringLiteral("damaged: ") + complaints.list().first().trimmed();
        out.image = QImage();
    }
    if (!out.natural.isValid() && !out.image.isNull())
        out.natural = out.image.size();
    return out;
}

} // namespace korvel::tools
