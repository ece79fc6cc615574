#include "mainwindow.h"

#include "verdictrulesdialog.h"

#include <QDoubleSpinBox>
#include <QTableWidget>

void MainWindow::openVerdictSettings()
{
    VerdictRulesDialog dialog(
        rules, perStreamWriteSpin ? perStreamWriteSpin->value() : rules.perStreamWrite,
        perStreamReadSpin ? perStreamReadSpin->value() : rules.perStreamRead, this);
    if (dialog.exec() != QDialog::Accepted)
        return;

    rules = dialog.rules(rules);
    // The window's holders own the per-stream minimums and their limits.
    if (perStreamWriteSpin)
        perStreamWriteSpin->setValue(dialog.perStreamWrite());
    if (perStreamReadSpin)
        perStreamReadSpin->setValue(dialog.perStreamRead());
    saveVerdictRules();

    // Judge the last test again with the new rules, trim included. A pass that has not
    // finished yet counts with an average of 0 until its end is reported.
    if (!resultsTable || resultsTable->rowCount() < 1)
        return;
    finishWriteStats(samples.card(PassDirection::Write).average());
    if (rules.enableRead)
        finishReadStats(samples.card(PassDirection::Read).average());
    else
        evaluateVerdicts();
}
