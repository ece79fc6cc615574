#pragma once

#include "dashcam.h"

#include <QLabel>

// Under the results table, beside the verdict line, on one line: the speed class the test
// measured and, with a recording profile, its judgement and hours of recording. The tooltip
// says why a class is no certification, why a channel fell short, and the hours of every preset.
class DashcamResultView : public QLabel
{
    Q_OBJECT
public:
    explicit DashcamResultView(QWidget *parent = nullptr);

    // Hidden until a test has a card-total write figure. `capacityBytes` -1: unknown.
    void showAssessment(const DashcamAssessment &assessment, qint64 capacityBytes);
    // The lines as shown, for the copied results and the saved image.
    QStringList lines() const { return m_lines; }

private:
    QStringList m_lines;
};
