#include "adverts/AdvertSchedule.h"

#include <utility>

namespace korvel::adverts {

QString addressText(const QUrl &url)
{
    return QUrl::fromPercentEncoding(url.toEncoded());
}

QString offlineBannerPath(const QString &appDir)
{
    return appDir + QStringLiteral("/top.html");
}

QString offlineBannerAddress(const QString &appDir)
{
    return QStringLiteral("file://") + offlineBannerPath(appDir);
}

BannerStep bannerStep(const QString &current, const QString &offline, const QString &online, bool connected)
{
    if (!connected)
        return BannerStep::Keep;
    if (current == offline)
        return BannerStep::GoOnline;
    if (current == online)
        return BannerStep::Reload;
    return BannerStep::Keep;
}

AdvertSchedule::AdvertSchedule(std::function<bool()> isConnected, QString offlineAddress, QString onlineAddress)
    : m_isConnected(std::move(isConnected))
    , m_offline(std::move(offlineAddress))
    // The banner's address comes back the way the address parser writes it
    // (a host in lower case, say), so the online address is compared so too.
    , m_online(addressText(QUrl(onlineAddress)))
{
}

bool AdvertSchedule::test()
{
    m_connected = m_isConnected && m_isConnected();
    return m_connected;
}

bool AdvertSchedule::startUp()
{
    return test();
}

BannerStep AdvertSchedule::bannerTick(const QUrl &current)
{
    return bannerStep(addressText(current), m_offline, m_online, test());
}

bool AdvertSchedule::advertTick()
{
    if (++m_ticks < kTicksPerAdvert)
        return false;
    m_ticks = 0;
    return test();
}

} // namespace korvel::adverts
