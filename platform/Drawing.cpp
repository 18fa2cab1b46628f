#include "platform/Drawing.h"

#include <QByteArray>
#include <QtGlobal>

namespace korvel::platform {

void drawWithoutOpenGL()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", QByteArrayLiteral("none"));
}

} // namespace korvel::platform
