#include "mainwindow.h"

#include "evaluation.h"
#include "resultcolumns.h"
#include "verdictcell.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QTableWidget>

namespace {

// The verdict stands out by a fixed step over the table's normal item font, so setting it
// again (every pass, every accepted rules change) never makes it grow.
QFont verdictFont(const QFont &tableFont)
{
    QFont font = tableFont;
    font.setWeight(kVerdictFontWeight);
    if (tableFont.pointSizeF() > 0)
        font.setPointSizeF(tableFont.pointSizeF() + kVerdictPointSizeIncrease);
    else
        font.setPixelSize(tableFont.pixelSize() + kVerdictPointSizeIncrease * 4 / 3);
    return font;
}

}  // namespace

void MainWindow::fillPassResults(PassDirection pass)
{
    takePerStreamThresholds();
    const SampleCollection &samples = runner.samples();
    fillPassColumns(pass, 0, samples.card(pass).stats(rules.slcTrim));
    for (int i = 0; i <= resultsTable->rowCount() - 2 && i < samples.streamCount(); ++i)
        fillPassColumns(pass, i + 1, samples.stream(pass, i).stats(rules.slcTrim));
}

void MainWindow::evaluateVerdicts()
{
    takePerStreamThresholds();
    const SampleCollection &samples = runner.samples();
    const RowResult total = evaluateCardTotal(samples, rules);
    setVerdictCell(0, total.write, total.verdicts.write, total.read, total.verdicts.read);
    for (int i = 0; i <= resultsTable->rowCount() - 2 && i < samples.streamCount(); ++i) {
        const RowResult r = evaluateStream(samples, i, rules);
        setVerdictCell(i + 1, r.write, r.verdicts.write, r.read, r.verdicts.read);
    }
    resultsTable->resizeRowsToContents();
}

void MainWindow::setVerdictCell(int row, const SpeedStats &writeStats, Verdict writeVerdict,
                                const SpeedStats &readStats, Verdict readVerdict)
{
    QTableWidgetItem *item = resultsTable->item(row, ResultColumn::Verdict);
    if (!item)
        return;
    const VerdictCellLook look =
        verdictCellLook(writeStats, writeVerdict, readStats, readVerdict, rules);
    QColor color(look.color);
    item->setText(look.text);
    item->setForeground(color);
    item->setFont(verdictFont(resultsTable->font()));
    item->setTextAlignment(Qt::AlignCenter);
    color.setAlpha(kVerdictBackgroundAlpha);
    item->setBackground(color);
    item->setToolTip(look.toolTip);
}
