#pragma once

#include <QCoreApplication>
#include <QString>

// The live progress line: what it says, and when it is worth printing. A terminal gets
// every sample (the line is redrawn in place); a log file or pipe at most one line a second.
class ProgressLine
{
    Q_DECLARE_TR_FUNCTIONS(ProgressLine)
public:
    enum class Phase { Write, Read };

    explicit ProgressLine(bool terminal);

    // `round` and `rounds` are 1-based; the round is shown only when there are several.
    // `remainingMs` is -1 while unknown. With `maxColumns` > 0 the line is fitted into that
    // many terminal columns: a shorter bar first, then fewer fields, then cut.
    static QString format(Phase phase, int percent, double currentMBps, double averageMBps,
                          int round, int rounds, qint64 elapsedMs, qint64 remainingMs,
                          int maxColumns = 0);

    // The columns a line may take on a terminal `terminalColumns` wide (0: unknown, taken
    // as 80). One is left free: a line that fills the last column wraps on some terminals.
    static int columnsFor(int terminalColumns);

    // Whether a sample arriving at `nowMs` (any monotonic clock) should be printed;
    // remembers the time of the lines it lets through.
    bool due(qint64 nowMs);

private:
    static constexpr qint64 kPipeIntervalMs = 1000;

    bool m_terminal;
    bool m_printed = false;
    qint64 m_lastMs = 0;
};
