#pragma once

#include <QString>

namespace korvel::platform {

class SettingsStore;

// The maker's web site root, always ending in "/". One place decides it:
// the environment variable KORVEL_SITE_ROOT when set (tests and the demo point
// it at a server on 127.0.0.1), else the value Root in section Site of the
// settings store, else the built-in default.
QString siteRoot(const SettingsStore *settings);
QString defaultSiteRoot();

// The site's addresses the program uses, under the root.
inline const QString kTopAdPage = QStringLiteral("/Korvel/TopAD.html");   // the top banner
inline const QString kAdvertPage = QStringLiteral("/Korvel/AD.html");     // the advert window
inline const QString kKorvelHomePage = QStringLiteral("/Korvel/");        // Korvel 主页
inline const QString kProductPage = QStringLiteral("/korvel/");           // the About box's product link

// An address under the site root: path given with a leading "/", e.g. "/Korvel/TopAD.html".
QString siteAddress(const QString &root, const QString &path);

} // namespace korvel::platform
