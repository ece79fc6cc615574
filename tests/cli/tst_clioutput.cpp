// What the front end writes: log lines, the progress line on a terminal and in a pipe, the
// exit status of an outcome, and the results table with its alignment and colours.
#include "consolewriter.h"
#include "exitstatus.h"
#include "i18n.h"
#include "isolatedsettings.h"
#include "progressline.h"
#include "resultstable.h"
#include "terminalstyle.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(TerminalStyle::Mode)

namespace {
SpeedStats stats(double avg, double max, double min, double jitter, double cv, double drop)
{
    return SpeedStats{avg, max, min, jitter, cv, drop, int(drop * 40), 40};
}

// A card total and two streams, the second with a wide-character name; the streams'
// write verdicts are Warn and Fail.
QVector<ResultRow> sampleRows()
{
    RowResult card;
    card.write = stats(40.0, 52.5, 31.25, 0.1, 0.12, 0.0);
    card.read = stats(88.0, 90.0, 85.0, 0.02, 0.03, 0.0);
    RowResult first;
    first.write = stats(20.0, 26.0, 15.0, 0.5, 0.4, 0.15);
    first.read = stats(44.0, 45.0, 43.0, 0.01, 0.02, 0.0);
    first.verdicts.write = Verdict::Warn;
    RowResult second = first;
    second.write = stats(20.0, 1234.56, 2.0, 0.7, 0.6, 0.25);
    second.verdicts.write = Verdict::Fail;
    return ResultsTable::rows({card, first, second},
                              {QStringLiteral("clip.mp4"), QStringLiteral("行车记录.mp4")});
}

QStringList tableLines(Language language, bool read, TerminalStyle::Mode mode)
{
    I18n::instance()->applyLanguage(language);
    VerdictRules rules;
    rules.enableRead = read;
    return ResultsTable::format(sampleRows(), rules, TerminalStyle(mode));
}

// The display columns of a line, one string per column; a wide character fills two, the
// second of them empty.
QStringList columns(const QString &line)
{
    QStringList out;
    for (uint cp : line.toUcs4()) {
        const QString ch = QString::fromUcs4(&cp, 1);
        out << ch;
        if (displayWidth(ch) == 2)
            out << QString();
    }
    return out;
}

// The table's blocks: runs of lines between empty ones.
QList<QStringList> blocks(const QStringList &lines)
{
    QList<QStringList> out;
    for (const QString &block : lines.join('\n').split(QStringLiteral("\n\n")))
        out << block.split('\n');
    return out;
}

// A ConsoleWriter over two buffers.
struct Console {
    explicit Console(bool terminal)
        : writer(&out, &err, terminal)
    {
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
    }
    QBuffer out;
    QBuffer err;
    ConsoleWriter writer;
};
}  // namespace

class TestCliOutput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void progressText();
    void progressCadence();
    void console();
    void exitStatus();
    void applyingALanguageStoresNothing();
    void textWidth_data();
    void textWidth();
    void styleMode();
    void blocksAndHeaders_data();
    void blocksAndHeaders();
    void columnsStayAligned_data();
    void columnsStayAligned();
    void cellColours_data();
    void cellColours();

private:
    QTemporaryDir m_dir;
};

void TestCliOutput::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(isolateSettings(m_dir.path()));
    I18n::instance()->applyLanguage(English);
}

void TestCliOutput::cleanup()
{
    I18n::instance()->applyLanguage(English);
    qunsetenv("NO_COLOR");
    qunsetenv("COLORTERM");
}

