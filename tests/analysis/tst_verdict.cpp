// Judging statistics against the verdict rules, and what the result cells show: texts,
// colours and the tooltips, in English through the program's own string table.
#include "i18n.h"
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

// The tooltip's figures in the order they are filled, one per placeholder.
class PlaceholderTooltip : public QTranslator
{
public:
    QString translate(const char *, const char *key, const char *, int) const override
    {
        if (qstrcmp(key, "VerdictTooltip") != 0)
            return QString();
        QStringList placeholders;
        for (int i = 1; i <= 19; ++i)
            placeholders << QStringLiteral("%%1").arg(i);
        return placeholders.join(QLatin1Char('|'));
    }
    bool isEmpty() const override { return false; }
};
}  // namespace

Q_DECLARE_METATYPE(RowCase)

class TestVerdict : public QObject
{
    Q_OBJECT

    I18n strings;
    I18n::Translator english{&strings.table(English), nullptr};

private slots:
    void keysShowUntilTranslated()
    {
        QCOMPARE(verdictText(Verdict::Warn), QStringLiteral("VerdictWarn"));
        QVERIFY(QCoreApplication::installTranslator(&english));
        QCOMPARE(verdictText(Verdict::Warn), QStringLiteral("⚠ Warn"));
    }

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
            {"card: write min 15", card, figures(40, 15), none, false, true, W, P},
            {"card: write min 9.99", card, figures(40, 9.99), none, false, true, F, P},
            {"card: write min 10", card, figures(40, 10), none, false, true, W, P},
            {"card: write min 20", card, figures(40, 20), none, false, true, P, P},
            {"card: no per-stream minimum", card, figures(40, 3), none, false, false, P, P},
            {"card: metric Fail kept", card, figures(40, 15, 0.7), none, false, true, F, P},
            {"card: metric Warn raised by min", card, figures(40, 5, 0.5), none, false, true, F, P},
            {"card: metric Warn stays Warn", card, figures(40, 15, 0.5), none, false, true, W, P},
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

    // The row's verdict is the worse of its two, shown with its text and colour.
    void verdictLook_data()
    {
        QTest::addColumn<Verdict>("write");
        QTest::addColumn<Verdict>("read");
        QTest::addColumn<Verdict>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("color");
        QTest::newRow("pass") << P << P << P << QStringLiteral("✓ Pass") << "#1976d2";
        QTest::newRow("warn write") << W << P << W << QStringLiteral("⚠ Warn") << "#e67e22";
        QTest::newRow("warn read") << P << W << W << QStringLiteral("⚠ Warn") << "#e67e22";
        QTest::newRow("warn write, fail read")
            << W << F << F << QStringLiteral("✗ Fail") << "#d32f2f";
        QTest::newRow("fail write") << F << P << F << QStringLiteral("✗ Fail") << "#d32f2f";
    }

    void verdictLook()
    {
        QFETCH(Verdict, write);
        QFETCH(Verdict, read);
        const VerdictCellLook look = verdictCellLook({}, write, {}, read, VerdictRules());
        QTEST(look.verdict, "row");
        QTEST(look.text, "text");
        QTEST(look.color, "color");
    }

    // Each figure in its place with its decimals: ratios in percent with one, minimums with
    // two, rule percentages with none, the factor with two.
    void tooltipArgumentOrder()
    {
        PlaceholderTooltip placeholders;  // consulted before the English table
        QVERIFY(QCoreApplication::installTranslator(&placeholders));
        SpeedStats w = figures(0, 12.3456, 0.123, 0.4567, 0.075);
        w.dropCount = 3;
        w.sampleCount = 40;
        SpeedStats r = figures(0, 88.8, 1.5, 0.0251, 1.0 / 7);
        r.dropCount = 11;
        r.sampleCount = 7;
        VerdictRules rules;
        rules.jitterFail = 0.7;
        rules.cvFail = 0.55;
        rules.dropFail = 0.25;
        rules.minSpeedMult = 0.35;
        rules.jitterWarn = 0.4;
        rules.cvWarn = 0.3;
        rules.dropWarn = 0.05;
        const QStringList expected{"12.3", "45.7", "3",  "40",   "7.5",   "12.35", "150.0",
                                   "2.5",  "11",   "7",  "14.3", "88.80", "70",    "55",
                                   "25",   "0.35", "40", "30",   "5"};
        QCOMPARE(verdictTooltip(w, r, rules).split('|'), expected);
    }

    // The whole English tooltip with the default rules; the read line is there even empty.
    void tooltipEnglish()
    {
        SpeedStats w = figures(0, 15, 0.5, 0.25, 0.1);
        w.dropCount = 2;
        w.sampleCount = 20;
        QCOMPARE(
            verdictTooltip(w, SpeedStats(), VerdictRules()),
            QStringLiteral("Write: jitter 50.0% · CV 25.0% · drops 2/20 (10.0%) · min 15.00 MB/s\n"
                           "Read : jitter 0.0% · CV 0.0% · drops 0/0 (0.0%) · min 0.00 MB/s\n\n"
                           "Rules (any subitem trips the row):\n"
                           "  Fail: jitter > 65% | CV > 50% | drops > 20% | min < threshold×0.50\n"
                           "  Warn: jitter > 45% | CV > 36% | drops > 10% | min < threshold"));
        SpeedStats drops;
        drops.dropCount = 3;
        drops.sampleCount = 40;
        QCOMPARE(dropSamplesTooltip(drops), QStringLiteral("3 / 40 samples below avg×60%"));
    }

    // Speeds: two decimals, good at or above the threshold. Ratios: one decimal in percent,
    // against the default jitter rules (warn above 0.45, fail above 0.65).
    void numberCells_data()
    {
        QTest::addColumn<bool>("ratio");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("color");
        const QString good = StatusColor::good(), warn = StatusColor::warn(),
                      bad = StatusColor::bad();
        QTest::newRow("speed above") << false << 25.0 << QStringLiteral("25.00") << good;
        QTest::newRow("speed below") << false << 4.99 << QStringLiteral("4.99") << bad;
        QTest::newRow("speed equal") << false << 5.0 << QStringLiteral("5.00") << good;
        QTest::newRow("speed rounded") << false << 85.3666 << QStringLiteral("85.37") << good;
        QTest::newRow("ratio between") << true << 0.5 << QStringLiteral("50.0%") << warn;
        QTest::newRow("ratio at fail") << true << 0.65 << QStringLiteral("65.0%") << warn;
        QTest::newRow("ratio above fail") << true << 0.66 << QStringLiteral("66.0%") << bad;
        QTest::newRow("ratio at warn") << true << 0.45 << QStringLiteral("45.0%") << good;
        QTest::newRow("ratio rounded") << true << 0.1234 << QStringLiteral("12.3%") << good;
    }

    void numberCells()
    {
        QFETCH(bool, ratio);
        QFETCH(double, value);
        QTEST(ratio ? ratioCellText(value) : speedCellText(value), "text");
        QTEST(ratio ? ratioCellColor(value, 0.45, 0.65) : speedCellColor(value, 5.0), "color");
    }
};

QTEST_GUILESS_MAIN(TestVerdict)
#include "tst_verdict.moc"
