#include "stressbanner.h"

#include "passclock.h"

#include <QEvent>

StressBanner::StressBanner(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("stressBanner"));
    // The warning colour: a stress run writes the whole card for a long time.
    setStyleSheet(QStringLiteral("color:#e67e22; font-weight:bold;"));
    setVisible(false);
}

void StressBanner::setMode(bool fill, int rounds)
{
    m_fill = fill;
    m_rounds = rounds;
    render();
}

void StressBanner::showPosition(const StressEstimate &estimate, const StressPosition &position)
{
    m_running = true;
    m_estimate = estimate;
    m_position = position;
    render();
}

void StressBanner::showIdle()
{
    m_running = false;
    render();
}

void StressBanner::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        render();
    QLabel::changeEvent(event);
}

void StressBanner::render()
{
    setVisible(m_fill || m_running);
    const QString left = formatDuration(m_position.remainingMs);
    if (!m_running)
        setText(tr("LabelStressMode").arg(m_rounds));
    else if (m_position.filling)
        setText(
            tr("LabelStressFilling").arg(m_position.file).arg(m_estimate.initialFiles).arg(left));
    else
        setText(tr("LabelStressRound").arg(m_position.round).arg(m_estimate.rounds).arg(left));
}
