#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace korvel::platform {

// True when the machine reports a connection: a default route (IPv4 or IPv6)
// through an interface other than the loopback that is up and running. It is
// asked of the kernel afresh at every call, so a cable plugged in or pulled
// out counts at the next call; where the routing tables cannot be read, any
// non-loopback interface that is up and running counts. No side effects.
bool IsConnected();

// The rule on the kernel's tables as text: ipv4 as /proc/net/route holds it,
// ipv6 as /proc/net/ipv6_route does; interfaceUp says whether an interface
// of that name is up and running.
bool hasDefaultRoute(const QByteArray &ipv4, const QByteArray &ipv6,
                     const std::function<bool(const QString &)> &interfaceUp);

} // namespace korvel::platform
