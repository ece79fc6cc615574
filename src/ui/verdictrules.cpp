#include "mainwindow.h"

#include "verdictrulesstore.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSettings>
#include <QSignalBlocker>

void MainWindow::loadVerdictRules()
{
    // The per-stream minimums default to what their holders show, not to the record.
    takePerStreamThresholds();
    {
        QSettings settings;
        VerdictRulesStore::load(settings, &rules);
    }
    // Applied with the box's signals blocked: loading must not store the rules again.
    if (readTestCheck) {
        const QSignalBlocker blocker(readTestCheck);
        readTestCheck->setChecked(rules.enableRead);
    }
    showReadResults(rules.enableRead);
    // The spin boxes hold the per-stream minimums, and their limits apply to stored values.
    if (perStreamWriteSpin)
        perStreamWriteSpin->setValue(rules.perStreamWrite);
    if (perStreamReadSpin)
        perStreamReadSpin->setValue(rules.perStreamRead);
    takePerStreamThresholds();
}

void MainWindow::saveVerdictRules()
{
    takePerStreamThresholds();
    VerdictRulesStore::saveToDefaultStore(rules);
}

void MainWindow::takePerStreamThresholds()
{
    if (perStreamWriteSpin)
        rules.perStreamWrite = perStreamWriteSpin->value();
    if (perStreamReadSpin)
        rules.perStreamRead = perStreamReadSpin->value();
}
