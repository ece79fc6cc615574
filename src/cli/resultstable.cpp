#include "resultstable.h"

#include "dashcam.h"
#include "resultcells.h"
#include "streamsource.h"
#include "textcolumns.h"
#include "verdictcell.h"

namespace {
const QString kGap = QStringLiteral("  ");

struct Cell {
    QString text;
    QString color;  // empty: not coloured
    bool bold = false;
};

struct Column {
    QString header;
    bool alignRight = true;
    QVector<Cell> cells;  // one per row
};

QString translated(const char *key)
{
    return QCoreApplication::translate("ResultsTable", key);
}

Column speedColumn(const char *key, const QVector<double> &values, double threshold)
{
    Column c{translated(key), true, {}};
    for (double v : values)
        c.cells.append({speedCellText(v), speedCellColor(v, threshold), false});
    return c;
}

Column ratioColumn(const char *key, const QVector<double> &values, double warn, double fail)
{
    Column c{translated(key), true, {}};
    for (double v : values)
        c.cells.append({ratioCellText(v), ratioCellColor(v, warn, fail), false});
    return c;
}

// The six columns of one pass; `keys` name their headers in the order avg, max, min,
// jitter, CV, drop.
QVector<Column> passColumns(const QVector<SpeedStats> &stats, const char *const keys[6],
                            double threshold, const VerdictRules &rules)
{
    QVector<double> avg, max, min, jitter, cv, drop;
    for (const SpeedStats &s : stats) {
        avg << s.avg;
        max << s.max;
        min << s.min;
        jitter << s.jitter;
        cv << s.cv;
        drop << s.dropRatio;
    }
    return {speedColumn(keys[0], avg, threshold),
            speedColumn(keys[1], max, threshold),
            speedColumn(keys[2], min, threshold),
            ratioColumn(keys[3], jitter, rules.jitterWarn, rules.jitterFail),
            ratioColumn(keys[4], cv, rules.cvWarn, rules.cvFail),
            ratioColumn(keys[5], drop, rules.dropWarn, rules.dropFail)};
}

QString pad(const QString &shown, int shownWidth, int width, bool alignRight)
{
    const QString blanks(qMax(0, width - shownWidth), QLatin1Char(' '));
    return alignRight ? blanks + shown : shown + blanks;
}

// One block: a header line, a rule under each header, then the rows.
QStringList renderBlock(const QVector<Column> &columns, const TerminalStyle &style)
{
    QVector<int> widths;
    for (const Column &c : columns) {
        int w = displayColumns(c.header);
        for (const Cell &cell : c.cells)
            w = qMax(w, displayColumns(cell.text));
        widths << w;
    }
    const int rowCount = columns.isEmpty() ? 0 : columns.first().cells.size();
    const int last = columns.size() - 1;

    auto line = [&](auto cellAt) {
        QString text;
        for (int i = 0; i <= last; ++i) {
            const auto [plain, shown] = cellAt(i);
            // No padding after the last column: no trailing blanks.
            const bool right = columns[i].alignRight;
            text +=
                (i == last && !right) ? shown : pad(shown, displayColumns(plain), widths[i], right);
            if (i < last)
                text += kGap;
        }
        return text;
    };

    QStringList lines;
    lines << line(
        [&](int i) { return std::make_pair(columns[i].header, style.bold(columns[i].header)); });
    lines << line([&](int i) {
        const QString rule(widths[i], QLatin1Char('-'));
        return std::make_pair(rule, rule);
    });
    for (int r = 0; r < rowCount; ++r) {
        lines << line([&](int i) {
            const Cell &cell = columns[i].cells[r];
            const QString shown = cell.color.isEmpty()
                                      ? (cell.bold ? style.bold(cell.text) : cell.text)
                                      : style.paint(cell.text, cell.color, cell.bold);
            return std::make_pair(cell.text, shown);
        });
    }
    return lines;
}
}  // namespace

QStringList ResultsTable::format(const QVector<ResultRow> &rows, const VerdictRules &rules,
                                 const TerminalStyle &style)
{
    static const char *const writeKeys[6] = {"ColWriteAvg",    "ColWriteMax", "ColWriteMin",
                                             "ColWriteJitter", "ColWriteCV",  "ColWriteDrop"};
    static const char *const readKeys[6] = {"ColReadAvg",    "ColReadMax", "ColReadMin",
                                            "ColReadJitter", "ColReadCV",  "ColReadDrop"};

    Column labels{translated("ColFile"), false, {}};
    Column verdicts{translated("ColVerdict"), false, {}};
    QVector<SpeedStats> writes;
    QVector<SpeedStats> reads;
    for (int i = 0; i < rows.size(); ++i) {
        const RowResult &r = rows[i].result;
        labels.cells.append({elideToWidth(rows[i].label, kMaxLabelWidth), QString(), i == 0});
        const VerdictCellLook look = verdictCellLook(r, rules);
        verdicts.cells.append({look.text, look.color, true});
        writes << r.write;
        reads << r.read;
    }

    QVector<Column> first{labels};
    first += passColumns(writes, writeKeys, rules.perStreamWrite, rules);
    if (!rules.enableRead) {
        first << verdicts;
        return renderBlock(first, style);
    }
    QVector<Column> second{labels};
    second += passColumns(reads, readKeys, rules.perStreamRead, rules);
    second << verdicts;
    return renderBlock(first, style) + QStringList{QString()} + renderBlock(second, style);
}

QString ResultsTable::verdictLine(Verdict worst, const TerminalStyle &style)
{
    return translated("SummaryVerdict")
        .arg(style.paint(verdictText(worst), verdictColor(worst), true));
}

QStringList ResultsTable::dataCheckLines(const DataCheck &check, const TerminalStyle &style)
{
    QStringList lines = dataCheckLogLines(check);
    if (lines.isEmpty())
        return lines;
    if (check.failed())
        lines[0] = style.paint(lines[0], verdictColor(Verdict::Fail), true);
    lines.prepend(QString());
    return lines;
}

QStringList ResultsTable::dashcamLines(const DashcamAssessment &assessment,
                                       const TerminalStyle &style)
{
    if (!assessment.measured)
        return {};
    QStringList lines{QString(), speedClassLine(assessment.speedClass)};
    if (assessment.profile) {
        const DashcamJudgement &j = *assessment.profile;
        const QString line = dashcamLine(j);
        lines << (j.judged ? style.paint(line, verdictColor(j.verdict), true) : line);
        lines += dashcamReasonLines(j);
    }
    return lines;
}
