#pragma once

#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace korvel::app {

struct AppContext;

// The window's parts that need the web engine: the banner with its adverts,
// the web pane and the downloader's dialog. They live in a library of their
// own that the program loads once the first page is on screen: the engine
// brings up its helper processes as it loads, and reading a book never
// waits for that.
class WebParts {
public:
    virtual ~WebParts() = default;

    // The banner (wbbTopAD) and the web pane (wbbMain), children of the
    // owner the frame places; the pane is shown and hidden with its views.
    virtual QWidget *banner() const = 0;
    virtual QWidget *pane() const = 0;

    virtual bool isBlank() const = 0; // nothing opened in the pane yet
    virtual bool isBusy() const = 0;  // the pane is loading a page
    virtual void open(const QString &address) = 0;
    virtual QString address() const = 0;
    // The body of the page in the pane, handed over once read.
    virtual void readBody(std::function<void(const QString &)> done) = 0;
    // The machine reported a connection at the last test.
    virtual bool isConnected() const = 0;

    // The downloader's dialog for the book the pane shows (html, from
    // address); `completed` gets the category the book went into.
    virtual QDialog *downloadDialog(const QString &html, const QString &address, int preselect, QWidget *owner,
                                    std::function<void(qint64)> completed) = 0;
};

// Builds the parts under `owner`, which owns them. Null, with the reason in
// `why`, when the library cannot be loaded.
WebParts *makeWebParts(const AppContext &context, QWidget *owner, QString *why);

} // namespace korvel::app

// The library's one entry point.
extern "C" {
using KorvelMakeWebParts = korvel::app::WebParts *(const korvel::app::AppContext &context, QWidget *owner);
}
