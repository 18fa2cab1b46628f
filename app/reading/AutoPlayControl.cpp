#include "app/reading/AutoPlayControl.h"

#include "app/reading/ReadingToolbar.h"
#include "widgets/StyledButton.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

namespace korvel::app {

AutoPlayControl::AutoPlayControl(QAction &entry, ReadingToolbar &toolbar, QObject *parent)
    : QObject(parent)
    , m_entry(entry)
    , m_toolbar(toolbar)
{
    m_timer = new QTimer(parent);
    m_timer->setObjectName(QStringLiteral("timAutoPlay"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &AutoPlayControl::tick);
    connect(m_toolbar.secondsBox, &QLineEdit::textChanged, this, &AutoPlayControl::secondsChanged);
}

bool AutoPlayControl::isRunning() const
{
    return m_entry.isChecked();
}

void AutoPlayControl::toggle()
{
    const bool checked = !m_entry.isChecked();
    m_entry.setChecked(checked);
    m_toolbar.autoPlayButton->setValue(checked);
    const int interval = view::timerInterval(view::parseSeconds(m_toolbar.secondsBox->text()).value_or(0));
    m_timer->setInterval(interval);
    if (checked && interval > 0)
        m_timer->start();
    else
        m_timer->stop();
    m_toolbar.secondsBox->setEnabled(checked);
}

void AutoPlayControl::secondsChanged()
{
    // A pasted text that is not a whole number of seconds is refused.
    const auto seconds = view::parseSeconds(m_toolbar.secondsBox->text());
    if (!seconds) {
        const QSignalBlocker block(m_toolbar.secondsBox);
        m_toolbar.secondsBox->setText(m_lastGoodSeconds);
        return;
    }
    m_lastGoodSeconds = m_toolbar.secondsBox->text();
    const int interval = view::timerInterval(*seconds);
    m_timer->setInterval(interval);
    // An interval of 0 means no ticks; the timer ticks again once a number is entered.
    if (m_entry.isChecked()) {
        if (interval > 0 && !m_timer->isActive())
            m_timer->start();
        else if (interval == 0)
            m_timer->stop();
    }
}

void AutoPlayControl::tick()
{
    if (m_counter.tick(view::parseSeconds(m_toolbar.secondsBox->text()).value_or(0)))
        emit turnWanted();
}

} // namespace korvel::app
