#pragma once

#include "figures.h"

#include <QTextStream>
#include <QVector>

// Middle value (mean of the two middle values for an even count); 0 for none.
double median(QVector<double> values);

// One line per pass of one run, printed as the runs go.
void printRun(QTextStream &out, int round, const QString &side, const RunFigures &run);

// The table of medians over all rounds with the ratios and goals; true when every goal
// is met. Bare-worker runs, when given, follow as diagnostic rows without goals.
bool printSummary(QTextStream &out, const QVector<RunFigures> &engine,
                  const QVector<RunFigures> &fio, const QVector<RunFigures> &workers);
