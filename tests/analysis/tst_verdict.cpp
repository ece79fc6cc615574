// Judging statistics against the verdict rules on their exact boundaries, and what the
// result cells make of the figures and verdicts.
#include "resultcells.h"
#include "verdict.h"
#include "verdictcell.h"

#include <QtTest>

Q_DECLARE_METATYPE(SpeedStats)
Q_DECLARE_METATYPE(Verdict)

namespace {
constexpr Verdict P = Verdict::Pass, W = Verdict::Warn, F = Verdict::Fail;

// Statistics with clean metrics unless a row says otherwise.
SpeedStats figures(double avg, double min, double jitter = 0.0, double cv = 0.0,
                   double dropRatio = 0.0)
{
    SpeedStats s;
    s.avg = s.max = avg;
    s.min = min;
    s.jitter = jitter;
    s.cv = cv;
    s.dropRatio = dropRatio;
    return s;
}

// One results row: judged as the card total or as a stream, under the default rules with the
// read test on or off, and with or without the card-total minimums.
using Judge = RowVerdicts (*)(const SpeedStats &, const SpeedStats &, const VerdictRules &);
struct RowCase {
    const char *name;
    Judge judge;
    SpeedStats write, read;
    bool enableRead, cardMinimums;
    Verdict writeVerdict, readVerdict;
};

}  // namespace

Q_DECLARE_METATYPE(RowCase)

class TestVerdict : public QObject
{
    Q_OBJECT
private slots:
    void judge_data()
    {
        QTest::addColumn<SpeedStats>("stats");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<Verdict>("expected");

        // Default rules: jitter 0.65 / 0.45, CV 0.5 / 0.36, drops 0.2 / 0.1, min x 0.5; every
        // comparison strict.
        QTest::newRow("clean") << figures(30, 30) << 5.0 << P;
        QTest::newRow("min 2.4 < 5 x 0.5") << figures(30, 2.4) << 5.0 << F;
        QTest::newRow("min 2.5 = 5 x 0.5") << figures(30, 2.5) << 5.0 << W;
        QTest::newRow("min 5.0 = threshold") << figures(30, 5.0) << 5.0 << P;
        QTest::newRow("threshold 0, min 0") << figures(30, 0) << 0.0 << P;
        QTest::newRow("jitter at fail") << figures(30, 30, 0.65) << 0.0 << W;
        QTest::newRow("jitter above fail") << figures(30, 30, 0.651) << 0.0 << F;
        QTest::newRow("jitter at warn") << figures(30, 30, 0.45) << 0.0 << P;
        QTest::newRow("jitter above warn") << figures(30, 30, 0.451) << 0.0 << W;
        QTest::newRow("cv at fail") << figures(30, 30, 0, 0.5) << 0.0 << W;
        QTest::newRow("cv above fail") << figures(30, 30, 0, 0.501) << 0.0 << F;
        QTest::newRow("cv at warn") << figures(30, 30, 0, 0.36) << 0.0 << P;
        QTest::newRow("cv above warn") << figures(30, 30, 0, 0.361) << 0.0 << W;
        QTest::newRow("drops at fail") << figures(30, 30, 0, 0, 0.2) << 0.0 << W;
        QTest::newRow("drops above fail") << figures(30, 30, 0, 0, 0.21) << 0.0 << F;
        QTest::newRow("drops at warn") << figures(30, 30, 0, 0, 0.1) << 0.0 << P;
        QTest::newRow("drops above warn") << figures(30, 30, 0, 0, 0.11) << 0.0 << W;
        QTest::newRow("no data passes whatever it shows") << figures(0, 0, 9, 9, 1) << 5.0 << P;
        QTest::newRow("negative average passes") << figures(-1, 0, 9, 9, 1) << 5.0 << P;
    }

    void judge()
    {
        QFETCH(SpeedStats, stats);
        QFETCH(double, threshold);
        QTEST(judgeStats(stats, threshold, VerdictRules()), "expected");
    }