void TestCliOutput::progressText()
{
    // A bar of twenty, the percentage padded, figures to two decimals, the pass's time taken
    // and left, the round only when there are several; the same in Chinese.
    using P = ProgressLine::Phase;
    QCOMPARE(ProgressLine::format(P::Write, 45, 12.345, 10.0, 1, 1, 42000, 51000),
             QStringLiteral("Write Test [#########...........]  45%  12.35 MB/s  avg 10.00 MB/s  "
                            "0:42 elapsed  0:51 left"));
    QCOMPARE(ProgressLine::format(P::Read, 100, 80.0, 79.996, 1, 1, 3723000, 0),
             QStringLiteral("Read Test [####################] 100%  80.00 MB/s  avg 80.00 MB/s  "
                            "1:02:03 elapsed  0:00 left"));
    QCOMPARE(ProgressLine::format(P::Write, 0, 0.0, 1.5, 2, 3, 500, -1),
             QStringLiteral("Round 2/3 · Write Test [....................]   0%  0.00 MB/s  "
                            "avg 1.50 MB/s  0:00 elapsed  --:-- left"));
    I18n::instance()->applyLanguage(TraditionalChinese);
    const QString zh = ProgressLine::format(P::Write, 45, 12.345, 10.0, 1, 1, 42000, 51000);
    I18n::instance()->applyLanguage(English);
    QCOMPARE(zh,
             QStringLiteral("寫入測試 [#########...........]  45%  12.35 MB/s  平均 10.00 MB/s  "
                            "已用 0:42  剩餘 0:51"));
}

void TestCliOutput::progressCadence()
{
    // Samples come about every 200 ms: a terminal shows each, a pipe one a second at most,
    // the first whenever it comes.
    const qint64 samples[] = {0, 200, 400, 999, 1000, 1200, 2100, 2150, 3099, 3100};
    const bool toPipe[] = {true, false, false, false, true, false, true, false, false, true};
    ProgressLine terminal(true);
    ProgressLine pipe(false);
    for (int i = 0; i < 10; ++i) {
        QVERIFY(terminal.due(samples[i]));
        QVERIFY2(pipe.due(samples[i]) == toPipe[i], qPrintable(QString::number(samples[i])));
    }
    ProgressLine late(false);
    QVERIFY(late.due(5000) && !late.due(5100) && late.due(6000));
}

void TestCliOutput::console()
{
    // On a terminal the shorter line blanks the rest of the longer one; a log line wipes
    // the progress line (the rest is blank already) and starts at the left margin; a clear
    // with nothing showing writes nothing.
    Console terminal(true);
    terminal.writer.progress(QStringLiteral("W  10%  long line"));
    terminal.writer.progress(QStringLiteral("W  20%"));
    terminal.writer.logLine(QStringLiteral("done"), QTime(7, 5, 3));
    terminal.writer.clearProgress();
    QCOMPARE(terminal.err.data(),
             QByteArray("\rW  10%  long line\rW  20%           \r      \r[07:05:03] done\n"));
    // Results go to the output; the progress line stays where it is.
    terminal.writer.progress(QStringLiteral("R  50%"));
    terminal.writer.result(QStringLiteral("Write average: 1.00 MB/s"));
    QCOMPARE(terminal.out.data(), QByteArray("Write average: 1.00 MB/s\n"));
    QVERIFY(terminal.err.data().endsWith("\rR  50%"));

    // A pipe gets whole lines; log lines keep their text as it is.
    Console pipe(false);
    pipe.writer.progress(QStringLiteral("W  10%"));
    pipe.writer.logLine(QStringLiteral("  100% %1"), QTime(23, 59, 59));
    pipe.writer.error(QStringLiteral("refused"));
    pipe.writer.clearProgress();
    QCOMPARE(pipe.err.data(), QByteArray("W  10%\n[23:59:59]   100% %1\nrefused\n"));
    QVERIFY(pipe.out.data().isEmpty());
}

void TestCliOutput::exitStatus()
{
    // A completed run exits with its worst verdict; otherwise there is no verdict to go by.
    const int completed[] = {0, 1, 2};
    for (Verdict worst : {Verdict::Pass, Verdict::Warn, Verdict::Fail}) {
        QCOMPARE(exitStatusFor(RunOutcome::Completed, worst), completed[int(worst)]);
        QCOMPARE(exitStatusFor(RunOutcome::NotRun, worst), 3);
        QCOMPARE(exitStatusFor(RunOutcome::Failed, worst), 3);
        QCOMPARE(exitStatusFor(RunOutcome::Stopped, worst), 130);
    }
}

