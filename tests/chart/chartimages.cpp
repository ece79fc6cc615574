#include "chartimages.h"

#include "chartscale.h"
#include "chartseries.h"
#include "samplereducer.h"
#include "speedchartwidget.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
void addTo(QVector<TestCurve> &curves, int stream, int percent, double mbps)
{
    if (curves.size() <= stream)
        curves.resize(stream + 1);
    TestCurve &c = curves[stream];
    appendChartSample(c.percent, c.raw, c.smooth, percent, mbps);
}

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
}  // namespace

void TestChartData::addWrite(int stream, int percent, double mbps)
{
    addTo(write, stream, percent, mbps);
}

void TestChartData::addRead(int stream, int percent, double mbps)
{
    addTo(read, stream, percent, mbps);
}

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
    const int streams = std::max(write.size(), read.size());
    QStringList names;
    for (int s = 0; s < streams; ++s)
        names << QStringLiteral("stream %1").arg(s + 1);
    chart.setStreams(names);
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
    const int streams = std::max(write.size(), read.size());
    for (int s = 0; s < streams; ++s) {
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
    for (int s = 0; s < streams; ++s) {
        for (int j = 0; j < count; ++j) {
            const int percent = int((qint64(j) + 1) * 100 / count);
            // A fast start, a slower middle with noise and an occasional deep stall.
            double w = (j < count / 8 ? 70.0 : 30.0) + 6.0 * s;
            w *= 0.75 + 0.5 * random.generateDouble();
            if (random.bounded(100) == 0)
                w *= 0.1;
            data.addWrite(s, percent, w);
            data.addRead(s, percent, (80.0 + 5.0 * s) * (0.8 + 0.4 * random.generateDouble()));
        }
    }
    return data;
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

ImageDifference compareImages(const QImage &a, const QImage &b)
{
    ImageDifference d;
    if (a.size() != b.size()) {
        d.maxChannel = 255;
        d.meanChannel = 255.0;
        d.differentShare = 1.0;
        return d;
    }
    qint64 sum = 0;
    qint64 different = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int diffs[4] = {
                std::abs(qRed(ra[x]) - qRed(rb[x])), std::abs(qGreen(ra[x]) - qGreen(rb[x])),
                std::abs(qBlue(ra[x]) - qBlue(rb[x])), std::abs(qAlpha(ra[x]) - qAlpha(rb[x]))};
            const int worst = *std::max_element(diffs, diffs + 4);
            d.maxChannel = std::max(d.maxChannel, worst);
            sum += diffs[0] + diffs[1] + diffs[2] + diffs[3];
            if (worst > 16)
                ++different;
        }
    }
    const double pixels = double(a.width()) * a.height();
    d.meanChannel = sum / (4.0 * pixels);
    d.differentShare = different / pixels;
    return d;
}

namespace {
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
            if (!matched)
                ++unmatched;
        }
    }
    return unmatched / (double(a.width()) * a.height());
}
}  // namespace

double unmatchedShare(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size())
        return 1.0;
    return std::max(unmatchedOneWay(a, b, tolerance), unmatchedOneWay(b, a, tolerance));
}

bool sameArea(const QImage &a, const QImage &b, const QRect &area)
{
    return a.copy(area) == b.copy(area);
}
