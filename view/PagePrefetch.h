#pragma once

#include "view/PageImage.h"

#include <QByteArray>
#include <QSize>
#include <QThreadPool>
#include <QVector>

#include <atomic>
#include <memory>
#include <optional>

namespace korvel::view {

// The pages around the one on screen, decoded ahead of their turn on a
// worker thread, so a reader turning at a normal pace sees the next page at
// once. The bytes are read on the UI thread (a book's connection is not
// shared between threads) and handed over; only the decoding runs aside.
//
// A page is held under its stored number together with its bytes and the
// display hint it was decoded for: a turn finds it only when all three
// still match, so a page that was zoomed or resized since, or whose bytes
// differ, is decoded afresh as before. At most kHeld pages are held,
// finished or under way; the oldest goes first.
class PagePrefetch {
public:
    static constexpr int kHeld = 3;

    PagePrefetch();
    ~PagePrefetch();
    PagePrefetch(const PagePrefetch &) = delete;
    PagePrefetch &operator=(const PagePrefetch &) = delete;

    // Starts decoding the page on the worker unless it is held for this
    // hint already; one held for another hint is dropped.
    void prefetch(qint32 pageNumber, const QByteArray &bytes, QSize displayHint);
    // Holds a page decoded elsewhere (the one just shown), so a turn back to
    // it costs nothing.
    void keep(qint32 pageNumber, const QByteArray &bytes, QSize displayHint, const PageImage::Decoded &decoded);
    // The page decoded for these bytes and hint. A decode still under way is
    // waited for (it has a head start on decoding again); one still queued is
    // taken back and run here. Nothing when the page is not held as asked.
    std::optional<PageImage::Decoded> take(qint32 pageNumber, const QByteArray &bytes, QSize displayHint);
    // Drops every page but these.
    void keepOnly(const QVector<qint32> &pageNumbers);
    // Drops everything (another book, or none).
    void clear();

    int held() const { return int(m_entries.size()); }
    bool holds(qint32 pageNumber) const;
    // The bytes a held page was decoded from; empty when it is not held.
    QByteArray bytesOf(qint32 pageNumber) const;
    // How many decodes ran on the worker since the start (for the tests).
    int workerDecodes() const;
    // Waits until the worker is idle (for the tests and the benchmark).
    void waitForIdle() const;

private:
    struct Job;
    struct Entry {
        qint32 pageNumber = 0;
        QByteArray bytes;
        QSize hint;
        std::shared_ptr<Job> job;
    };
    void drop(int index);

    QVector<Entry> m_entries; // oldest first
    mutable QThreadPool m_pool;
    std::shared_ptr<std::atomic<int>> m_workerDecodes;
};

} // namespace korvel::view
