#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace korvel::test {

// A web site on 127.0.0.1 that misbehaves on request: per path it answers
// whole, with an HTTP error, cut short (the connection closed halfway
// through the promised length), without a length (the answer ends when the
// connection closes), or not at all (the request is read and the connection
// held open). Unknown paths get 404. Records every path asked for.
class FaultySite final : public QObject {
    Q_OBJECT
public:
    enum class Kind { Whole, CutShort, Unsized, Silent };
    struct Answer {
        QByteArray body;
        QByteArray type = QByteArrayLiteral("application/octet-stream");
        int status = 200;
        Kind kind = Kind::Whole;
        qint64 claimedLength = -1; // Content-Length sent; -1: the body's
    };

    FaultySite();
    bool start();
    QString root() const; // "http://127.0.0.1:<port>/"
    void serve(const QString &path, const Answer &answer);
    void serve(const QString &path, const QByteArray &body,
               const QByteArray &type = QByteArrayLiteral("application/octet-stream"))
    {
        serve(path, Answer{body, type});
    }
    QStringList requested;
    // Connections held open by silent answers.
    int heldOpen() const;

    // A port on 127.0.0.1 where nothing listens: connections are refused.
    static quint16 closedPort();

private:
    void onConnection();
    void answer(QTcpSocket *socket, const QString &path);
    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
    QList<QPointer<QTcpSocket>> m_held;
};

} // namespace korvel::test