void TestCliOutput::applyingALanguageStoresNothing()
{
    // --lang is for one run: the texts switch, but nothing is stored or announced.
    QSignalSpy changed(I18n::instance(), &I18n::languageChanged);
    I18n::instance()->applyLanguage(TraditionalChinese);
    QCOMPARE(QCoreApplication::translate("x", "RowCardTotal"), QStringLiteral("整卡合計"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(!QSettings().contains(QStringLiteral("ui/language")));
}

void TestCliOutput::textWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");  // terminal columns
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("shown");  // cut to the limit

    QTest::newRow("ascii") << "Write Avg" << 9 << 9 << "Write Avg";
    QTest::newRow("empty") << "" << 0 << 5 << "";
    QTest::newRow("cut") << "a-very-long-name.mp4" << 20 << 10 << "a-very-...";
    QTest::newRow("wide characters not split") << "行车记录仪视频" << 14 << 8 << "行车...";
    QTest::newRow("traditional with blank") << "寫入 CV" << 7 << 7 << "寫入 CV";
    QTest::newRow("verdict marks are narrow") << "✓ Pass" << 6 << 6 << "✓ Pass";
    QTest::newRow("fullwidth colon") << "轮数：" << 6 << 6 << "轮数：";
    QTest::newRow("hangul") << "한국" << 4 << 4 << "한국";
}

void TestCliOutput::textWidth()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QTEST(displayWidth(text), "width");
    QTEST(elideToWidth(text, limit), "shown");
    QVERIFY(displayWidth(elideToWidth(text, limit)) <= limit);
}

void TestCliOutput::styleMode()
{
    using M = TerminalStyle::Mode;
    qputenv("COLORTERM", "truecolor");
    QCOMPARE(TerminalStyle::modeFor(false), M::Plain);  // off a terminal, whatever is set
    QCOMPARE(TerminalStyle::modeFor(true), M::TrueColor);
    qputenv("COLORTERM", "24bit");
    QCOMPARE(TerminalStyle::modeFor(true), M::TrueColor);
    qputenv("NO_COLOR", "1");
    QCOMPARE(TerminalStyle::modeFor(true), M::Plain);
    // An empty NO_COLOR counts as unset.
    qputenv("NO_COLOR", "");
    qunsetenv("COLORTERM");
    QCOMPARE(TerminalStyle::modeFor(true), M::Palette256);
    qunsetenv("NO_COLOR");
    QCOMPARE(TerminalStyle::modeFor(true), M::Palette256);
}

void TestCliOutput::blocksAndHeaders_data()
{
    QTest::addColumn<bool>("read");
    QTest::addColumn<QList<QStringList>>("headers");  // one per block

    const QStringList write = {"File",         "Write Avg", "Write Max", "Write Min",
                               "Write Jitter", "Write CV",  "Write Drop"};
    const QStringList read = {"File",        "Read Avg", "Read Max",  "Read Min",
                              "Read Jitter", "Read CV",  "Read Drop", "Verdict"};
    QTest::newRow("write only") << false << QList<QStringList>{write + QStringList{"Verdict"}};
    QTest::newRow("with read") << true << QList<QStringList>{write, read};
}

void TestCliOutput::blocksAndHeaders()
{
    QFETCH(bool, read);
    QFETCH(QList<QStringList>, headers);
    const QStringList lines = tableLines(English, read, TerminalStyle::Mode::Plain);
    const QList<QStringList> parts = blocks(lines);
    QCOMPARE(parts.size(), headers.size());
    for (int b = 0; b < parts.size(); ++b) {
        // Headers are two blanks apart at least; a header may hold one blank itself.
        QCOMPARE(parts[b][0].split(QRegularExpression(" {2,}"), Qt::SkipEmptyParts), headers[b]);
        QCOMPARE(parts[b].size(), 2 + 3);  // header, rule, three rows
        QVERIFY2(parts[b][2].startsWith(QLatin1String("Card total ")), qPrintable(parts[b][2]));
        QVERIFY2(parts[b][3].startsWith(QLatin1String("#1  clip.mp4 ")), qPrintable(parts[b][3]));
        QVERIFY2(parts[b][4].startsWith(QStringLiteral("#2  行车记录.mp4 ")),
                 qPrintable(parts[b][4]));
    }
    // The second stream is judged Fail; the verdict closes the last block.
    QVERIFY2(parts.last()[4].endsWith(QStringLiteral("✗ Fail")), qPrintable(parts.last()[4]));
    for (const QString &line : lines)
        QVERIFY2(!line.contains(QLatin1Char('\x1b')) && !line.endsWith(QLatin1Char(' ')),
                 qPrintable(line));
}

