#pragma once

#include <QDialog>

namespace korvel::platform {
class ShellService;
}

namespace korvel::app {

// The About box: a fixed picture with two click areas laid over it, one for
// the product's page and one for the maker's home page, each opened in the
// user's own web browser.
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const QString &siteRoot, platform::ShellService *shell, QWidget *owner);

    QString productPage() const;
    QString homePage() const;

protected:
    void paintEvent(QPaintEvent *) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_productLink = nullptr; // the product's page
    QWidget *m_homeLink = nullptr; // the maker's home page
    QString m_siteRoot;
    platform::ShellService *m_shell;
};

} // namespace korvel::app
