#include "platform/Connectivity.h"

#include <QFile>
#include <QHash>
#include <QList>

#include <ifaddrs.h>
#include <net/if.h>

namespace korvel::platform {

namespace {

constexpr unsigned kRouteUp = 0x1;       // RTF_UP
constexpr unsigned kRouteReject = 0x200; // RTF_REJECT: an unreachable route

// The flags of every interface, by name, as the kernel reports them now. Read
// with getifaddrs() rather than through the network module, which the
// program would otherwise load at every start for this alone.
QHash<QString, unsigned> interfaceFlags()
{
    QHash<QString, unsigned> flags;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return flags;
    for (const ifaddrs *a = list; a; a = a->ifa_next) {
        if (a->ifa_name)
            flags[QString::fromLocal8Bit(a->ifa_name)] |= a->ifa_flags;
    }
    freeifaddrs(list);
    return flags;
}

bool isUpAndRunning(unsigned flags)
{
    return (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
}

bool readTable(const char *path, QByteArray *text)
{
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The tables are small; a machine with thousands of routes still fits.
    *text = file.read(4 << 20);
    return true;
}

QList<QByteArray> fields(const QByteArray &line)
{
    return line.simplified().split(' ');
}

} // namespace

bool hasDefaultRoute(const QByteArray &ipv4, const QByteArray &ipv6,
                     const std::function<bool(const QString &)> &interfaceUp)
{
    const auto usable = [&](const QByteArray &name) {
        return !name.isEmpty() && name != "lo" && interfaceUp(QString::fromLocal8Bit(name));
    };
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
    const QList<QByteArray> v4 = ipv4.split('\n');
    for (qsizetype n = 1; n < v4.size(); ++n) {
        const QList<QByteArray> f = fields(v4.at(n));
        if (f.size() < 8)
            continue;
        bool ok = false;
        const unsigned flags = f.at(3).toUInt(&ok, 16);
        if (ok && (flags & kRouteUp) && !(flags & kRouteReject) && f.at(1).toUInt(nullptr, 16) == 0 && f.at(7).toUInt(nullptr, 16) == 0
            && usable(f.at(0)))
            return true;
    }
    // Destination PrefixLength Source SourcePrefixLength NextHop Metric RefCnt Use Flags Iface
    const QList<QByteArray> v6 = ipv6.split('\n');
    for (const QByteArray &line : v6) {
        const QList<QByteArray> f = fields(line);
        if (f.size() < 10)
            continue;
        bool ok = false;
        const unsigned flags = f.at(8).toUInt(&ok, 16);
        if (ok && (flags & kRouteUp) && !(flags & kRouteReject) && f.at(0) == QByteArray(32, '0') && f.at(1).toUInt(nullptr, 16) == 0
            && usable(f.at(9)))
            return true;
    }
    return false;
}

bool IsConnected()
{
    // The network information backends keep a state of their own that, on
    // some machines, never follows a change; the kernel's tables always do.
    QByteArray ipv4, ipv6;
    const bool haveV4 = readTable("/proc/net/route", &ipv4);
    const bool haveV6 = readTable("/proc/net/ipv6_route", &ipv6);
    const QHash<QString, unsigned> flags = interfaceFlags();
    if (haveV4 || haveV6) {
        return hasDefaultRoute(ipv4, ipv6, [&flags](const QString &name) {
            const auto found = flags.constFind(name);
            return found != flags.cend() && isUpAndRunning(*found);
        });
    }
    for (unsigned f : flags) {
        if (isUpAndRunning(f))
            return true;
    }
    return false;
}

} // namespace korvel::platform
