#include "mainwindow.h"

#include "dashcamresultview.h"
#include "resultcells.h"
#include "resultcolumns.h"
#include "speedchartwidget.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

#include "datajudge.h"
#include "evaluation.h"
#include "runreport.h"
#include "verdictcell.h"
#include <algorithm>

namespace {

const QString tableStyle = QStringLiteral(
    "QTableWidget {   background: #ffffff;   alternate-background-color: #f7f9fc;   border: 1px "
    "solid #d0d7de;   border-radius: 4px;   gridline-color: transparent;   "
    "selection-background-color: transparent;}QTableWidget::item { padding: 4px 8px; border: "
    "none; }QHeaderView { background: transparent; }QHeaderView::section {   background: "
    "#eef1f5;   color: #333;   padding: 6px 4px;   font-weight: bold;   border: none;   "
    "border-bottom: 1px solid #d0d7de;}QHeaderView::section:first { border-top-left-radius: "
    "4px; }QHeaderView::section:last  { border-top-right-radius: 4px; }");

// Top and bottom padding of a header section and its bottom border, from the style sheet.
constexpr int headerPadding = 6 + 6 + 1;

QTableWidgetItem *placeholderItem(bool bold)
{
    auto *item = new QTableWidgetItem(QStringLiteral("--"));
    item->setTextAlignment(Qt::AlignCenter);
    if (bold) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    return item;
}

void makeBold(QTableWidgetItem *item)
{
    QFont font = item->font();
    font.setBold(true);
    item->setFont(font);
}

}  // namespace

void MainWindow::setupResultsTable()
{
    QTableWidget *t = resultsTable;
    t->setRowCount(0);
    t->setColumnCount(ResultColumn::Count);
    for (int column = 0; column < ResultColumn::Count; ++column) {
        auto *header = new QTableWidgetItem;
        if (column == ResultColumn::Label)
            header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        else if (column == ResultColumn::Verdict)
            header->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        t->setHorizontalHeaderItem(column, header);
    }
    t->verticalHeader()->hide();
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setFocusPolicy(Qt::NoFocus);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setAlternatingRowColors(true);
    t->setShowGrid(false);

    QHeaderView *h = t->horizontalHeader();
    h->setStretchLastSection(false);
    for (int column = 0; column < ResultColumn::Count; ++column)
        h->setSectionResizeMode(column, QHeaderView::Stretch);
    // At the window's minimum width a column is about 70 pixels, narrower than many
    // translated headers: they wrap onto a second line instead of losing letters, and a
    // number may use its cell's padding rather than be cut to "158.…".
    h->setDefaultAlignment(Qt::Alignment(QFlag(int(Qt::AlignCenter) | int(Qt::TextWordWrap))));
    QFont headerFont = h->font();
    headerFont.setBold(true);
    h->setMinimumHeight(2 * QFontMetrics(headerFont).lineSpacing() + headerPadding);
    t->setTextElideMode(Qt::ElideNone);
    h->setHighlightSections(false);
    t->verticalHeader()->setDefaultSectionSize(42);
    t->verticalHeader()->setMinimumSectionSize(42);
    t->setMinimumHeight(300);
    t->setMaximumHeight(500);
    t->setStyleSheet(tableStyle);
    showResultColumns();
}

void MainWindow::prepareResultRows(const QStringList &names)
{
    QTableWidget *t = resultsTable;
    const int rows = names.size() > 1 ? names.size() + 1 : 1;
    t->clearSpans();
    t->setRowCount(rows);
    judged = RunResults();
    showVerdicts();

    auto *total = new QTableWidgetItem(tr("RowCardTotal"));
    total->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    makeBold(total);
    total->setForeground(QColor(0x33, 0x33, 0x33));
    t->setItem(0, ResultColumn::Label, total);
    t->setSpan(0, ResultColumn::Label, 1, ResultColumn::LabelSpan);
    for (int column = ResultColumn::FirstWrite; column <= ResultColumn::LastRead; ++column)
        t->setItem(0, column, placeholderItem(true));
    t->setItem(0, ResultColumn::Verdict, placeholderItem(true));
    t->setSpan(0, ResultColumn::Verdict, 1, ResultColumn::VerdictSpan);

    for (int row = 1; row < rows; ++row) {
        const QString &name = names.at(row - 1);
        auto *label = new QTableWidgetItem(streamRowLabel(row - 1, name));
        label->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setToolTip(name);
        label->setForeground(QColor(0x55, 0x55, 0x55));
        t->setItem(row, ResultColumn::Label, label);
        t->setSpan(row, ResultColumn::Label, 1, ResultColumn::LabelSpan);
        for (int column = ResultColumn::FirstWrite; column <= ResultColumn::LastRead; ++column)
            t->setItem(row, column, placeholderItem(false));
        t->setItem(row, ResultColumn::Verdict, placeholderItem(false));
        t->setSpan(row, ResultColumn::Verdict, 1, ResultColumn::VerdictSpan);
    }
    t->resizeRowsToContents();
    showResultColumns();
}

