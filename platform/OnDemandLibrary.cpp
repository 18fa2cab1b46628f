#include "platform/OnDemandLibrary.h"

#include <dlfcn.h>

namespace korvel::platform {

QString openLibrary(const char *fileName, const LibraryCalls &calls)
{
    void *handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return QStringLiteral("%1 cannot be loaded: %2").arg(QString::fromLocal8Bit(fileName), QString::fromLocal8Bit(dlerror()));
    for (const auto &[name, pointer] : calls) {
        *pointer = dlsym(handle, name);
        if (*pointer)
            continue;
        for (const auto &call : calls)
            *call.second = nullptr;
        const QString why = QStringLiteral("%1 has no %2").arg(QString::fromLocal8Bit(fileName), QString::fromLatin1(name));
        dlclose(handle);
        return why;
    }
    // Kept open for the rest of the program: the pointers lead into it.
    return QString();
}

} // namespace korvel::platform
