// Benchmark: how long one paint of the speed chart takes at 1300 x 400 with 16 streams of
// long stress-test series, written and read. Never part of the test suite.
#include "sampledata.h"

#include "chartpainter.h"
#include "chartscale.h"
#include "chartseries.h"
#include "cputime.h"
#include "i18n.h"
#include "samplereducer.h"
#include "speedchartwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {
constexpr int kWidth = 1300;
constexpr int kHeight = 400;
constexpr int kStreams = 16;
constexpr double kGoalMs = 16.0;

struct Options {
    int repeat = 30;
    int fullRepeat = 3;
    QVector<int> sizes{2000, 20000, 100000};
    QString png;
};

struct Timing {
    double median = 0.0;     // wall clock, ms
    double worst = 0.0;      // wall clock, ms
    double cpuMedian = 0.0;  // CPU time of the process, ms: what the paint costs on a machine
                             // that nothing else is using
};

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// Runs `prepare` (untimed) and then `paint` (timed) `repeat` times.
Timing measure(int repeat, const std::function<void()> &prepare, const std::function<void()> &paint)
{
    QVector<double> ms, cpuMs;
    for (int r = 0; r < repeat; ++r) {
        prepare();
        const double cpuBefore = platform::processCpuSeconds();
        QElapsedTimer timer;
        timer.start();
        paint();
        ms.append(timer.nsecsElapsed() / 1e6);
        cpuMs.append((platform::processCpuSeconds() - cpuBefore) * 1e3);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpuMs.begin(), cpuMs.end());
    return Timing{ms[ms.size() / 2], ms.last(), cpuMs[cpuMs.size() / 2]};
}

QString paren(double ms)
{
    return QStringLiteral("(%1)").arg(ms, 0, 'f', 1);
}

double steadyWrite(int s)
{
    return 18.0 + 2.5 * s;
}

double steadyRead(int s)
{
    return 60.0 + 3.0 * s;
}

void fill(SpeedChartWidget &chart, int streams, int count)
{
    QStringList names;
    for (int s = 0; s < streams; ++s)
        names << QStringLiteral("stream %1").arg(s + 1);
    chart.setStreams(names);
    for (int s = 0; s < streams; ++s) {
        const PassSamples w = writePass(count, steadyWrite(s), 1000 + s);
        const PassSamples r = readPass(count, steadyRead(s), 2000 + s);
        for (int j = 0; j < count; ++j) {
            chart.addWriteSample(s, w.percent[j], w.mbps[j]);
            chart.addReadSample(s, r.percent[j], r.mbps[j]);
        }
    }
}

// The same data drawn the plain way, every sample of every curve as one path: what the
// reduction and the fast shapes are measured against.
Timing plainPaint(int count, int repeat, const QColor &background, const QString &family)
{
    struct Series {
        QVector<int> percent;
        QVector<double> raw, smooth;
        QVector<int> all;
    };
    QVector<Series> write(kStreams), read(kStreams);
    double writeLargest = 0.0, readLargest = 0.0;
    for (int s = 0; s < kStreams; ++s) {
        const PassSamples w = writePass(count, steadyWrite(s), 1000 + s);
        const PassSamples r = readPass(count, steadyRead(s), 2000 + s);
        for (int j = 0; j < count; ++j) {
            writeLargest =
                std::max(writeLargest, appendChartSample(write[s].percent, write[s].raw,
                                                         write[s].smooth, w.percent[j], w.mbps[j]));
            readLargest =
                std::max(readLargest, appendChartSample(read[s].percent, read[s].raw,
                                                        read[s].smooth, r.percent[j], r.mbps[j]));
        }
        write[s].all = drawableIndices(write[s].smooth);
        read[s].all = drawableIndices(read[s].smooth);
    }
    ChartScene scene;
    scene.size = QSize(kWidth, kHeight);
    scene.background = background;
    scene.fontFamily = family;
    scene.writeMax = scaleMaximum(writeLargest);
    scene.readMax = scaleMaximum(readLargest);
    for (int s = 0; s < kStreams; ++s) {
        scene.write.append(HalfCurve{&write[s].percent, &write[s].smooth, &write[s].all});
        scene.read.append(HalfCurve{&read[s].percent, &read[s].smooth, &read[s].all});
    }
    scene.writeTitle = QStringLiteral("Write");
    scene.readTitle = QStringLiteral("Read");
    scene.plainPaths = true;
    QImage image(scene.size, QImage::Format_ARGB32_Premultiplied);
    return measure(
        repeat, [] {},
        [&] {
            QPainter painter(&image);
            paintSpeedChart(painter, scene);
        });
}