void MainWindow::retranslateResultRows()
{
    if (resultsTable->rowCount() == 0)
        return;
    if (QTableWidgetItem *total = resultsTable->item(0, ResultColumn::Label))
        total->setText(tr("RowCardTotal"));
    const QVector<StreamSource> &streamSources = runner.streamSources();
    if (streamSources.size() >= 2) {
        // Tooltips keep the name of the language the test started in.
        const int last = std::min(resultsTable->rowCount() - 1, int(streamSources.size()));
        for (int row = 1; row <= last; ++row) {
            if (QTableWidgetItem *label = resultsTable->item(row, ResultColumn::Label))
                label->setText(streamRowLabel(row - 1, streamLabel(streamSources.at(row - 1))));
        }
    }
    // The same verdicts in the new words: the row labels and the data check's reason are the
    // only texts made at judging time.
    for (int i = 0; i < judged.rows.size() && i < resultsTable->rowCount(); ++i) {
        if (const QTableWidgetItem *label = resultsTable->item(i, ResultColumn::Label))
            judged.rows[i].label = label->text();
        judged.rows[i].result = judgeData(judged.rows[i].result, judgedCheck, i - 1);
    }
    showVerdicts();
}

void MainWindow::setSpeedCell(int row, int column, double value, double threshold)
{
    QTableWidgetItem *item = resultsTable->item(row, column);
    if (!item)
        return;
    item->setText(speedCellText(value));
    item->setForeground(QColor(speedCellColor(value, threshold)));
    makeBold(item);
}

void MainWindow::setRatioCell(int row, int column, double value, double warn, double fail,
                              const QString &toolTip)
{
    QTableWidgetItem *item = resultsTable->item(row, column);
    if (!item)
        return;
    item->setText(ratioCellText(value));
    item->setForeground(QColor(ratioCellColor(value, warn, fail)));
    makeBold(item);
    if (!toolTip.isEmpty())
        item->setToolTip(toolTip);
}

void MainWindow::fillPassColumns(PassDirection pass, int row, const SpeedStats &stats)
{
    const bool write = pass == PassDirection::Write;
    const int first = write ? ResultColumn::FirstWrite : ResultColumn::FirstRead;
    // The per-stream minimum colours the card-total row too.
    const double threshold = write ? rules.perStreamWrite : rules.perStreamRead;
    setSpeedCell(row, first + ResultColumn::Avg, stats.avg, threshold);
    setSpeedCell(row, first + ResultColumn::Max, stats.max, threshold);
    setSpeedCell(row, first + ResultColumn::Min, stats.min, threshold);
    setRatioCell(row, first + ResultColumn::Jitter, stats.jitter, rules.jitterWarn,
                 rules.jitterFail, QString());
    setRatioCell(row, first + ResultColumn::Cv, stats.cv, rules.cvWarn, rules.cvFail, QString());
    setRatioCell(row, first + ResultColumn::Drop, stats.dropRatio, rules.dropWarn, rules.dropFail,
                 dropSamplesTooltip(stats));
}

void MainWindow::showReadResults(bool visible)
{
    readGroup->setVisible(visible);
    speedChart->setReadVisible(visible);
    showResultColumns();
}

void MainWindow::showResultColumns()
{
    // Results have the columns their run measured (a stress run reads nothing); an empty
    // table those of the test the controls describe.
    const bool read = resultsTable->rowCount() > 0 ? runner.plan().readPass()
                                                   : rules.enableRead && !rules.fullCap;
    for (int column = ResultColumn::FirstRead; column <= ResultColumn::LastRead; ++column)
        resultsTable->setColumnHidden(column, !read);
}

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
    judged = judgeRun(runner, rules, testedCapacity());
    judgedCheck = runner.dataCheck();
    showVerdicts();
    resultsTable->resizeRowsToContents();
}

void MainWindow::showVerdicts()
{
    for (int row = 0; row < judged.rows.size() && row < resultsTable->rowCount(); ++row)
        setVerdictCell(row, judged.rows[row].result);
    dashcamView->showAssessment(judged.dashcam, testedCapacity());
    if (judged.rows.isEmpty()) {
        resultSummaryLabel->clear();
        resultSummaryLabel->hide();
        return;
    }
    // The rules that decided the test's verdict; the tooltip has them all.
    constexpr int kShownReasons = 3;
    QStringList deciding = verdictReasonLines(judged.rows, judged.worst);
    if (deciding.size() > kShownReasons)
        deciding = deciding.mid(0, kShownReasons) << QStringLiteral("…");
    resultSummaryLabel->setText(
        deciding.isEmpty()
            ? tr("SummaryVerdict").arg(verdictText(judged.worst))
            : tr("SummaryVerdictReasons")
                  .arg(verdictText(judged.worst), deciding.join(QStringLiteral("; "))));
    resultSummaryLabel->setToolTip(verdictReasonLines(judged.rows).join(QLatin1Char('\n')));
    resultSummaryLabel->setStyleSheet(
        QStringLiteral("color:%1;font-weight:bold;").arg(verdictColor(judged.worst)));
    resultSummaryLabel->show();
}

void MainWindow::setVerdictCell(int row, const RowResult &result)
{
    QTableWidgetItem *item = resultsTable->item(row, ResultColumn::Verdict);
    if (!item)
        return;
    const VerdictCellLook look = verdictCellLook(result, rules);
    QColor color(look.color);
    item->setText(look.text);
    item->setForeground(color);
    item->setFont(verdictFont(resultsTable->font()));
    item->setTextAlignment(Qt::AlignCenter);
    color.setAlpha(kVerdictBackgroundAlpha);
    item->setBackground(color);
    item->setToolTip(look.toolTip);
}
