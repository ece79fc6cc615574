// Judging statistics against the verdict rules on their exact boundaries, what the result
// cells make of the figures and verdicts, and the rules in the settings store: what is read
// back, what is limited on the way, and how a typed-in value is read.
#include "dashcam.h"
#include "isolatedsettings.h"
#include "resultcells.h"
#include "verdict.h"
#include "verdictcell.h"
#include "verdictrulesstore.h"

#include <QtTest>

Q_DECLARE_METATYPE(SpeedStats)
Q_DECLARE_METATYPE(Verdict)

namespace {
constexpr Verdict P = Verdict::Pass, W = Verdict::Warn, F = Verdict::Fail;

// Statistics with clean metrics unless a row says otherwise.
SpeedStats figures(double avg, double min, double jitter = 0, double cv = 0, double drops = 0)
{
    return SpeedStats{avg, avg, min, jitter, cv, drops, 0, 0};
}

// The rules that fired, "pass rule measured/threshold verdict", e.g. "w jitterFail 0.7/0.65 F".
QString reasonsOf(const VerdictReasons &reasons)
{
    QStringList out;
    for (const VerdictReason &r : reasons) {
        out << QStringLiteral("%1 %2 %3/%4 %5")
                   .arg(r.pass == PassDirection::Write ? 'w' : 'r')
                   .arg(r.rule)
                   .arg(r.measured)
                   .arg(r.threshold)
                   .arg("PWF"[int(r.verdict)]);
    }
    return out.join(QStringLiteral(", "));
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
    const char *reasons;  // as reasonsOf() writes them
};
// Every field differs from its default, so a field that is not stored or not read shows.
VerdictRules unusualRules()
{
    VerdictRules r;
    for (const QString &pair :
         QStringLiteral("enableRead=true jitterFail=0.8 jitterWarn=0.333 cvFail=0.61 cvWarn=0.25 "
                        "dropFail=0.3 dropWarn=0.05 minSpeedMult=0.75 aggWriteFail=12.5 "
                        "aggWriteWarn=22.25 aggReadFail=15 aggReadWarn=45.5 slcTrim=false "
                        "fullCap=true iterCount=7 perStreamWrite=8.75 perStreamRead=12.5 "
                        "historyDropWarn=0.4 dashcamMargin=2.25")
             .split(' '))
        VerdictRulesStore::setField(&r, pair.section('=', 0, 0), pair.section('=', 1));
    return r;
}

// Field by field through the store's own names, so a failure names the key.
void compareRules(const VerdictRules &actual, const VerdictRules &expected)
{
    for (const QString &key : VerdictRulesStore::keys()) {
        const QVariant a = VerdictRulesStore::field(actual, key);
        const QVariant e = VerdictRulesStore::field(expected, key);
        QVERIFY2(
            a.isValid() && a == e,
            qPrintable(QStringLiteral("%1: %2, expected %3").arg(key, a.toString(), e.toString())));
    }
}
}  // namespace

Q_DECLARE_METATYPE(RowCase)