    void rowVerdicts_data()
    {
        QTest::addColumn<RowCase>("row");
        const SpeedStats none;
        const Judge card = judgeCardTotal, stream = judgeStreamRow;
        const RowCase rows[] = {
            // Card total: minimums write 10 / 20, read 10 / 30, applied after the metric rules
            // and only raising them; the per-stream minimum does not act there.
            {"card: write min 9.99", card, figures(40, 9.99), none, false, true, F, P},
            {"card: write min 10", card, figures(40, 10), none, false, true, W, P},
            {"card: write min 20", card, figures(40, 20), none, false, true, P, P},
            {"card: no per-stream minimum", card, figures(40, 3), none, false, false, P, P},
            {"card: metric Fail kept", card, figures(40, 15, 0.7), none, false, true, F, P},
            {"card: metric Warn raised by min", card, figures(40, 5, 0.5), none, false, true, F, P},
            {"card: no write data fails", card, none, none, false, true, F, P},
            {"card: read ignored while off", card, figures(40, 25), figures(40, 1, 0.9), false,
             true, P, P},
            {"card: read on, no read data fails", card, figures(40, 25), none, true, true, P, F},
            {"card: read min 25 < 30", card, figures(40, 25), figures(60, 25), true, true, P, W},
            {"card: read min 30", card, figures(40, 25), figures(60, 30), true, true, P, P},
            {"card: read min 9", card, figures(40, 25), figures(60, 9), true, true, P, F},
            // Streams: their own minimums (write 5, read 10, factor 0.5), no card-total minimum.
            {"stream: no card-total minimum", stream, figures(40, 6), none, false, true, P, P},
            {"stream: write min 2.4", stream, figures(40, 2.4), none, false, true, F, P},
            {"stream: read uses its own minimum", stream, figures(40, 6), figures(40, 6), true,
             true, P, W},
            {"stream: read min 4.99 < 10 x 0.5", stream, figures(40, 6), figures(40, 4.99), true,
             true, P, F},
            {"stream: read on, no read data passes", stream, figures(40, 6), none, true, true, P,
             P},
            {"stream: read off ignores bad read", stream, figures(40, 6), figures(40, 1, 0.9),
             false, true, P, P},
            // All reports at 100 %: a positive average with min 0 fails the minimum rule.
            {"stream: average without samples", stream, figures(40, 0), none, false, true, F, P},
        };
        for (const RowCase &r : rows)
            QTest::newRow(r.name) << r;
    }

    void rowVerdicts()
    {
        QFETCH(RowCase, row);
        VerdictRules rules;
        rules.enableRead = row.enableRead;
        if (!row.cardMinimums)
            rules.aggWriteFail = rules.aggWriteWarn = 0;
        const RowVerdicts v = row.judge(row.write, row.read, rules);
        QCOMPARE(v.write, row.writeVerdict);
        QCOMPARE(v.read, row.readVerdict);
    }

    // The row's verdict is the worse of its two, whichever pass it comes from.
    void rowIsTheWorse()
    {
        const Verdict rows[][3] = {{W, P, W}, {P, W, W}, {W, F, F}, {F, W, F}};
        for (const auto &r : rows) {
            const VerdictCellLook look = verdictCellLook({}, r[0], {}, r[1], VerdictRules());
            QCOMPARE(look.verdict, r[2]);
            QCOMPARE(look.color, verdictColor(r[2]));
        }
    }

    // Speeds are good at or above the threshold; ratios warn above `warn` and fail above
    // `fail` (the default jitter rules, 0.45 and 0.65).
    void cellColours_data()
    {
        QTest::addColumn<bool>("ratio");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("color");
        QTest::newRow("speed below") << false << 4.99 << StatusColor::bad();
        QTest::newRow("speed equal") << false << 5.0 << StatusColor::good();
        QTest::newRow("ratio at warn") << true << 0.45 << StatusColor::good();
        QTest::newRow("ratio between") << true << 0.5 << StatusColor::warn();
        QTest::newRow("ratio at fail") << true << 0.65 << StatusColor::warn();
        QTest::newRow("ratio above fail") << true << 0.66 << StatusColor::bad();
    }

    void cellColours()
    {
        QFETCH(bool, ratio);
        QFETCH(double, value);
        QTEST(ratio ? ratioCellColor(value, 0.45, 0.65) : speedCellColor(value, 5.0), "color");
    }
};

QTEST_GUILESS_MAIN(TestVerdict)
#include "tst_verdict.moc"