void TestCliOutput::columnsStayAligned_data()
{
    QTest::addColumn<Language>("language");
    QTest::newRow("English") << English;
    QTest::newRow("Simplified Chinese") << SimplifiedChinese;
    QTest::newRow("Traditional Chinese") << TraditionalChinese;
}

void TestCliOutput::columnsStayAligned()
{
    QFETCH(Language, language);
    for (const QStringList &block :
         blocks(tableLines(language, true, TerminalStyle::Mode::Plain))) {
        // The rule line marks every column with dashes and the gaps with blanks.
        const QStringList rule = columns(block[1]);
        QVector<int> gaps;
        QVector<int> rightEdges;
        for (int i = 0; i < rule.size(); ++i) {
            if (rule[i] == QLatin1String(" "))
                gaps << i;
            else if (i + 1 == rule.size() || rule[i + 1] == QLatin1String(" "))
                rightEdges << i;
        }
        QVERIFY(gaps.size() >= 2 * 6);
        for (const QString &line : block) {
            const QStringList c = columns(line);
            QVERIFY2(c.size() <= rule.size(), qPrintable(line));
            for (int g : gaps)
                QVERIFY2(g >= c.size() || c[g] == QLatin1String(" "), qPrintable(line));
        }
        // Numbers are right-aligned: every row fills the last cell of each number column.
        for (int row = 2; row < block.size(); ++row) {
            const QStringList c = columns(block[row]);
            for (int k = 1; k <= 6; ++k)
                QVERIFY2(c.value(rightEdges[k]).trimmed().size() == 1, qPrintable(block[row]));
        }
    }
}

void TestCliOutput::cellColours_data()
{
    QTest::addColumn<TerminalStyle::Mode>("mode");
    QTest::addColumn<QStringList>("expected");  // painted cells that the table must contain

    // The second stream's write figures: avg 20 and max 1234.56 at or above the per-stream
    // minimum of 5 (good), min 2.00 below it (bad), jitter 70 % above 65 (bad), CV 60 %
    // above 50 (bad); the first stream's jitter of 50 % lies between 45 and 65 (warn).
    QTest::newRow("24-bit") << TerminalStyle::Mode::TrueColor
                            << QStringList{"\x1b[38;2;25;118;210m1234.56\x1b[0m",
                                           "\x1b[38;2;211;47;47m2.00\x1b[0m",
                                           "\x1b[38;2;211;47;47m70.0%\x1b[0m",
                                           "\x1b[38;2;230;126;34m50.0%\x1b[0m",
                                           "\x1b[1;38;2;25;118;210m✓ Pass\x1b[0m",
                                           "\x1b[1;38;2;230;126;34m⚠ Warn\x1b[0m",
                                           "\x1b[1;38;2;211;47;47m✗ Fail\x1b[0m",
                                           "\x1b[1mCard total\x1b[0m"};
    // The colour cube's nearest entries, worked out by hand on the levels 0, 95, 135, 175,
    // 215, 255: #1976d2 is 16 + 0*36 + 2*6 + 4, #e67e22 16 + 4*36 + 2*6, #d32f2f 16 + 4*36.
    QTest::newRow("256 colours") << TerminalStyle::Mode::Palette256
                                 << QStringList{"\x1b[38;5;32m1234.56\x1b[0m",
                                                "\x1b[38;5;160m2.00\x1b[0m",
                                                "\x1b[38;5;172m50.0%\x1b[0m",
                                                "\x1b[1;38;5;160m✗ Fail\x1b[0m"};
}

void TestCliOutput::cellColours()
{
    QFETCH(TerminalStyle::Mode, mode);
    QFETCH(QStringList, expected);
    const QString text = tableLines(English, false, mode).join('\n');
    for (const QString &painted : expected)
        QVERIFY2(text.contains(painted), qPrintable(QString(painted).replace('\x1b', "ESC")));
    // The cube's ends.
    QCOMPARE(TerminalStyle::paletteIndex(QStringLiteral("#000000")), 16);
    QCOMPARE(TerminalStyle::paletteIndex(QStringLiteral("#ffffff")), 231);
}

QTEST_GUILESS_MAIN(TestCliOutput)
#include "tst_clioutput.moc"