bool parse(const QStringList &args, Options &options, QString &error)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QLatin1String("--repeat") && hasValue) {
            options.repeat = args[++i].toInt(&ok);
            ok = ok && options.repeat > 0;
        } else if (a == QLatin1String("--full-repeat") && hasValue) {
            options.fullRepeat = args[++i].toInt(&ok);
            ok = ok && options.fullRepeat >= 0;
        } else if (a == QLatin1String("--sizes") && hasValue) {
            options.sizes.clear();
            for (const QString &part : args[++i].split(QLatin1Char(','))) {
                const int n = part.toInt(&ok);
                if (!ok || n <= 0)
                    break;
                options.sizes.append(n);
            }
            ok = ok && !options.sizes.isEmpty();
        } else if (a == QLatin1String("--png") && hasValue) {
            options.png = args[++i];
        } else {
            ok = false;
        }
        if (!ok) {
            error = QStringLiteral("bad or incomplete option: %1").arg(a);
            return false;
        }
    }
    return true;
}

// A picture of two streams of a plausible test, for looking at rather than timing.
int writePicture(const QString &path)
{
    I18n::instance()->applyLanguage(English);
    SpeedChartWidget chart;
    chart.resize(900, 300);
    fill(chart, 2, 600);
    const QImage image = chart.grab().toImage();
    if (!image.save(path)) {
        out() << "cannot write " << path << Qt::endl;
        return 1;
    }
    out() << "wrote " << path << Qt::endl;
    return 0;
}
}  // namespace

int main(int argc, char *argv[])
{
    // Paints into images only: no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Options options;
    QString error;
    if (!parse(app.arguments(), options, error)) {
        out() << error << Qt::endl
              << "usage: chart_paint [--repeat N] [--full-repeat N] [--sizes N,N,...] "
                 "[--png FILE]"
              << Qt::endl;
        return 1;
    }
    if (!options.png.isEmpty())
        return writePicture(options.png);

    out() << "chart " << kWidth << " x " << kHeight << ", " << kStreams
          << " streams, write and read; ms per paint, median (worst) of " << options.repeat
          << " paints; cpu = the process's CPU time" << Qt::endl;
    out() << qSetFieldWidth(8) << "samples"
          << "load"
          << "first"
          << "same"
          << "(worst)"
          << "cpu"
          << "live"
          << "(worst)"
          << "cpu"
          << "plain" << qSetFieldWidth(0) << Qt::endl;

    bool goalMet = true;
    for (int count : options.sizes) {
        SpeedChartWidget chart;
        chart.resize(kWidth, kHeight);
        QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);

        QElapsedTimer fillTimer;
        fillTimer.start();
        fill(chart, kStreams, count);
        const double fillMs = fillTimer.nsecsElapsed() / 1e6;

        const Timing first = measure(
            1, [] {}, [&] { chart.render(&image); });
        // Repaints with nothing new, as when the window is uncovered.
        const Timing same = measure(
            options.repeat, [] {}, [&] { chart.render(&image); });
        // What a running test does: one more sample per stream and pass, then a paint.
        const Timing live = measure(
            options.repeat,
            [&] {
                for (int s = 0; s < kStreams; ++s) {
                    chart.addWriteSample(s, 100, steadyWrite(s));
                    chart.addReadSample(s, 100, steadyRead(s));
                }
            },
            [&] { chart.render(&image); });

        out() << qSetFieldWidth(8) << count << qSetRealNumberPrecision(1) << Qt::fixed << fillMs
              << first.median << same.median << paren(same.worst) << same.cpuMedian << live.median
              << paren(live.worst) << live.cpuMedian;
        if (options.fullRepeat > 0) {
            out() << plainPaint(count, options.fullRepeat, chart.palette().color(QPalette::Window),
                                chart.font().family())
                         .median;
        } else {
            out() << "-";
        }
        out() << qSetFieldWidth(0) << Qt::endl;
        goalMet = goalMet && live.median < kGoalMs && same.median < kGoalMs;
    }
    out() << "goal: median paint under " << kGoalMs
          << " ms at every size: " << (goalMet ? "met" : "MISSED") << Qt::endl;
    return goalMet ? 0 : 2;
}
