// What the chart draws where, without a widget: the scales, how a sample enters its series,
// which samples are drawn, the positions of plot, halves, grid, labels and legend, and the
// shapes a curve is drawn with. Expected values are worked out by hand from the rules.
#include "chartgeometry.h"
#include "chartscale.h"
#include "chartseries.h"
#include "curveshapes.h"
#include "samplereducer.h"

#include <QPainter>
#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>

using Points = QVector<QPointF>;
using Lines = QVector<QLineF>;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The smoothed series of `raw`, fed sample by sample at one percent.
QVector<double> smoothed(const QVector<double> &raw)
{
    QVector<int> percent;
    QVector<double> kept, smooth;
    for (double v : raw)
        appendChartSample(percent, kept, smooth, 50, v);
    return smooth;
}

bool close(double actual, double expected)
{
    return actual == expected || std::abs(actual - expected) <= 1e-12 * std::abs(expected);
}

// Fills `polygons` one by one with a translucent brush, as the chart fills its areas.
QImage fill(const QVector<QPolygonF> &polygons)
{
    QImage image(620, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(33, 150, 243, 90));
    for (const QPolygonF &polygon : polygons)
        p.drawPolygon(polygon);
    return image;
}
}  // namespace

class TestChartLayout : public QObject
{
    Q_OBJECT
private slots:
    void niceCeil_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        // Zero, negative or infinite x comes back unchanged.
        const double rows[][2] = {{10.8, 12},  {54, 60},   {95, 100},    {100, 100},   {1, 1},
                                  {1.01, 1.2}, {1.6, 2},   {2.2, 2.5},   {3.5, 4},     {7, 8},
                                  {8, 8},      {8.01, 10}, {251, 300},   {1234, 1500}, {0.45, 0.5},
                                  {0.09, 0.1}, {0, 0},     {-3.5, -3.5}, {kInf, kInf}};
        for (const auto &r : rows)
            QTest::addRow("%g", r[0]) << r[0] << r[1];
    }

    void niceCeil()
    {
        QFETCH(double, x);
        QFETCH(double, expected);
        QVERIFY2(close(::niceCeil(x), expected),
                 qPrintable(QString::number(::niceCeil(x), 'g', 17)));
    }

    void scale_data()
    {
        QTest::addColumn<double>("largest");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<QStringList>("labels");
        // 8 % headroom, never below 10 MB/s; labels have one decimal below 10, none above.
        const QStringList upTo12{"0.0", "2.4", "4.8", "7.2", "9.6", "12"};
        QTest::newRow("no data") << 0.0 << 12.0 << upTo12;
        QTest::newRow("slow data is lifted to 10") << 4.0 << 12.0 << upTo12;
        QTest::newRow("not a number") << kNaN << 12.0 << upTo12;
        QTest::newRow("50: 54 -> 60")
            << 50.0 << 60.0 << QStringList{"0.0", "12", "24", "36", "48", "60"};
        QTest::newRow("92: 99.36 -> 100")
            << 92.0 << 100.0 << QStringList{"0.0", "20", "40", "60", "80", "100"};
        QTest::newRow("93: 100.44 -> 120")
            << 93.0 << 120.0 << QStringList{"0.0", "24", "48", "72", "96", "120"};
        QTest::newRow("46: 49.68 -> 50")
            << 46.0 << 50.0 << QStringList{"0.0", "10", "20", "30", "40", "50"};
    }

    void scale()
    {
        QFETCH(double, largest);
        QFETCH(double, maximum);
        QVERIFY2(close(scaleMaximum(largest), maximum),
                 qPrintable(QString::number(scaleMaximum(largest))));
        QTEST(scaleLabels(scaleMaximum(largest)), "labels");
    }

    void percentIsBounded_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("stored");
        const int rows[][2] = {{-7, 0},    {INT_MIN, 0}, {0, 0},
                               {100, 100}, {101, 100},   {INT_MAX, 100}};
        for (const auto &r : rows)
            QTest::addRow("%d", r[0]) << r[0] << r[1];
    }

    // The percent is bounded; the speed is kept as given.
    void percentIsBounded()
    {
        QFETCH(int, percent);
        QVector<int> percents;
        QVector<double> raw, smooth;
        appendChartSample(percents, raw, smooth, percent, 42.5);
        QTEST(percents.value(0), "stored");
        QCOMPARE(raw, QVector<double>{42.5});
        QCOMPARE(smooth, QVector<double>{42.5});
    }

    // Raw speeds 1, 2, 3, ...: up to 15 samples the mean of 1..n is (1 + n) / 2, from then
    // on the mean of (n - 14)..n is n - 7.
    void movingAverage()
    {
        QVector<double> raw;
        for (int n = 1; n <= 40; ++n)
            raw.append(n);
        const QVector<double> smooth = smoothed(raw);
        QCOMPARE(smooth.size(), 40);
        QCOMPARE(smooth[0], 1.0);
        QCOMPARE(smooth[1], 1.5);
        QCOMPARE(smooth[14], 8.0);
        QCOMPARE(smooth[15], 9.0);  // samples 2 to 16
        QCOMPARE(smooth[39], 33.0);
    }

    // The average has no memory beyond its window: 15 equal values give that value exactly
    // after a long mix of huge and tiny ones (a running sum would drift), and a NaN spoils
    // only the windows it is in.
    void movingAverageForgets()
    {
        QVector<double> raw;
        for (int i = 0; i < 100000; ++i)
            raw.append(i % 2 ? 1e12 : 0.1);
        raw += QVector<double>(15, 5.0);
        QCOMPARE(smoothed(raw).last(), 5.0);

        QVector<double> spoilt{10.0, kNaN};
        spoilt += QVector<double>(14, 10.0);
        QVERIFY(std::isnan(smoothed(spoilt).last()));  // the NaN is still among the last 15
        spoilt.append(10.0);
        QCOMPARE(smoothed(spoilt).last(), 10.0);
    }

    void reducerKeepsRunExtremes_data()
    {
        QTest::addColumn<QVector<int>>("percents");
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<QVector<int>>("kept");
        const struct {
            const char *name;
            QVector<int> percents;
            QVector<double> values;
            QVector<int> kept;
        } rows[] = {
            {"one sample", {0}, {5}, {0}},
            {"one run: first, lowest, highest, last",
             {5, 5, 5, 5, 5, 5, 5},
             {4, 2, 7, 1, 9, 3, 5},
             {0, 3, 4, 6}},
            {"extremes in order, high first", {5, 5, 5, 5, 5}, {4, 9, 6, 1, 5}, {0, 1, 3, 4}},
            {"ties keep the earliest extreme", {5, 5, 5, 5, 5}, {3, 1, 8, 1, 8}, {0, 1, 2, 4}},
            {"first or last may be the extreme", {5, 5, 5, 5}, {1, 4, 3, 9}, {0, 3}},
            {"every percent its own run", {1, 2, 3, 4}, {3, 1, 4, 1}, {0, 1, 2, 3}},
            {"two runs",
             {1, 1, 1, 1, 2, 2, 2, 2, 2},
             {5, 6, 4, 5, 8, 2, 7, 9, 3},
             {0, 1, 2, 3, 4, 5, 7, 8}},
            {"a percent seen again starts a new run",
             {3, 3, 3, 4, 3, 3, 3},
             {1, 5, 2, 4, 6, 0, 6},
             {0, 1, 2, 3, 4, 5, 6}},
            {"values that cannot be drawn are left out",
             {2, 2, 2, 2, 2},
             {4, kInf, 1, kNaN, 3},
             {0, 2, 4}},
        };
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.percents << r.values << r.kept;
    }

    void reducerKeepsRunExtremes()
    {
        QFETCH(QVector<int>, percents);
        QFETCH(QVector<double>, values);
        SampleReducer reducer;
        for (int i = 0; i < percents.size(); ++i)
            reducer.add(percents[i], values[i]);
        QTEST(reducer.indices(), "kept");
        reducer.clear();
        QVERIFY(reducer.indices().isEmpty());
    }

    void plot_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("readVisible");
        QTest::addColumn<QRect>("plot");
        QTest::addColumn<double>("middle");
        QTest::addColumn<int>("titleWidth");
        // 55 pixels left for the write scale, 14 above, 21 below; 55 right of the plot for
        // the read scale, or only 10 without it.
        QTest::newRow("1300 x 400")
            << QSize(1300, 400) << true << QRect(QPoint(55, 14), QPoint(1244, 379)) << 650.0 << 595;
        QTest::newRow("1300 x 400, read hidden")
            << QSize(1300, 400) << false << QRect(QPoint(55, 14), QPoint(1289, 379)) << 1290.0
            << 1235;
        // An odd plot width puts the divider between two pixels.
        QTest::newRow("901 x 300")
            << QSize(901, 300) << true << QRect(QPoint(55, 14), QPoint(845, 279)) << 450.5 << 395;
    }

    void plot()
    {
        QFETCH(QSize, size);
        QFETCH(bool, readVisible);
        QFETCH(QRect, plot);
        QFETCH(double, middle);
        QFETCH(int, titleWidth);
        const ChartGeometry g = chartGeometry(size, readVisible);
        QCOMPARE(g.plot, plot);
        QCOMPARE(QRect(QPoint(g.x1, g.y1), QPoint(g.x2, g.y2)), plot);
        QCOMPARE(g.plotWidth, plot.width());
        QCOMPARE(g.plotHeight, plot.height());
        QCOMPARE(g.writeStart, 55.0);
        QCOMPARE(g.middle, middle);
        QCOMPARE(g.writeTitleBox(), QRect(55, plot.bottom() + 2, titleWidth, 18));
        QCOMPARE(g.readTitleBox(), QRect(int(middle), plot.bottom() + 2, titleWidth, 18));
    }

    // 1300 x 400: write half 55 .. 650, read half 650 .. 1244. Without the read half the
    // write half is the whole plot, 55 .. 1290, and the read half runs from just beyond the
    // plot back to its right edge.
    void halves()
    {
        const ChartGeometry shown = chartGeometry(QSize(1300, 400), true);
        const ChartGeometry hidden = chartGeometry(QSize(1300, 400), false);
        const struct {
            const ChartGeometry &g;
            int percent;
            double writeX, readX;
        } rows[] = {{shown, 0, 55, 650},           {shown, 50, 352.5, 947},
                    {shown, 100, 650, 1244},       {hidden, 0, 55, 1290},
                    {hidden, 25, 363.75, 1289.75}, {hidden, 100, 1290, 1289}};
        for (const auto &r : rows) {
            QCOMPARE(r.g.writeX(r.percent), r.writeX);
            QCOMPARE(r.g.readX(r.percent), r.readX);
        }
    }

    // Plot rows 14 .. 379, PH = 366: grid line i at 379 - (366 * i) / 5, truncated.
    void gridAndLabels()
    {
        const ChartGeometry g = chartGeometry(QSize(1300, 400), true);
        const int ys[] = {379, 306, 233, 160, 87, 13};
        for (int i = 0; i <= 5; ++i) {
            QCOMPARE(g.gridY(i), ys[i]);
            QCOMPARE(g.writeLabelBox(i), QRect(QPoint(0, ys[i] - 8), QPoint(50, ys[i] + 7)));
            QCOMPARE(g.readLabelBox(i), QRect(QPoint(1248, ys[i] - 8), QPoint(1294, ys[i] + 7)));
        }
        QCOMPARE(g.writeUnitBox(), QRect(QPoint(0, 0), QPoint(50, 13)));
        QCOMPARE(g.readUnitBox(), QRect(QPoint(1248, 0), QPoint(1294, 13)));
        QCOMPARE(g.speedY(0.0, 60.0), 379.0);
        QCOMPARE(g.speedY(30.0, 60.0), 196.0);
        QCOMPARE(g.speedY(60.0, 60.0), 13.0);
    }

    // 34 pixels per item, the row centred on the plot; a row wider than the plot starts
    // left of it, truncated towards zero.
    void legend_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("left");
        QTest::newRow("2 streams") << QSize(1300, 400) << 2 << 616;              // 55 + 1122 / 2
        QTest::newRow("9 streams") << QSize(1300, 400) << 9 << 497;              // 55 + 884 / 2
        QTest::newRow("16 streams, too wide") << QSize(301, 300) << 16 << -121;  // 55 - 176.5
    }

    void legend()
    {
        QFETCH(QSize, size);
        QFETCH(int, count);
        QFETCH(int, left);
        const ChartGeometry g = chartGeometry(size, true);
        QCOMPARE(g.legendLeft(count), left);
        QCOMPARE(g.legendSwatch(left, 0), QRect(left, 19, 10, 10));
        QCOMPARE(g.legendText(left, 0), QRect(left + 13, 18, 22, 12));
        QCOMPARE(g.legendSwatch(left, count - 1), QRect(left + 34 * (count - 1), 19, 10, 10));
    }

    void lineSegments_data()
    {
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<Lines>("spans");
        QTest::addColumn<Lines>("links");
        QTest::newRow("one point draws nothing") << Points{{5, 5}} << Lines{} << Lines{};
        QTest::newRow("a polyline is its links") << Points{{0, 10}, {2, 4}, {5, 8}} << Lines{}
                                                 << Lines{QLineF(0, 10, 2, 4), QLineF(2, 4, 5, 8)};
        // Up and down on x = 2 between 3 and 9: one span; the curve arrives at 6, leaves at 4.
        QTest::newRow("a run on one x is one span")
            << Points{{0, 5}, {2, 6}, {2, 3}, {2, 9}, {2, 4}, {4, 4}} << Lines{QLineF(2, 3, 2, 9)}
            << Lines{QLineF(0, 5, 2, 6), QLineF(2, 4, 4, 4)};
        QTest::newRow("the start on the half's edge joins the first run")
            << Points{{0, 7}, {0, 7}, {0, 2}, {3, 2}} << Lines{QLineF(0, 2, 0, 7)}
            << Lines{QLineF(0, 2, 3, 2)};
        QTest::newRow("a curve going back")
            << Points{{5, 1}, {3, 2}, {3, 8}, {6, 8}} << Lines{QLineF(3, 2, 3, 8)}
            << Lines{QLineF(5, 1, 3, 2), QLineF(3, 8, 6, 8)};
    }

    void lineSegments()
    {
        QFETCH(Points, vertices);
        const LineSegments segments = ::lineSegments(vertices);
        QTEST(segments.spans, "spans");
        QTEST(segments.links, "links");
    }

    void areaOutline_data()
    {
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<Points>("outline");
        QTest::newRow("nothing") << Points{} << Points{};
        QTest::newRow("a slope") << Points{{0, 4}, {10, 2}}
                                 << Points{{0, 20}, {0, 4}, {10, 2}, {10, 20}};
        // On x = 5 the curve goes 6, 1, 9, 3: only where it arrives and leaves bound the area.
        QTest::newRow("a run keeps its ends")
            << Points{{0, 4}, {5, 6}, {5, 1}, {5, 9}, {5, 3}, {8, 3}}
            << Points{{0, 20}, {0, 4}, {5, 6}, {5, 3}, {8, 3}, {8, 20}};
        QTest::newRow("a run at the half's edge")
            << Points{{0, 4}, {0, 1}, {0, 7}, {2, 7}} << Points{{0, 20}, {0, 7}, {2, 7}, {2, 20}};
    }

    void areaOutline()
    {
        QFETCH(Points, vertices);
        QFETCH(Points, outline);
        QCOMPARE(::areaOutline(vertices, 20.0), QPolygonF(outline));
    }

    void stripsCoverTheOutline_data()
    {
        QTest::addColumn<Points>("vertices");
        Points rising, zigzag, sawtooth;
        for (int i = 0; i <= 100; ++i) {
            const double x = 10.3 + 5.87 * i;
            rising.append(QPointF(x, 150.0 - i - 20.0 * ((i * 37) % 11) / 11.0));
            zigzag.append(QPointF(x, 60.0 + 50.0 * ((i * 53) % 17) / 17.0));
            zigzag.append(QPointF(x, 30.0 + 80.0 * ((i * 29) % 13) / 13.0));
            // Three passes over the same columns, as a curve whose percent starts again.
            sawtooth.append(QPointF(10.3 + 17.61 * (i % 34), 40.0 + (i * 7) % 90));
        }
        QTest::newRow("rising and noisy") << rising;
        QTest::newRow("two points per column") << zigzag;
        QTest::newRow("going back over itself") << sawtooth;
    }

    // The strips filled one by one with a translucent brush give the picture of the whole
    // outline filled at once: no seam where two strips meet, nothing missing, nothing twice.
    void stripsCoverTheOutline()
    {
        QFETCH(Points, vertices);
        const QPolygonF outline = ::areaOutline(vertices, 190.0);
        const QVector<QPolygonF> strips = areaStrips(outline, 32);
        QVERIFY(strips.size() > 3);
        const QImage whole = fill({outline});
        const QImage inStrips = fill(strips);
        int worst = 0;
        for (int y = 0; y < whole.height(); ++y) {
            for (int x = 0; x < whole.width(); ++x) {
                const QRgb a = whole.pixel(x, y);
                const QRgb b = inStrips.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)),
                                  std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        }
        QVERIFY2(worst <= 2,
                 qPrintable(QStringLiteral("largest channel difference %1").arg(worst)));
    }
};

QTEST_MAIN(TestChartLayout)
#include "tst_chartlayout.moc"
