#include "report.h"

#include <algorithm>
#include <functional>

namespace {
// Engine speed at least this share of fio's; engine CPU per GiB at most this multiple.
constexpr double kSpeedGoal = 0.98;
constexpr double kCpuGoal = 1.2;
constexpr double kBytesPerGiB = 1073741824.0;

using Metric = std::function<double(const RunFigures &)>;

struct MetricRow {
    QString label;
    Metric value;
    int precision;
    bool higherIsBetter;
    double goal;
};

const QVector<MetricRow> &metricRows()
{
    static const QVector<MetricRow> rows = {
        {QStringLiteral("write MiB/s"), [](const RunFigures &r) { return r.write.mibPerSec; }, 1,
         true, kSpeedGoal},
        {QStringLiteral("read MiB/s"), [](const RunFigures &r) { return r.read.mibPerSec; }, 1,
         true, kSpeedGoal},
        {QStringLiteral("write CPU s/GiB"),
         [](const RunFigures &r) { return r.write.cpuSecondsPerGiB(); }, 4, false, kCpuGoal},
        {QStringLiteral("read CPU s/GiB"),
         [](const RunFigures &r) { return r.read.cpuSecondsPerGiB(); }, 4, false, kCpuGoal},
    };
    return rows;
}

double medianOf(const QVector<RunFigures> &runs, const Metric &f)
{
    QVector<double> values;
    for (const RunFigures &run : runs)
        values.append(f(run));
    return median(values);
}

QString number(double value, int precision)
{
    return QString::number(value, 'f', precision);
}

// Smallest and largest ratio of the rounds, each round's side a against its side b.
QString ratioRange(const QVector<RunFigures> &a, const QVector<RunFigures> &b, const Metric &f)
{
    QVector<double> ratios;
    for (int i = 0; i < qMin(a.size(), b.size()); ++i) {
        if (f(b[i]) > 0.0)
            ratios.append(f(a[i]) / f(b[i]));
    }
    if (ratios.isEmpty())
        return QStringLiteral("n/a");
    const auto [lo, hi] = std::minmax_element(ratios.cbegin(), ratios.cend());
    return number(*lo, 2) + QLatin1Char('-') + number(*hi, 2);
}

QString header(const QString &a, const QString &b, const QString &last)
{
    return QStringLiteral("%1%2%3%4%5%6\n")
        .arg(QString(), -18)
        .arg(a, 11)
        .arg(b, 11)
        .arg(a + QLatin1Char('/') + b, 12)
        .arg(QStringLiteral("rounds"), 12)
        .arg(last, 16);
}
}  // namespace

double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

void printRun(QTextStream &out, int round, const QString &side, const RunFigures &run)
{
    out << QStringLiteral("round %1  %2").arg(round).arg(side, -6);
    if (!run.ok()) {
        out << "  failed: " << run.error << '\n';
        out.flush();
        return;
    }
    out << QStringLiteral("  write %1 MiB/s %2 CPU s/GiB   read %3 MiB/s %4 CPU s/GiB")
               .arg(number(run.write.mibPerSec, 1), 7)
               .arg(number(run.write.cpuSecondsPerGiB(), 4))
               .arg(number(run.read.mibPerSec, 1), 7)
               .arg(number(run.read.cpuSecondsPerGiB(), 4));
    if (run.wholeProcessCpuSeconds >= 0.0) {
        const double gib = double(run.write.bytes + run.read.bytes) / kBytesPerGiB;
        out << QStringLiteral("   (whole fio: %1)")
                   .arg(number(run.wholeProcessCpuSeconds / gib, 4));
    }
    out << '\n';
    out.flush();
}

bool printSummary(QTextStream &out, const QVector<RunFigures> &engine,
                  const QVector<RunFigures> &fio, const QVector<RunFigures> &workers)
{
    const QString engineName = QStringLiteral("engine");
    const QString fioName = QStringLiteral("fio");
    bool met = true;
    out << '\n' << QStringLiteral("Medians over %1 round(s)\n").arg(engine.size());
    out << header(engineName, fioName, QStringLiteral("goal    met"));
    for (const MetricRow &m : metricRows()) {
        const double e = medianOf(engine, m.value);
        const double f = medianOf(fio, m.value);
        QString ratio = QStringLiteral("n/a");
        QString verdict = QStringLiteral("n/a");
        if (f > 0.0) {
            const double r = e / f;
            const bool ok = m.higherIsBetter ? r >= m.goal : r <= m.goal;
            ratio = number(r, 3);
            verdict = ok ? QStringLiteral("yes") : QStringLiteral("NO");
            met = met && ok;
        } else {
            // Nothing measured to compare against: the goal cannot count as met.
            met = false;
        }
        const QString goal =
            (m.higherIsBetter ? QStringLiteral(">= ") : QStringLiteral("<= ")) + number(m.goal, 2);
        out << QStringLiteral("%1%2%3%4%5%6%7\n")
                   .arg(m.label, -18)
                   .arg(number(e, m.precision), 11)
                   .arg(number(f, m.precision), 11)
                   .arg(ratio, 12)
                   .arg(ratioRange(engine, fio, m.value), 12)
                   .arg(goal, 10)
                   .arg(verdict, 6);
    }
    out << (met ? QStringLiteral("All goals met.\n") : QStringLiteral("Some goals NOT met.\n"));

    if (!workers.isEmpty()) {
        // Where a gap comes from: the workers' own loop (worker/fio) or the pass around
        // them (engine/worker).
        const QString workerName = QStringLiteral("worker");
        out << '\n' << QStringLiteral("Diagnosis: bare file workers, no pass around them\n");
        out << header(workerName, fioName, QStringLiteral("engine/worker"));
        for (const MetricRow &m : metricRows()) {
            const double w = medianOf(workers, m.value);
            const double f = medianOf(fio, m.value);
            const double e = medianOf(engine, m.value);
            out << QStringLiteral("%1%2%3%4%5%6\n")
                       .arg(m.label, -18)
                       .arg(number(w, m.precision), 11)
                       .arg(number(f, m.precision), 11)
                       .arg(f > 0.0 ? number(w / f, 3) : QStringLiteral("n/a"), 12)
                       .arg(ratioRange(workers, fio, m.value), 12)
                       .arg(w > 0.0 ? number(e / w, 3) : QStringLiteral("n/a"), 16);
        }
    }
    out.flush();
    return met;
}
