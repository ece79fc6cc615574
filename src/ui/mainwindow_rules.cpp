#include "mainwindow.h"

#include "verdictrulesstore.h"

#include "stressbanner.h"
#include "verdictrulesdialog.h"
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSettings>
#include <QSignalBlocker>
#include <QTableWidget>

void MainWindow::loadVerdictRules()
{
    // The per-stream minimums default to what their holders show, not to the record.
    takePerStreamThresholds();
    {
        QSettings settings;
        VerdictRulesStore::load(settings, &rules);
    }
    // Applied with the box's signals blocked: loading must not store the rules again.
    {
        const QSignalBlocker blocker(readTestCheck);
        readTestCheck->setChecked(rules.enableRead);
    }
    showReadResults(rules.enableRead);
    // The spin boxes hold the per-stream minimums, and their limits apply to stored values.
    perStreamWriteSpin->setValue(rules.perStreamWrite);
    perStreamReadSpin->setValue(rules.perStreamRead);
    takePerStreamThresholds();
    stressBanner->setMode(rules.fullCap, rules.iterCount);
}

void MainWindow::saveVerdictRules()
{
    takePerStreamThresholds();
    VerdictRulesStore::saveToDefaultStore(rules);
    stressBanner->setMode(rules.fullCap, rules.iterCount);
    showResultColumns();
}

void MainWindow::takePerStreamThresholds()
{
    rules.perStreamWrite = perStreamWriteSpin->value();
    rules.perStreamRead = perStreamReadSpin->value();
}

void MainWindow::openVerdictSettings()
{
    VerdictRulesDialog dialog(rules, perStreamWriteSpin->value(), perStreamReadSpin->value(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;

    rules = dialog.rules(rules);
    // The window's holders own the per-stream minimums and their limits.
    perStreamWriteSpin->setValue(dialog.perStreamWrite());
    perStreamReadSpin->setValue(dialog.perStreamRead());
    saveVerdictRules();

    // Judge the last test again with the new rules, trim included; its plan says which
    // passes it had. A run that failed or still runs has no verdict to revise.
    if (runner.outcome() != RoundRunner::Outcome::Completed || resultsTable->rowCount() < 1)
        return;
    fillPassResults(PassDirection::Write);
    if (runner.plan().readPass())
        fillPassResults(PassDirection::Read);
    evaluateVerdicts();
}
