#include "tools/PictureCheck.h"

#include "view/PageImage.h"
#include "view/PictureDecoder.h"


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

bool pageFormatIsJpeg(const QByteArray &bytes)
{
    return view::pageFormatOf(bytes.left(16)) == "jpeg";
}

} // namespace

StrictDecode decodeStrictly(const QByteArray &bytes, QSize fitInto, qint64 budget)
{
    StrictDecode out;
    view::PictureDecoder decoder(bytes);
    if (!decoder.isPicture()) {
        out.fault = QStringLiteral("not a picture");
        return out;
    }
    out.natural = decoder.size();
    QSize target;
    if (fitInto.isValid() && !fitInto.isEmpty()
        && (out.natural.width() > fitInto.width() || out.natural.height() > fitInto.height()))
        target = out.natural.scaled(fitInto, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    if (const QString refused = decoder.refusal(target, budget); !refused.isEmpty()) {
        out.fault = refused;
        return out;
    }
    Complaints complaints;
    out.image = decoder.read(target, budget);
    if (out.image.isNull()) {
        out.fault = decoder.errorString().isEmpty() ? QStringLiteral("does not decode")
                                                    : QStringLiteral("does not decode: ") + decoder.errorString();
    } else if (!complaints.list().isEmpty()) {
        out.fault = QStringLiteral("damaged: ") + complaints.list().first().trimmed();
        out.image = QImage();
    }
    return out;
}

QString checkPicture(const QByteArray &bytes)
{
    // Every byte of a JPEG is read when it decodes at an eighth of its size,
    // which needs an eighth of an eighth of the memory; the other formats
    // decode whole.
    const QSize natural = view::pictureSize(bytes);
    const QSize eighth = pageFormatIsJpeg(bytes) && natural.isValid()
        ? QSize((natural.width() + 7) / 8, (natural.height() + 7) / 8)
        : QSize();
    return decodeStrictly(bytes, eighth).fault;
}

} // namespace korvel::tools
