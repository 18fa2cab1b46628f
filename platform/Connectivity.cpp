#include "platform/Connectivity.h"

#include <QNetworkInformation>
#include <QNetworkInterface>

namespace korvel::platform {

bool IsConnected()
{
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        if (auto *info = QNetworkInformation::instance()) {
            const auto r = info->reachability();
            if (r != QNetworkInformation::Reachability::Unknown)
                return r == QNetworkInformation::Reachability::Online;
        }
    }
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto f = i.flags();
        if ((f & QNetworkInterface::IsUp) && (f & QNetworkInterface::IsRunning)
            && !(f & QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}

} // namespace korvel::platform
