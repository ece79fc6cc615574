#pragma once

#include "cardinfo.h"
#include "clioptions.h"
#include "terminalstyle.h"
#include "verdict.h"

#include <QCoreApplication>
#include <QJsonObject>

class ConsoleWriter;
class QIODevice;
class RunController;

// The end of an invocation: judges what the run collected with the rules, prints the
// results table after the averages, then the speed class and the dashcam profile's
// judgement, writes the JSON report where --json asks, and decides the exit status.
class ResultsReport
{
    Q_DECLARE_TR_FUNCTIONS(ResultsReport)
public:
    struct Setup {
        CliOptions options;
        VerdictRules rules;     // as used for this run, test switches included
        QString language;       // the code of the language in use
        TerminalStyle style;    // of the stream the results go to
        QIODevice *jsonStdout;  // where "--json -" writes
        QJsonObject card;       // the tested card as the system knows it
        CardInfo testedCard;    // the same, for the card history
        qint64 capacityBytes;   // its size, for the hours of recording; -1 when unknown
    };

    // Returns the exit status. A run that was stopped reports nothing more; one that failed
    // gets no table but still a JSON report (outcome "failed"). A report that cannot be
    // written makes the status that of a failed run.
    static int conclude(const RunController &controller, const Setup &setup,
                        ConsoleWriter *console);
};
