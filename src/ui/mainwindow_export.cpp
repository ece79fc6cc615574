// Results that leave the window: a picture of the chart and the table, and the table as text
// for the clipboard. Both say which card was tested, how, when, and the verdict.
#include "mainwindow.h"

#include "dashcamresultview.h"
#include "filepicker.h"
#include "historydialog.h"
#include "i18n.h"
#include "logpanel.h"
#include "resultcolumns.h"
#include "runreport.h"
#include "speedchartwidget.h"
#include "verdictcell.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTableWidget>

namespace {
constexpr int kImageWidth = 1400;
constexpr int kChartHeight = 420;
constexpr int kMargin = 24;
constexpr int kRowHeight = 28;
constexpr int kHeaderRowHeight = 44;  // room for two lines: "Write" over "Jitter"

QString sizeText(qint64 bytes)
{
    return bytes >= 1073741824
               ? QStringLiteral("%1 GB").arg(double(bytes) / 1073741824.0, 0, 'f', 1)
               : QStringLiteral("%1 MB").arg(bytes / 1048576);
}
}  // namespace

void MainWindow::updateExportActions()
{
    const bool results = !runner.isRunning() && runner.outcome() == RoundRunner::Outcome::Completed
                         && resultsTable->rowCount() > 0;
    for (QAction *action : {saveReportAction, saveImageAction, copyResultsAction})
        action->setEnabled(results);
}

// The visible columns of the table, the label first: the read columns only when it read.
QList<int> MainWindow::exportColumns() const
{
    QList<int> columns{ResultColumn::Label};
    for (int c = ResultColumn::FirstWrite; c <= ResultColumn::LastRead; ++c) {
        if (!resultsTable->isColumnHidden(c))
            columns << c;
    }
    columns << ResultColumn::Verdict;
    return columns;
}

QString MainWindow::exportCell(int row, int column) const
{
    if (row < 0) {
        const QTableWidgetItem *header = resultsTable->horizontalHeaderItem(column);
        return header ? header->text() : QString();
    }
    const QTableWidgetItem *item = resultsTable->item(row, column);
    return item ? item->text() : QString();
}

QStringList MainWindow::resultHeaderLines() const
{
    const TestPlan &plan = runner.plan();
    QString mode = plan.mode == TestPlan::Mode::Files ? tr("RadioExternalFile") : tr("RadioRandom");
    if (plan.fill)
        mode = tr("LabelRollingWrite");
    const QString size =
        plan.mode == TestPlan::Mode::Files ? QStringLiteral("-") : sizeText(plan.testSize);
    return {
        cardTestedLine(testedCard),
        tr("LabelResultSettings")
            .arg(mode, QString::number(runner.streamSources().size()), size,
                 sizeText(plan.blockSize),
                 plan.readPass() ? QStringLiteral("\u2713") : QStringLiteral("\u2013"),
                 QString::number(plan.fill ? plan.fillRounds : plan.iterations)),
        tr("LabelResultDate").arg(QLocale().toString(testStarted, QLocale::ShortFormat)),
        tr("SummaryVerdict").arg(verdictText(judged.worst)),
    };
}