class TestVerdict : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void judge_data()
    {
        QTest::addColumn<SpeedStats>("stats");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<Verdict>("expected");
        QTest::addColumn<QString>("reasons");  // as reasonsOf() writes them

        // Default rules: jitter 0.65 / 0.45, CV 0.5 / 0.36, drops 0.2 / 0.1, min x 0.5; every
        // comparison strict. Of a fail and a warn rule on one figure only the deciding one is
        // given; each figure that crossed a rule gives its own.
        QTest::newRow("clean") << figures(30, 30) << 5.0 << P << "";
        QTest::newRow("min 2.4 < 5 x 0.5")
            << figures(30, 2.4) << 5.0 << F << "w minSpeedMult 2.4/2.5 F";
        QTest::newRow("min 2.5 = 5 x 0.5")
            << figures(30, 2.5) << 5.0 << W << "w perStreamWrite 2.5/5 W";
        QTest::newRow("min 5.0 = threshold") << figures(30, 5.0) << 5.0 << P << "";
        QTest::newRow("threshold 0, min 0") << figures(30, 0) << 0.0 << P << "";
        QTest::newRow("jitter at fail")
            << figures(30, 30, 0.65) << 0.0 << W << "w jitterWarn 0.65/0.45 W";
        QTest::newRow("jitter above fail")
            << figures(30, 30, 0.651) << 0.0 << F << "w jitterFail 0.651/0.65 F";
        QTest::newRow("jitter at warn") << figures(30, 30, 0.45) << 0.0 << P << "";
        QTest::newRow("jitter above warn")
            << figures(30, 30, 0.451) << 0.0 << W << "w jitterWarn 0.451/0.45 W";
        QTest::newRow("cv at fail") << figures(30, 30, 0, 0.5) << 0.0 << W << "w cvWarn 0.5/0.36 W";
        QTest::newRow("cv above fail")
            << figures(30, 30, 0, 0.501) << 0.0 << F << "w cvFail 0.501/0.5 F";
        QTest::newRow("cv at warn") << figures(30, 30, 0, 0.36) << 0.0 << P << "";
        QTest::newRow("cv above warn")
            << figures(30, 30, 0, 0.361) << 0.0 << W << "w cvWarn 0.361/0.36 W";
        QTest::newRow("drops at fail")
            << figures(30, 30, 0, 0, 0.2) << 0.0 << W << "w dropWarn 0.2/0.1 W";
        QTest::newRow("drops above fail")
            << figures(30, 30, 0, 0, 0.21) << 0.0 << F << "w dropFail 0.21/0.2 F";
        QTest::newRow("drops at warn") << figures(30, 30, 0, 0, 0.1) << 0.0 << P << "";
        QTest::newRow("drops above warn")
            << figures(30, 30, 0, 0, 0.11) << 0.0 << W << "w dropWarn 0.11/0.1 W";
        QTest::newRow("every figure") << figures(30, 4, 0.5, 0.6, 0.3) << 5.0 << F
                                      << "w jitterWarn 0.5/0.45 W, w cvFail 0.6/0.5 F, "
                                         "w dropFail 0.3/0.2 F, w perStreamWrite 4/5 W";
        QTest::newRow("no data passes whatever it shows")
            << figures(0, 0, 9, 9, 1) << 5.0 << P << "";
    }

    void judge()
    {
        QFETCH(SpeedStats, stats);
        QFETCH(double, threshold);
        VerdictReasons reasons;
        QTEST(judgeStats(stats, threshold, VerdictRules(), PassDirection::Write, &reasons),
              "expected");
        QTEST(reasonsOf(reasons), "reasons");
    }

    void rowVerdicts_data()
    {
        QTest::addColumn<RowCase>("row");
        const SpeedStats none;
        const Judge card = judgeCardTotal, stream = judgeStreamRow;
        const RowCase rows[] = {
            // Card total: minimums write 10 / 20, read 10 / 30, applied after the metric rules
            // and only raising them; the per-stream minimum does not act there.
            {"card: write min 9.99", card, figures(40, 9.99), none, false, true, F, P,
             "w aggWriteFail 9.99/10 F"},
            {"card: write min 10", card, figures(40, 10), none, false, true, W, P,
             "w aggWriteWarn 10/20 W"},
            {"card: write min 20", card, figures(40, 20), none, false, true, P, P, ""},
            {"card: no per-stream minimum", card, figures(40, 3), none, false, false, P, P, ""},
            {"card: metric Fail kept", card, figures(40, 15, 0.7), none, false, true, F, P,
             "w jitterFail 0.7/0.65 F, w aggWriteWarn 15/20 W"},
            {"card: metric Warn raised by min", card, figures(40, 5, 0.5), none, false, true, F, P,
             "w jitterWarn 0.5/0.45 W, w aggWriteFail 5/10 F"},
            {"card: no write data fails", card, none, none, false, true, F, P,
             "w aggWriteFail 0/10 F"},
            {"card: read off", card, figures(40, 25), figures(40, 1, 0.9), false, true, P, P, ""},
            {"card: read on, no read data fails", card, figures(40, 25), none, true, true, P, F,
             "r aggReadFail 0/10 F"},
            {"card: read min 25 < 30", card, figures(40, 25), figures(60, 25), true, true, P, W,
             "r aggReadWarn 25/30 W"},
            {"card: read min 30", card, figures(40, 25), figures(60, 30), true, true, P, P, ""},
            {"card: read min 9", card, figures(40, 25), figures(60, 9), true, true, P, F,
             "r aggReadFail 9/10 F"},
            // Streams: their own minimums (write 5, read 10, factor 0.5), no card-total minimum.
            {"stream: no card-total minimum", stream, figures(40, 6), none, false, true, P, P, ""},
            {"stream: write min 2.4", stream, figures(40, 2.4), none, false, true, F, P,
             "w minSpeedMult 2.4/2.5 F"},
            {"stream: own read min", stream, figures(40, 6), figures(40, 6), true, true, P, W,
             "r perStreamRead 6/10 W"},
            {"stream: read min 4.99", stream, figures(40, 6), figures(40, 4.99), true, true, P, F,
             "r minSpeedMult 4.99/5 F"},
            {"stream: no read data", stream, figures(40, 6), none, true, true, P, P, ""},
            {"stream: read off", stream, figures(40, 6), figures(40, 1, 0.9), false, true, P, P,
             ""},
            // All reports at 100 %: a positive average with min 0 fails the minimum rule.
            {"stream: average without samples", stream, figures(40, 0), none, false, true, F, P,
             "w minSpeedMult 0/2.5 F"},
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
        QCOMPARE(reasonsOf(v.reasons), QString::fromUtf8(row.reasons));
    }

    // Speeds are good at or above the threshold; ratios warn above `warn` and fail above
    // `fail` (the default jitter rules, 0.45 and 0.65).
    void cellColours()
    {
        QCOMPARE(speedCellColor(4.99, 5.0), StatusColor::bad());
        QCOMPARE(speedCellColor(5.0, 5.0), StatusColor::good());
        const std::pair<double, QString> ratios[] = {{0.45, StatusColor::good()},
                                                     {0.5, StatusColor::warn()},
                                                     {0.65, StatusColor::warn()},
                                                     {0.66, StatusColor::bad()}};
        for (const auto &[value, color] : ratios)
            QCOMPARE(ratioCellColor(value, 0.45, 0.65), color);
    }

    // The SD classes count MB/s of 10^6 bytes, this program 2^20: each class is met from
    // its exact boundary on (2e6 / 2^20 = 1.9073486328125 MB/s for C2), not a hair below.
    void speedClass_data()
    {
        QTest::addColumn<double>("sustained");
        QTest::addColumn<QString>("classes");
        const struct {
            const char *name;
            double at;
            const char *met, *below;
        } bounds[] = {
            {"C2", 1.9073486328125, "C2", "-"},
            {"C4", 3.814697265625, "C4", "C2"},
            {"V6 C6", 5.7220458984375, "V6 C6", "C4"},
            {"V10 U1 C10", 9.5367431640625, "V10 U1 C10", "V6 C6"},
            {"V30 U3", 28.6102294921875, "V30 U3 C10", "V10 U1 C10"},
            {"V60", 57.220458984375, "V60 U3 C10", "V30 U3 C10"},
            {"V90", 85.8306884765625, "V90 U3 C10", "V60 U3 C10"},
        };
        for (const auto &b : bounds) {
            QTest::newRow(b.name) << b.at << b.met;
            QTest::newRow(QByteArray("below ") + b.name) << b.at - 1e-9 << b.below;
        }
        // "30 MB/s" read as this program's MB would be a class too high.
        QTest::newRow("30 MB/s of 2^20 bytes") << 30.0 << "V30 U3 C10";
        QTest::newRow("no data") << 0.0 << "-";
    }

    void speedClass()
    {
        QFETCH(double, sustained);
        const SpeedClasses c = speedClassesOf(sustained);
        QStringList met;
        for (const QString &name : {c.videoName(), c.uhsName(), c.className()}) {
            if (!name.isEmpty())
                met << name;
        }
        QTEST(met.isEmpty() ? QStringLiteral("-") : met.join(' '), "classes");
    }

    // A channel in Mbit/s of 10^6 bits against MB/s of 2^20 bytes: 12 Mbit/s is
    // 1.430511474609375 MB/s, 50 Mbit/s 5.9604644775390625; fit from bitrate x margin on,
    // marginal from the bitrate on, not fit below it.
    void dashcamChannel_data()
    {
        QTest::addColumn<double>("sustained");
        QTest::addColumn<double>("bitrate");
        QTest::addColumn<double>("margin");
        QTest::addColumn<Verdict>("expected");
        QTest::newRow("12: below the bitrate") << 1.4305 << 12.0 << 1.5 << F;
        QTest::newRow("12: at the bitrate") << 1.430511474609375 << 12.0 << 1.5 << W;
        QTest::newRow("12: below x 1.5") << 2.1457 << 12.0 << 1.5 << W;
        QTest::newRow("12: at x 1.5") << 2.1457672119140625 << 12.0 << 1.5 << P;
        QTest::newRow("50: 5.96 below 5.9605") << 5.96 << 50.0 << 1.5 << F;
        QTest::newRow("50: at the bitrate, margin 1") << 5.9604644775390625 << 50.0 << 1.0 << P;
        QTest::newRow("50: fit at x 1.5 only with it") << 8.9406967163085 << 50.0 << 1.5 << W;
        QTest::newRow("50: above x 2") << 12.0 << 50.0 << 2.0 << P;
    }

    void dashcamChannel()
    {
        QFETCH(double, sustained);
        QFETCH(double, bitrate);
        QFETCH(double, margin);
        QTEST(judgeChannel(sustained, bitrate, margin), "expected");
    }

    // A profile against the rows of a results table (card total, then the streams when there
    // are several): "streams judged verdict, channel verdict:sustained ..., hours".
    void dashcamAssessment_data()
    {
        QTest::addColumn<QVector<double>>("mins");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one stream is the card total") << QVector<double>{9.0} << "4k"
                                                      << "1 judged P, P:9, 1.6 h";
        QTest::newRow("rear marginal") << QVector<double>{20, 15, 2} << "4k+1080p"
                                       << "2 judged W, P:15 W:2, 1.3 h";
        QTest::newRow("front not fit") << QVector<double>{20, 5.9, 3} << " 50, 12 "
                                       << "2 judged F, F:5.9 P:3, 1.3 h";
        QTest::newRow("other stream count") << QVector<double>{20, 15, 2} << "taxi"
                                            << "2 unjudged P, -:0 -:0 -:0, 1.8 h";
        QTest::newRow("no test") << QVector<double>{} << "1440p"
                                 << "0 unjudged P, -:0, 4.0 h";
        QTest::newRow("no profile") << QVector<double>{20} << ""
                                    << "";
    }

    void dashcamAssessment()
    {
        QFETCH(QVector<double>, mins);
        QFETCH(QString, profile);
        QVector<RowResult> rows;
        for (double min : mins)
            rows.append({figures(40, min), SpeedStats(), {}, {}});
        DashcamProfile p;
        QCOMPARE(parseDashcamProfile(profile, &p), ProfileError::None);
        // 36e9 bytes hold 4 hours at 20 Mbit/s.
        const DashcamAssessment a = assessForDashcam(rows, p, 1.5, 36000000000LL);
        QCOMPARE(a.measured, !rows.isEmpty());
        QCOMPARE(a.speedClass.sustainedMBps, rows.isEmpty() ? 0.0 : mins[0]);
        QString shown;
        if (a.profile) {
            const DashcamJudgement &j = *a.profile;
            QStringList channels;
            for (const DashcamChannel &c : j.channels)
                channels << (c.measured ? QString("PWF"[int(c.verdict)]) : "-") + ':'
                                + QString::number(c.sustainedMBps);
            shown = QStringLiteral("%1 %2 %3, %4, %5 h")
                        .arg(j.testStreams)
                        .arg(j.judged ? "judged" : "unjudged")
                        .arg("PWF"[int(a.verdict())])
                        .arg(channels.join(' '))
                        .arg(j.hours, 0, 'f', 1);
        }
        QTEST(shown, "expected");
    }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(isolateSettings(m_dir.filePath(QStringLiteral("config"))));
    }

    // Every field is written and reads back as it was; a missing key keeps its field, so an
    // empty store gives the first-start defaults.
    void roundTrip()
    {
        for (const QString &key : VerdictRulesStore::keys())
            QVERIFY2(VerdictRulesStore::field(unusualRules(), key)
                         != VerdictRulesStore::field(VerdictRules(), key),
                     qPrintable(key));
        VerdictRulesStore::saveToDefaultStore(unusualRules());
        compareRules(VerdictRulesStore::loadFromDefaultStore(), unusualRules());
        QSettings settings;
        settings.remove(QStringLiteral("verdict/cvWarn"));
        VerdictRules rules;
        VerdictRulesStore::load(settings, &rules);
        VerdictRules expected = unusualRules();
        expected.cvWarn = VerdictRules().cvWarn;
        compareRules(rules, expected);
        settings.clear();
        compareRules(VerdictRulesStore::loadFromDefaultStore(), VerdictRules());
    }

    // Each key names a field of its own: setting one leaves every other key's field alone.
    void keysNameTheirOwnFields()
    {
        for (const QString &key : VerdictRulesStore::keys()) {
            VerdictRules rules;
            QVERIFY(VerdictRulesStore::setField(&rules, key,
                                                VerdictRulesStore::field(unusualRules(), key)));
            for (const QString &other : VerdictRulesStore::keys())
                QVERIFY2(other == key
                             || VerdictRulesStore::field(rules, other)
                                    == VerdictRulesStore::field(VerdictRules(), other),
                         qPrintable(key + " changed " + other));
        }
    }

    // The tooltip names each limit where its text asks for it: the fail limits, then the warn
    // limits.
    void tooltipLimits()
    {
        struct Placeholders : QTranslator {
            QString translate(const char *, const char *key, const char *, int) const override
            {
                QStringList all;
                for (int i = 1; i <= 19; ++i)
                    all << QStringLiteral("%%1").arg(i);
                return QByteArray(key) == "VerdictTooltip" ? all.join(' ') : QString();
            }
        } placeholders;
        QCoreApplication::installTranslator(&placeholders);
        VerdictRules rules;
        rules.jitterFail = 0.61;
        rules.cvFail = 0.52;
        rules.dropFail = 0.43;
        rules.minSpeedMult = 0.34;
        rules.jitterWarn = 0.25;
        rules.cvWarn = 0.16;
        rules.dropWarn = 0.07;
        const QString tip = verdictTooltip(SpeedStats(), SpeedStats(), rules);
        QCoreApplication::removeTranslator(&placeholders);
        QCOMPARE(tip.section(' ', 12), QStringLiteral("61 52 43 0.34 25 16 7"));
    }

    // A hand-edited store is limited on the way in.
    void storedValueIsLimited()
    {
        const std::tuple<const char *, const char *, QVariant> rows[] = {
            {"iterCount", "250", 99},
            {"iterCount", "0", 1},
            {"perStreamWrite", "5000", 2000.0},
            {"perStreamWrite", "5.556", 5.56},
            {"perStreamRead", "-4", 0.0},
            {"cvFail", "nan", 0.0},
            {"cvFail", "high", 0.0},
            {"dashcamMargin", "0.5", 1.0},
        };
        for (const auto &[key, stored, loaded] : rows) {
            VerdictRules rules;
            QVERIFY2(VerdictRulesStore::setField(&rules, key, stored), stored);
            QCOMPARE(VerdictRulesStore::field(rules, key), loaded);
        }
    }

    // Strict reading of what a person typed; a refused text leaves the value untouched.
    void typedValue()
    {
        using E = VerdictRulesStore::TextError;
        const std::tuple<const char *, const char *, E, QVariant> rows[] = {
            {"cvFail", "1e3", E::None, 1000.0},       {"dropWarn", " 0.2 ", E::None, 0.2},
            {"aggReadFail", "0", E::None, 0.0},       {"slcTrim", "FALSE", E::None, false},
            {"fullCap", "1", E::None, true},          {"iterCount", "12", E::None, 12},
            {"AggWriteWarn", "5", E::UnknownKey, {}}, {"aggWriteWarn", "", E::BadValue, {}},
            {"aggWriteWarn", "-1", E::BadValue, {}},  {"jitterWarn", "nan", E::BadValue, {}},
            {"jitterWarn", "inf", E::BadValue, {}},   {"perStreamWrite", "5MB/s", E::BadValue, {}},
            {"slcTrim", "2", E::BadValue, {}},        {"iterCount", "2.5", E::BadValue, {}},
        };
        for (const auto &[key, text, error, value] : rows) {
            QVariant parsed(QStringLiteral("untouched"));
            QVERIFY2(VerdictRulesStore::parseText(key, text, &parsed) == error, text);
            QCOMPARE(parsed, error == E::None ? value : QVariant(QStringLiteral("untouched")));
        }
    }
};

QTEST_GUILESS_MAIN(TestVerdict)
#include "tst_verdict.moc"
