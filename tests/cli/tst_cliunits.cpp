// The front end's parts in-process: what the command line accepts and the test it asks for.
#include "cardinfo.h"
#include "clioptions.h"
#include "consolewriter.h"
#include "i18n.h"
#include "isolatedsettings.h"
#include "progressline.h"
#include "resultstable.h"
#include "sizeparse.h"
#include "terminalstyle.h"
#include "textcolumns.h"

#include <QtTest>

namespace {
// The test a parse asked for, on one line: the numbers always, everything else when set.
// The target every row gives, /media/card/, is left out (made absolute and shown as the
// parser makes it: on Windows it gains the current drive and backslashes).
QString summary(const CliOptions &o)
{
    static const QString card =
        displayPath(QFileInfo(QStringLiteral("/media/card")).absoluteFilePath() + '/');
    const TestPlan p = o.plan();
    QStringList parts{
        "size=" + formatSize(p.testSize), QStringLiteral("streams=%1").arg(p.streams),
        "block=" + formatSize(p.blockSize),
        QStringLiteral("rounds=%1 iterations=%2").arg(p.fillRounds).arg(p.iterations)};
    const std::pair<bool, QString> optional[] = {
        {p.target != card, "target=" + p.target},
        {p.read, "read"},
        {p.fill, "fill"},
        {o.force, "force"},
        {o.clean, "clean"},
        {p.mode == TestPlan::Mode::Files, "files=" + p.files.join(',')},
        {!o.language.isEmpty(), "lang=" + o.language},
        {!o.jsonPath.isEmpty(), "json=" + o.jsonPath},
        {p.dashcam.isSet(), "dashcam=" + p.dashcam.spec()}};
    for (const auto &[set, text] : optional) {
        if (set)
            parts << text;
    }
    for (auto it = o.ruleOverrides.cbegin(); it != o.ruleOverrides.cend(); ++it)
        parts << it.key() + ':' + it.value().toString();
    return parts.join(' ');
}

}  // namespace

