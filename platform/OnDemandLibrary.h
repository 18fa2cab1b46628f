#pragma once

#include <QString>

#include <mutex>
#include <utility>
#include <vector>

namespace korvel::platform {

// A system library that only some commands need (comic archives, GIF
// pictures) is opened the first time one of them runs rather than with the
// program, which then starts without mapping it and what it depends on.

using LibraryCalls = std::vector<std::pair<const char *, void **>>;

// Opens the library of this file name ("libgif.so.7") and resolves each
// named call into the pointer beside it. Empty on success; otherwise why
// not, and every pointer is left null.
QString openLibrary(const char *fileName, const LibraryCalls &calls);

// A table of calls (a struct of function pointers) filled from its library
// once, the first time it is asked for; every later ask has the same answer.
template <typename Calls>
class OnDemandCalls {
public:
    using Binder = LibraryCalls (*)(Calls &);
    OnDemandCalls(const char *fileName, Binder bind)
        : m_fileName(fileName)
        , m_bind(bind)
    {
    }
    // Empty when the calls are ready, else why they are not.
    QString load()
    {
        std::call_once(m_loaded, [this] { m_failure = openLibrary(m_fileName, m_bind(m_calls)); });
        return m_failure;
    }
    // Only after load() came back empty.
    const Calls &calls() const { return m_calls; }

private:
    const char *m_fileName;
    Binder m_bind;
    Calls m_calls;
    QString m_failure;
    std::once_flag m_loaded;
};

} // namespace korvel::platform
