#include "view/PagePrefetch.h"

#include <atomic>
#include <future>

namespace korvel::view {

namespace {
// The turn's read hands back the very bytes held here when the book still
// has them: those need no comparing byte by byte.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}
} // namespace

struct PagePrefetch::Job {
    enum State { Queued, Running, Finished, Withdrawn };
    std::atomic<int> state{Queued};
    std::promise<PageImage::Decoded> promise;
    std::shared_future<PageImage::Decoded> result = promise.get_future().share();
};

PagePrefetch::PagePrefetch()
    : m_workerDecodes(std::make_shared<std::atomic<int>>(0))
{
    // One worker: the UI thread keeps a core of its own for the page on screen.
    m_pool.setMaxThreadCount(1);
}

PagePrefetch::~PagePrefetch()
{
    clear();
    m_pool.waitForDone();
}

bool PagePrefetch::holds(qint32 pageNumber) const
{
    for (const Entry &e : m_entries) {
        if (e.pageNumber == pageNumber)
            return true;
    }
    return false;
}

QByteArray PagePrefetch::bytesOf(qint32 pageNumber) const
{
    for (const Entry &e : m_entries) {
        if (e.pageNumber == pageNumber)
            return e.bytes;
    }
    return {};
}

int PagePrefetch::workerDecodes() const
{
    return m_workerDecodes->load();
}

void PagePrefetch::waitForIdle() const
{
    m_pool.waitForDone();
}

void PagePrefetch::drop(int index)
{
    // A job not yet started never starts; one under way finishes into
    // nothing and its picture goes with the job.
    int queued = Job::Queued;
    m_entries[index].job->state.compare_exchange_strong(queued, Job::Withdrawn);
    m_entries.removeAt(index);
}

void PagePrefetch::prefetch(qint32 pageNumber, const QByteArray &bytes, QSize displayHint)
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).pageNumber != pageNumber)
            continue;
        if (m_entries.at(i).hint == displayHint && sameBytes(m_entries.at(i).bytes, bytes))
            return;
        drop(i);
        break;
    }
    while (m_entries.size() >= kHeld)
        drop(0);
    auto job = std::make_shared<Job>();
    m_entries.append({pageNumber, bytes, displayHint, job});
    auto counter = m_workerDecodes;
    m_pool.start([job, counter, bytes, displayHint] {
        int queued = Job::Queued;
        if (!job->state.compare_exchange_strong(queued, Job::Running))
            return;
        job->promise.set_value(PageImage::decodeForDisplay(bytes, displayHint));
        job->state = Job::Finished;
        counter->fetch_add(1);
    });
}

void PagePrefetch::keep(qint32 pageNumber, const QByteArray &bytes, QSize displayHint,
                        const PageImage::Decoded &decoded)
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).pageNumber == pageNumber) {
            drop(i);
            break;
        }
    }
    while (m_entries.size() >= kHeld)
        drop(0);
    auto job = std::make_shared<Job>();
    job->state = Job::Finished;
    job->promise.set_value(decoded);
    m_entries.append({pageNumber, bytes, displayHint, job});
}

std::optional<PageImage::Decoded> PagePrefetch::take(qint32 pageNumber, const QByteArray &bytes, QSize displayHint)
{
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries.at(i);
        if (e.pageNumber != pageNumber)
            continue;
        if (e.hint != displayHint || !sameBytes(e.bytes, bytes)) {
            drop(i);
            return std::nullopt;
        }
        const std::shared_ptr<Job> job = e.job;
        int queued = Job::Queued;
        if (job->state.compare_exchange_strong(queued, Job::Withdrawn)) {
            // Still waiting for the worker: decoding here is sooner.
            PageImage::Decoded decoded = PageImage::decodeForDisplay(bytes, displayHint);
            m_entries[i].job = std::make_shared<Job>();
            m_entries[i].job->state = Job::Finished;
            m_entries[i].job->promise.set_value(decoded);
            return decoded;
        }
        return job->result.get();
    }
    return std::nullopt;
}

void PagePrefetch::keepOnly(const QVector<qint32> &pageNumbers)
{
    for (int i = int(m_entries.size()) - 1; i >= 0; --i) {
        if (!pageNumbers.contains(m_entries.at(i).pageNumber))
            drop(i);
    }
}

void PagePrefetch::clear()
{
    while (!m_entries.isEmpty())
        drop(int(m_entries.size()) - 1);
}

} // namespace korvel::view
