#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace korvel::adverts {

// An address as the banner's address text reads it: every escape decoded, so
// that a folder name holding blanks, "%" or Chinese reads as it is written.
QString addressText(const QUrl &url);

// The address text of the offline banner: "file://" + the path of "top.html"
// in the application folder.
QString offlineBannerAddress(const QString &appDir);
QString offlineBannerPath(const QString &appDir);

// What a banner tick does to the banner.
enum class BannerStep {
    Keep,     // offline, or the banner shows a page of neither kind
    GoOnline, // the offline page is up and the machine is online again
    Reload,   // the online page is up and the machine is online
};

// The banner rule. Only the exact, case-sensitive address texts count, and
// nothing ever leads back to the offline page.
BannerStep bannerStep(const QString &current, const QString &offline, const QString &online, bool connected);

// The minute ticks of the banner and the advert window, and the program-wide
// "connected" flag they keep up to date.
class AdvertSchedule {
public:
    static constexpr int kTicksPerAdvert = 10; // minutes between adverts
    static constexpr int kTickMs = 60000;

    // isConnected: the machine's connection test (none: never connected).
    AdvertSchedule(std::function<bool()> isConnected, QString offlineAddress, QString onlineAddress);

    // Start-up: the connection test that chooses the banner's first page.
    bool startUp();

    // One banner tick: tests the connection, then says what the banner does.
    BannerStep bannerTick(const QUrl &current);

    // One advert tick: true when the advert window is to be shown now. The
    // tenth tick since the last attempt tests the connection and starts the
    // count again, whatever the test said.
    bool advertTick();

    bool isConnected() const { return m_connected; }
    int advertTicks() const { return m_ticks; }
    const QString &onlineAddress() const { return m_online; }
    const QString &offlineAddress() const { return m_offline; }

private:
    bool test();

    std::function<bool()> m_isConnected;
    QString m_offline;
    QString m_online;
    bool m_connected = false;
    int m_ticks = 0;
};

} // namespace korvel::adverts
