#include "mainwindow.h"

#include "verdictrulesdialog.h"

#include <QDoubleSpinBox>
#include <QTableWidget>

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
