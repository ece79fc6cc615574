#pragma once

#include "stressestimate.h"

#include <QLabel>

// Beside Start: says that the stress mode is on, and while it runs which file or round it
// writes and the time left. Hidden while the mode is off.
class StressBanner : public QLabel
{
    Q_OBJECT
public:
    explicit StressBanner(QWidget *parent = nullptr);

    // The mode as the verdict rules set it; shown while no stress run is under way.
    void setMode(bool fill, int rounds);
    void showPosition(const StressEstimate &estimate, const StressPosition &position);
    // Back to the mode's text at the end of a run.
    void showIdle();

protected:
    void changeEvent(QEvent *event) override;

private:
    void render();

    bool m_fill = false;
    int m_rounds = 0;
    bool m_running = false;
    StressEstimate m_estimate;
    StressPosition m_position;
};
