#include "dashcamresultview.h"

#include "verdictcell.h"

DashcamResultView::DashcamResultView(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("dashcamResultView"));
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    hide();
}

void DashcamResultView::showAssessment(const DashcamAssessment &assessment, qint64 capacityBytes)
{
    m_lines.clear();
    if (!assessment.measured) {
        clear();
        hide();
        return;
    }
    m_lines << speedClassLine(assessment.speedClass);
    QStringList tip{speedClassNote()};
    QString color = QStringLiteral("#333333");
    if (assessment.profile) {
        const DashcamJudgement &j = *assessment.profile;
        m_lines << dashcamLine(j);
        const QStringList reasons = dashcamReasonLines(j);
        m_lines += reasons;
        if (!reasons.isEmpty())
            tip << QString() << reasons;
        if (j.judged)
            color = verdictColor(j.verdict);
    }
    const QStringList hours = presetHoursLines(capacityBytes);
    if (!hours.isEmpty())
        tip << QString() << hours;
    // One line under the table, where the height is short; the reasons are in the tooltip.
    setText(m_lines.mid(0, 2).join(QStringLiteral("   ·   ")));
    setToolTip(tip.join(QLatin1Char('\n')));
    setStyleSheet(QStringLiteral("color:%1;").arg(color));
    show();
}