class TestCliUnits : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        // Messages are looked up by key, as in the program, from no settings of the user's.
        QVERIFY(m_dir.isValid() && isolateSettings(m_dir.path()));
        I18n::instance()->applyLanguage(English);
    }

    void sizes()
    {
        // The last is the largest that fits.
        const char *texts[] = {"3000", "64k", "1536K", "8KB", "3gib", " 1G ", "8388607T"};
        const qint64 sizes[] = {
            3000, 65536, 1572864, 8192, 3221225472, 1073741824, 9223370937343148032};
        for (int i = 0; i < 7; ++i) {
            qint64 parsed = 0;
            QVERIFY2(parseSize(texts[i], &parsed) && parsed == sizes[i], texts[i]);
            QVERIFY2(parseSize(formatSize(sizes[i]), &parsed) && parsed == sizes[i], texts[i]);
        }
        // Empty, no number, zero, signs, fractions, unknown or doubled units, inner blanks,
        // overflow with and without a unit; the value is left alone.
        for (const char *text : {"", "M", "0", "-1M", "+1M", "1.5G", "1P", "1MG", "1 G", "8388608T",
                                 "99999999999999999999"}) {
            qint64 parsed = -7;
            QVERIFY2(!parseSize(text, &parsed) && parsed == -7, text);
        }
    }

    void columns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("columns");
        QTest::newRow("ASCII") << "Write Test [#...]  42%" << 22;
        QTest::newRow("CJK") << "写入测试" << 8;
        QTest::newRow("mixed") << "平均 12.50 MB/s" << 15;
        QTest::newRow("fullwidth punctuation and letters") << "（ＡＢ）：" << 10;
        QTest::newRow("Hangul and kana") << "한글カナ" << 8;
        QTest::newRow("CJK extension B") << QString::fromUcs4(U"\U00020000x") << 3;
        QTest::newRow("narrow signs") << "✓ · ⚠ é" << 7;
        QTest::newRow("combining mark, zero width") << "e\u0301\u200b" << 1;
        QTest::newRow("combining marks on wide and narrow") << "写\u0301\u20dda\u0308" << 3;
    }

    void columns()
    {
        QFETCH(QString, text);
        QFETCH(int, columns);
        // The table's measure agrees with the progress line's, and a cut text keeps to its room.
        QCOMPARE(displayColumns(text), columns);
        const QString cut = elideToWidth(text + text, columns);
        QVERIFY2(columns < 4 || (cut.endsWith("...") && displayColumns(cut) <= columns),
                 qPrintable(cut));
        // The table sizes its columns by the same measure: the rule under the labels.
        const QString label = text + QString(10, QLatin1Char('x'));
        const QStringList lines =
            ResultsTable::format({{label, RowResult()}}, VerdictRules(), TerminalStyle());
        QCOMPARE(lines.value(1).section(QLatin1Char(' '), 0, 0).size(), columns + 10);
    }

    // Each pass's speeds are coloured by its own minimum: 8 MB/s is above the 5 MB/s write
    // minimum and below the 10 MB/s read one.
    void tableColours()
    {
        VerdictRules rules;
        rules.perStreamWrite = 5.0;
        rules.perStreamRead = 10.0;
        rules.enableRead = true;
        RowResult r;
        r.write.avg = r.write.max = r.write.min = 8.0;
        r.read = r.write;
        const TerminalStyle style(TerminalStyle::Mode::TrueColor);
        const QStringList lines = ResultsTable::format({{"s", r}, {"t", r}}, rules, style);
        const QString red = style.paint("8.00", "#d32f2f");
        const int readBlock = lines.indexOf(QString());
        QVERIFY(readBlock > 0);
        QVERIFY(!lines.mid(0, readBlock).join('\n').contains(red));
        QVERIFY(lines.mid(readBlock).join('\n').contains(red));
    }

    void colourOnlyWhenWanted()
    {
        qputenv("NO_COLOR", "1");
        QCOMPARE(TerminalStyle::modeFor(true), TerminalStyle::Mode::Plain);
        qunsetenv("NO_COLOR");
        QVERIFY(TerminalStyle::modeFor(true) != TerminalStyle::Mode::Plain);
        QCOMPARE(TerminalStyle::modeFor(false), TerminalStyle::Mode::Plain);
    }

    // At its widest (many rounds, four-digit speeds, hours to go) a line never wraps an
    // 80-column terminal in any language and still ends with the time left; a wide terminal
    // gets the whole line. A shorter line after it blanks exactly the columns it leaves.
    void progressLineFits()
    {
        for (Language lang : {SimplifiedChinese, English, TraditionalChinese}) {
            I18n::instance()->applyLanguage(lang);
            const auto line = [](int columns) {
                return ProgressLine::format(ProgressLine::Phase::Write, 100, 9999.99, 9999.99, 99,
                                            99, 359999000, 359999000, columns);
            };
            const QString fitted = line(ProgressLine::columnsFor(80));
            QVERIFY2(displayColumns(fitted) < 80, qPrintable(fitted));
            const QString whole = line(0);
            const QString timeLeft = whole.mid(whole.lastIndexOf(QLatin1String("99:59:59")));
            QVERIFY2(fitted.endsWith(timeLeft), qPrintable(fitted));
            QCOMPARE(line(ProgressLine::columnsFor(200)), whole);
            // A single round has no round to name.
            QVERIFY(
                !ProgressLine::format(ProgressLine::Phase::Write, 50, 9.5, 9.5, 1, 1, 1000, 1000, 0)
                     .contains("1/1"));

            QBuffer err;
            err.open(QIODevice::WriteOnly);
            ConsoleWriter console(nullptr, &err, true);
            console.progress(fitted);
            console.progress(QStringLiteral("x"));
            const QString shown = QString::fromLocal8Bit(err.data()).section('\r', 2);
            QCOMPARE(displayColumns(shown), displayColumns(fitted));
        }
        I18n::instance()->applyLanguage(English);
    }

    // A log file gets at most a line a second, counted from the last line it got; a terminal
    // gets every sample.
    void progressLinePace()
    {
        ProgressLine log(false), terminal(true);
        QStringList due;
        for (qint64 ms : {0, 500, 1000, 1500, 1999, 2100})
            due << QString::number(log.due(ms)) + QString::number(terminal.due(ms));
        QCOMPARE(due, QStringList({"11", "01", "11", "01", "01", "11"}));
    }

    void options_data()
    {
        QTest::addColumn<QString>("args");    // after the program name
        QTest::addColumn<QString>("chosen");  // summary() of the result; empty: refused
        QTest::addColumn<QString>("named");   // what a refusal must mention

        const QString d = "size=1G streams=1 block=1M rounds=1 iterations=1";
        const QString cwd = QDir::currentPath();
        const auto row = [](const char *args, const QString &chosen) {
            QTest::newRow(args) << QString("--target /media/card ") + args << chosen << QString();
        };
        row("", d);
        row("--size 4M --streams 16 --block 64K --read --iterations 99",
            "size=4M streams=16 block=64K rounds=1 iterations=99 read");
        row("--block 8388608", "size=1G streams=1 block=8M rounds=1 iterations=1");
        row("--fill --size 512M --rounds 5 --force",
            "size=512M streams=1 block=1M rounds=5 iterations=1 fill force");
        row("--file clips/a.mp4 --file /data/b.mp4 --read",
            d + " read files=" + cwd + "/clips/a.mp4,"
                + QFileInfo("/data/b.mp4").absoluteFilePath());
        QTest::newRow("relative target")
            << "--target card" << d + " target=" + displayPath(cwd + "/card/") << "";
        row("--lang ZH-tw --json out/r.json", d + " lang=zh_TW json=" + cwd + "/out/r.json");
        row("--clean --force --lang en", d + " force clean lang=en");
        row("--rules slcTrim=false --rules cvWarn=0.3 --rules cvWarn=0.25",
            d + " cvWarn:0.25 slcTrim:false");

        // One stream per channel: the profile sets the count, and a matching one is accepted.
        row("--dashcam 4K+1080P",
            "size=1G streams=2 block=1M rounds=1 iterations=1 dashcam=4k+1080p");
        row("--dashcam 50,12.5,8 --streams 3",
            "size=1G streams=3 block=1M rounds=1 iterations=1 dashcam=50,12.5,8");
        row("--fill --dashcam 1080p",
            "size=1G streams=1 block=1M rounds=1 iterations=1 fill dashcam=1080p");
        QTest::newRow("--dashcam list") << "--dashcam list"
                                        << "list" << QString();
        QTest::newRow("no target") << "--size 4M" << QString() << "--target";
        // Refused, with what the message must name after the '|'.
        for (const char *bad :
             {"--size 512K|", "--streams 17|17", "--block 2M|2M", "--iterations 100|",
              "--rounds 2|--rounds", "--fill --rounds 100|", "--fill --read|--read",
              "--fill --streams 2|", "--file /x/a --size 1G|", "--fast|fast", "extra|extra",
              "--lang fr|zh_TW", "--rules speed=5|speed", "--rules aggWriteWarn=fast|fast",
              "--rules enableRead=true|--read", "--clean --size 1M|--clean",
              "--clean --json r.json|--clean"}) {
            const QStringList parts = QString(bad).split('|');
            QTest::newRow(bad) << "--target /media/card " + parts[0] << QString() << parts[1];
        }
        // A profile is one stream per channel, in Mbit/s above 0 up to 1000.
        for (const char *bad :
             {"--dashcam taxi --streams 2|taxi", "--fill --dashcam 50,12|50,12",
              "--file /x/a --dashcam 4k+1080p|4k+1080p", "--dashcam hd|1440p",
              "--dashcam 50,0|1000", "--dashcam 1001|1001", "--dashcam 50;12|50;12"}) {
            const QStringList parts = QString(bad).split('|');
            QTest::newRow(bad) << "--target /media/card " + parts[0] << QString() << parts[1];
        }
    }

    void options()
    {
        QFETCH(QString, args);
        QFETCH(QString, chosen);
        QFETCH(QString, named);
        CliOptions options;
        QString message;
        const CommandLine::Status status =
            CommandLine::parse(QStringList{"lumoracard-cli"} + args.split(' ', Qt::SkipEmptyParts),
                               &options, &message);
        if (chosen == "list") {
            QCOMPARE(status, CommandLine::ListDashcamPresets);
            QCOMPARE(CommandLine::dashcamPresetLines().size(), dashcamPresets().size());
        } else if (chosen.isEmpty()) {
            QCOMPARE(status, CommandLine::Error);
            QVERIFY2(!message.trimmed().isEmpty() && message.contains(named), qPrintable(message));
        } else {
            QVERIFY2(status == CommandLine::Ok, qPrintable(message));
            QCOMPARE(summary(options), chosen);
        }
    }
};

QTEST_GUILESS_MAIN(TestCliUnits)
#include "tst_cliunits.moc"
