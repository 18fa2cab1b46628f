#include "app/adverts/AdvertDriver.h"

#include "adverts/Clock.h"
#include "app/adverts/AdvertWindow.h"
#include "platform/SiteConfig.h"

#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace korvel::app {

namespace {

QTimer *minuteTimer(QObject *parent, const QString &name)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(name);
    timer->setInterval(adverts::AdvertSchedule::kTickMs);
    return timer;
}

} // namespace

AdvertDriver::AdvertDriver(const AppContext &context, QWebEngineView *banner, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_clock(context.clock ? *context.clock : adverts::SystemClock::instance())
    , m_schedule(context.isConnected, adverts::offlineBannerAddress(context.resourceFolder()),
                 platform::siteAddress(context.siteRoot, platform::kTopAdPage))
    , m_banner(banner)
{
    setObjectName(QStringLiteral("adverts"));
    if (m_schedule.startUp())
        m_banner->setUrl(QUrl(platform::siteAddress(m_context.siteRoot, platform::kTopAdPage)));
    else
        m_banner->setUrl(QUrl::fromLocalFile(adverts::offlineBannerPath(m_context.resourceFolder())));

    // An online banner the site does not give (a network without a route to
    // it) shows the offline page, and the next tick tries the online one again.
    connect(m_banner->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus
            && info.url() == QUrl(platform::siteAddress(m_context.siteRoot, platform::kTopAdPage)))
            m_banner->setUrl(QUrl::fromLocalFile(adverts::offlineBannerPath(m_context.appDir)));
    });

    m_bannerTimer = minuteTimer(this, QStringLiteral("timTopAD"));
    m_advertTimer = minuteTimer(this, QStringLiteral("timAD"));
    connect(m_bannerTimer, &QTimer::timeout, this, &AdvertDriver::bannerTick);
    connect(m_advertTimer, &QTimer::timeout, this, &AdvertDriver::advertTick);
    m_clock.start(m_bannerTimer);
    m_clock.start(m_advertTimer);
}

AdvertDriver::~AdvertDriver()
{
    m_clock.stop(m_bannerTimer);
    m_clock.stop(m_advertTimer);
    delete m_window;
}

AdvertWindow *AdvertDriver::advertWindow() const
{
    return m_window;
}

void AdvertDriver::bannerTick()
{
    switch (m_schedule.bannerTick(m_banner->url())) {
    case adverts::BannerStep::GoOnline:
        m_banner->setUrl(QUrl(platform::siteAddress(m_context.siteRoot, platform::kTopAdPage)));
        break;
    case adverts::BannerStep::Reload:
        m_banner->reload();
        break;
    case adverts::BannerStep::Keep:
        break;
    }
}

void AdvertDriver::advertTick()
{
    if (!m_schedule.advertTick())
        return;
    // One advert window at a time: a fresh one takes the place of any left.
    if (m_window)
        m_window->close();
    m_window = new AdvertWindow(m_context.siteRoot, m_context.shell, m_clock);
    m_window->showBelowScreen();
}

} // namespace korvel::app
