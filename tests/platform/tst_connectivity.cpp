// The connection test: a default route through a live interface, asked of
// the kernel at every call, so a connection that comes or goes while the
// program runs counts at the next call.
#include "platform/Connectivity.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <cstdio>

using namespace korvel;

class ConnectivityTest : public QObject {
    Q_OBJECT
private slots:
    void routeTables()
    {
        const QByteArray head = "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\tMTU\tWindow\tIRTT\n";
        const QByteArray v6default = QByteArray(32, '0') + " 00 " + QByteArray(32, '0') + " 00 ";
        // The IPv4 and IPv6 route tables, and whether they make a connection (eth0 is up, wlan9 is not).
        const QList<std::tuple<QByteArray, QByteArray, bool>> cases = {
            {head, "", false},
            {head + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n", "", true},
            {head + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n", "", false}, // the local net only
            {head + "wlan9\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n", "", false},
            {head, v6default + "fd000000000000000000000000000001 00000400 00000002 00000000 00000003 eth0\n", true},
            {head, v6default + QByteArray(32, '0') + " ffffffff 00000001 00000000 00000201 eth0\n", false}, // rejected
            {"\x01\x02\n\n\t\t\t", "zz zz\n", false},
        };
        const auto up = [](const QString &name) { return name == QLatin1String("eth0"); };
        for (const auto &[ipv4, ipv6, connected] : cases)
            QVERIFY2(platform::hasDefaultRoute(ipv4, ipv6, up) == connected, (ipv4 + ipv6).constData());
    }

    // In a network namespace of its own (root only), the running program
    // sees a connection come and go, which a state kept from the start never
    // does.
    void followsTheMachineWhileRunning()
    {
        QProcess probe;
        const QString self = QCoreApplication::applicationFilePath();
        const QString script = QStringLiteral(
            "ip link set lo up; '%1' --probe & pid=$!; sleep 0.6; "
            "ip link add kv0 type veth peer name kv1 && ip link set kv1 up && ip link set kv0 up "
            "&& ip addr add 198.51.100.2/24 dev kv0 && ip route add default via 198.51.100.1 dev kv0 "
            "|| echo no-veth; sleep 0.8; ip route del default; sleep 0.8; wait $pid")
                                   .arg(self);
        probe.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"), script});
        if (!probe.waitForFinished(20000) || probe.exitCode() != 0)
            QSKIP("no network namespace to be had here");
        const QByteArray out = probe.readAllStandardOutput();
        if (out.contains("no-veth") || out.isEmpty())
            QSKIP("no virtual interfaces to be had here");
        // Offline, then online, then offline again.
        QString seen;
        for (const char c : out.simplified().replace(' ', "")) {
            if (seen.isEmpty() || seen.back() != QLatin1Char(c))
                seen += QLatin1Char(c);
        }
        QCOMPARE(seen, QStringLiteral("010"));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--probe") == 0) {
        for (int i = 0; i < 22; ++i) {
            std::printf("%d\n", platform::IsConnected() ? 1 : 0);
            std::fflush(stdout);
            QThread::msleep(100);
        }
        return 0;
    }
    ConnectivityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_connectivity.moc"