QString MainWindow::resultsText() const
{
    QStringList lines = resultHeaderLines();
    lines << QString();
    const QList<int> columns = exportColumns();
    for (int row = -1; row < resultsTable->rowCount(); ++row) {
        QStringList cells;
        for (int column : columns)
            cells << exportCell(row, column);
        lines << cells.join(QLatin1Char('\t'));
    }
    // Under the table, as in the window: the speed class and the dashcam profile's judgement.
    if (!dashcamView->lines().isEmpty())
        lines << QString() << dashcamView->lines();
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QImage MainWindow::resultsImage() const
{
    const QStringList header = resultHeaderLines() + dashcamView->lines();
    const QList<int> columns = exportColumns();
    const int rows = resultsTable->rowCount() + 1;
    const int headerHeight = kMargin + 34 + header.size() * 22;
    const int height = headerHeight + kChartHeight + kMargin + kHeaderRowHeight
                       + (rows - 1) * kRowHeight + kMargin;
    QImage image(kImageWidth, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QFont font = this->font();
    font.setPointSize(15);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x33, 0x33, 0x33));
    painter.drawText(kMargin, kMargin + 20, windowTitle());
    font.setPointSize(10);
    font.setBold(false);
    painter.setFont(font);
    for (int i = 0; i < header.size(); ++i)
        painter.drawText(kMargin, kMargin + 48 + i * 22, header[i]);

    painter.save();
    painter.translate(kMargin, headerHeight);
    speedChart->paintChart(painter, QSize(kImageWidth - 2 * kMargin, kChartHeight));
    painter.restore();

    // The table: the label column three shares wide, every other one share.
    const int top = headerHeight + kChartHeight + kMargin;
    const int shares = columns.size() + 2;
    const int share = (kImageWidth - 2 * kMargin) / shares;
    for (int row = -1; row < resultsTable->rowCount(); ++row) {
        const int y = row < 0 ? top : top + kHeaderRowHeight + row * kRowHeight;
        int x = kMargin;
        for (int column : columns) {
            const int width = column == ResultColumn::Label ? 3 * share : share;
            const QRect cell(x, y, width, row < 0 ? kHeaderRowHeight : kRowHeight);
            const QTableWidgetItem *item = row < 0 ? nullptr : resultsTable->item(row, column);
            if (row < 0)
                painter.fillRect(cell, QColor(0xee, 0xf2, 0xf7));
            else if (item && item->background().style() != Qt::NoBrush)
                painter.fillRect(cell, item->background());
            QFont cellFont = font;
            cellFont.setBold(row < 0 || (item && item->font().bold()));
            painter.setFont(cellFont);
            painter.setPen(item ? item->foreground().color() : QColor(0x33, 0x33, 0x33));
            const int align =
                (column == ResultColumn::Label ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter)
                | Qt::TextWordWrap;
            painter.drawText(cell.adjusted(6, 0, -6, 0), align, exportCell(row, column));
            painter.setPen(QColor(0xdd, 0xdd, 0xdd));
            painter.drawRect(cell);
            x += width;
        }
    }
    return image;
}

QString MainWindow::suggestedFileName(const QString &suffix) const
{
    QString card = testedCard.label.isEmpty() ? QFileInfo(testedCard.root.chopped(1)).fileName()
                                              : testedCard.label;
    card.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\s]+")), QStringLiteral("_"));
    return QStringLiteral("LumoraCard_%1_%2.%3")
        .arg(card.isEmpty() ? QStringLiteral("card") : card,
             testStarted.toString(QStringLiteral("yyyy-MM-dd_HHmm")), suffix);
}

void MainWindow::saveImage()
{
    const QString path = FilePicker::saveFileName(
        this, tr("DlgSaveImage"), suggestedFileName(QStringLiteral("png")), tr("FilterPng"));
    if (path.isEmpty())
        return;
    if (!resultsImage().save(path, "PNG"))
        prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgSaveFailed").arg(path));
}

void MainWindow::saveReport()
{
    const QString path = FilePicker::saveFileName(
        this, tr("DlgSaveReport"), suggestedFileName(QStringLiteral("json")), tr("FilterJson"));
    if (path.isEmpty())
        return;
    takePerStreamThresholds();
    const ReportSetup setup{QStringLiteral("lumoracard"),
                            I18n::codeOf(I18n::instance()->language()), cardJson(testedCard), false,
                            rules};
    QJsonObject report = runReport(runner, judgeRun(runner, rules, testedCapacity()), setup);
    report.insert(QStringLiteral("previous"), history->previous());
    const QByteArray json = QJsonDocument(report).toJson(QJsonDocument::Indented);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
        prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgSaveFailed").arg(path));
}

void MainWindow::saveLog()
{
    const QString path = FilePicker::saveFileName(
        this, tr("DlgSaveLog"), suggestedFileName(QStringLiteral("log")), tr("FilterLog"));
    if (!path.isEmpty() && !logPanel->saveTo(path))
        prompt(UserPrompt::Warning, tr("MsgErrorTitle"), tr("MsgSaveFailed").arg(path));
}

void MainWindow::copyResults()
{
    QGuiApplication::clipboard()->setText(resultsText());
    appendLog(tr("LogResultsCopied"));
}
