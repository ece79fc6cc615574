#include "chartfixture.h"

#include "chartscale.h"
#include "chartseries.h"
#include "samplereducer.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
double largestSmoothed(const QVector<TestCurve> &curves)
{
    double largest = 0.0;
    for (const TestCurve &c : curves) {
        for (double v : c.smooth) {
            if (std::isfinite(v))
                largest = std::max(largest, v);
        }
    }
    return largest;
}

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

double unmatchedOneWay(const QImage &a, const QImage &b, int tolerance)
{
    qint64 unmatched = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            bool matched = false;
            for (int dy = -1; dy <= 1 && !matched; ++dy) {
                for (int dx = -1; dx <= 1 && !matched; ++dx) {
                    const QPoint q(x + dx, y + dy);
                    matched = b.rect().contains(q) && channelDistance(p, b.pixel(q)) <= tolerance;
                }
            }
            unmatched += matched ? 0 : 1;
        }
    }
    return unmatched / (double(a.width()) * a.height());
}
}  // namespace

void TestChartData::drawEverySample()
{
    for (auto *curves : {&write, &read}) {
        for (TestCurve &c : *curves)
            c.indices = drawableIndices(c.smooth);
    }
}

void TestChartData::drawEveryNth(int stride)
{
    for (auto *curves : {&write, &read}) {
        for (TestCurve &c : *curves) {
            c.indices.clear();
            for (int i = 0; i < c.smooth.size(); i += stride)
                c.indices.append(i);
            if (!c.smooth.isEmpty() && c.indices.last() != c.smooth.size() - 1)
                c.indices.append(c.smooth.size() - 1);
        }
    }
}

void TestChartData::feed(SpeedChartWidget &chart) const
{
    chart.setStreams(chartStreams(std::max(write.size(), read.size())));
    for (int s = 0; s < write.size(); ++s) {
        for (int j = 0; j < write[s].raw.size(); ++j)
            chart.addWriteSample(s, write[s].percent[j], write[s].raw[j]);
    }
    for (int s = 0; s < read.size(); ++s) {
        for (int j = 0; j < read[s].raw.size(); ++j)
            chart.addReadSample(s, read[s].percent[j], read[s].raw[j]);
    }
}

ChartScene TestChartData::scene(const QWidget &look, bool readVisible, const QString &writeTitle,
                                const QString &readTitle) const
{
    static const TestCurve empty;
    ChartScene scene;
    scene.size = look.size();
    scene.readVisible = readVisible;
    scene.background = look.palette().color(QPalette::Window);
    scene.fontFamily = look.font().family();
    scene.writeMax = scaleMaximum(largestSmoothed(write));
    scene.readMax = scaleMaximum(largestSmoothed(read));
    for (int s = 0; s < std::max(write.size(), read.size()); ++s) {
        const TestCurve &w = s < write.size() ? write[s] : empty;
        const TestCurve &r = s < read.size() ? read[s] : empty;
        scene.write.append(HalfCurve{&w.percent, &w.smooth, &w.indices});
        scene.read.append(HalfCurve{&r.percent, &r.smooth, &r.indices});
    }
    scene.writeTitle = writeTitle;
    scene.readTitle = readTitle;
    return scene;
}

TestChartData noisyChartData(int streams, int count, unsigned seed)
{
    QRandomGenerator random(seed);
    TestChartData data;
    data.write.resize(streams);
    data.read.resize(streams);
    for (int s = 0; s < streams; ++s) {
        TestCurve &w = data.write[s];
        TestCurve &r = data.read[s];
        for (int j = 0; j < count; ++j) {
            const int percent = int((qint64(j) + 1) * 100 / count);
            // A fast start, a slower middle with noise and an occasional deep stall.
            double speed = (j < count / 8 ? 70.0 : 30.0) + 6.0 * s;
            speed *= 0.75 + 0.5 * random.generateDouble();
            if (random.bounded(100) == 0)
                speed *= 0.1;
            appendChartSample(w.percent, w.raw, w.smooth, percent, speed);
            appendChartSample(r.percent, r.raw, r.smooth, percent,
                              (80.0 + 5.0 * s) * (0.8 + 0.4 * random.generateDouble()));
        }
    }
    return data;
}

QStringList chartStreams(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("stream %1").arg(i + 1);
    return names;
}

QImage renderWidget(SpeedChartWidget &chart)
{
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    chart.render(&image);
    return image;
}

QImage paintScene(const ChartScene &scene)
{
    QImage image(scene.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintSpeedChart(painter, scene);
    return image;
}

int maxChannelDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            worst = std::max(worst, channelDistance(a.pixel(x, y), b.pixel(x, y)));
    }
    return worst;
}

double unmatchedShare(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size())
        return 1.0;
    return std::max(unmatchedOneWay(a, b, tolerance), unmatchedOneWay(b, a, tolerance));
}

ShownChart::ShownChart(const QSize &size, int streams)
{
    resize(size);
    setStreams(chartStreams(streams));
    show();
    m_ready = QTest::qWaitForWindowExposed(this) && repainted();
    settle();
    paints = 0;
}

void ShownChart::settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

bool ShownChart::repainted()
{
    return QTest::qWaitFor([this] { return paints > 0; }, 1000);
}

void ShownChart::paintEvent(QPaintEvent *event)
{
    ++paints;
    SpeedChartWidget::paintEvent(event);
}
