// What the command line accepts, and the test it asks for.
#include "clioptions.h"
#include "i18n.h"
#include "isolatedsettings.h"
#include "sizeparse.h"

#include <QtTest>

#include <utility>

namespace {
// The test a parse asked for, on one line: the numbers always, everything else when set.
// The target every row gives, /media/card/, is left out (made absolute as the parser makes
// it: on Windows it gains the current drive).
QString summary(const CliOptions &o)
{
    static const QString card = QFileInfo(QStringLiteral("/media/card")).absoluteFilePath() + '/';
    const TestPlan p = o.plan();
    QStringList parts{
        "size=" + formatSize(p.testSize), QStringLiteral("streams=%1").arg(p.streams),
        "block=" + formatSize(p.blockSize),
        QStringLiteral("rounds=%1 iterations=%2").arg(p.fillRounds).arg(p.iterations)};
    if (p.target != card)
        parts << "target=" + p.target;
    if (p.read)
        parts << QStringLiteral("read");
    if (p.fill)
        parts << QStringLiteral("fill");
    if (o.force)
        parts << QStringLiteral("force");
    if (p.mode == TestPlan::Mode::Files)
        parts << "files=" + p.files.join(',');
    if (!o.language.isEmpty())
        parts << "lang=" + o.language;
    if (!o.jsonPath.isEmpty())
        parts << "json=" + o.jsonPath;
    for (auto it = o.ruleOverrides.cbegin(); it != o.ruleOverrides.cend(); ++it)
        parts << it.key() + ':' + it.value().toString();
    return parts.join(' ');
}
}  // namespace

class TestCliParse : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sizes();
    void options_data();
    void options();

private:
    QTemporaryDir m_settingsDir;
};

void TestCliParse::initTestCase()
{
    // Messages are looked up by key, as in the program, from no settings of the user's.
    QVERIFY(m_settingsDir.isValid());
    QVERIFY(isolateSettings(m_settingsDir.path()));
    I18n::instance()->applyLanguage(English);
}

void TestCliParse::sizes()
{
    const std::pair<const char *, qint64> accepted[] = {
        {"3000", 3000},
        {"64k", 65536},
        {"1536K", 1572864},
        {"2G", 2147483648},
        {"100T", 109951162777600},
        {"8KB", 8192},
        {"3gib", 3221225472},
        {" 1G ", 1073741824},
        {"8388607T", 9223370937343148032},  // the largest that fits
    };
    for (const auto &[text, bytes] : accepted) {
        qint64 parsed = 0;
        QVERIFY2(parseSize(text, &parsed) && parsed == bytes, text);
        QVERIFY2(parseSize(formatSize(bytes), &parsed) && parsed == bytes, text);  // shown
    }
    // Empty, no number, zero, signs, fractions, unknown or doubled units, inner blanks,
    // overflow with and without a unit; the value is left alone.
    for (const char *text : {"", "M", "0", "-1M", "+1M", "1.5G", "1P", "1MG", "1 G", "8388608T",
                             "99999999999999999999"}) {
        qint64 parsed = -7;
        QVERIFY2(!parseSize(text, &parsed) && parsed == -7, text);
    }
}

void TestCliParse::options_data()
{
    QTest::addColumn<QString>("args");    // after the program name
    QTest::addColumn<QString>("chosen");  // summary() of the result; empty: refused
    QTest::addColumn<QString>("named");   // what a refusal must mention

    const QString d = "size=1G streams=1 block=1M rounds=1 iterations=1";
    const QString cwd = QDir::currentPath();
    const auto ok = [](const char *args, const QString &chosen) {
        QTest::newRow(args) << QString("--target /media/card ") + args << chosen << QString();
    };
    const auto bad = [](const char *args, const char *named) {
        QTest::newRow(args) << QString("--target /media/card ") + args << QString() << named;
    };
    ok("", d);
    ok("--size 4M --streams 16 --block 64K --read --iterations 99",
       "size=4M streams=16 block=64K rounds=1 iterations=99 read");
    ok("--block 8388608", "size=1G streams=1 block=8M rounds=1 iterations=1");
    ok("--fill --size 512M --rounds 5 --force",
       "size=512M streams=1 block=1M rounds=5 iterations=1 fill force");
    ok("--file clips/a.mp4 --file /data/b.mp4 --read",
       d + " read files=" + cwd + "/clips/a.mp4," + QFileInfo("/data/b.mp4").absoluteFilePath());
    QTest::newRow("relative target")
        << "--target card" << d + " target=" + cwd + "/card/" << QString();
    ok("--lang ZH-tw --json out/r.json", d + " lang=zh_TW json=" + cwd + "/out/r.json");
    ok("--rules slcTrim=false --rules cvWarn=0.3 --rules cvWarn=0.25",
       d + " cvWarn:0.25 slcTrim:false");

    QTest::newRow("no target") << "--size 4M" << QString() << "--target";
    bad("--size 512K", "");
    bad("--streams 17", "17");
    bad("--block 2M", "2M");
    bad("--iterations 100", "");
    bad("--rounds 2", "--rounds");
    bad("--fill --rounds 100", "");
    bad("--fill --read", "--read");
    bad("--fill --streams 2", "");
    bad("--file /x/a --size 1G", "");
    bad("--fast", "fast");
    bad("extra", "extra");
    bad("--lang fr", "zh_TW");
    bad("--rules speed=5", "speed");
    bad("--rules aggWriteWarn=fast", "fast");
    bad("--rules enableRead=true", "--read");
}

void TestCliParse::options()
{
    QFETCH(QString, args);
    QFETCH(QString, chosen);
    QFETCH(QString, named);
    CliOptions options;
    QString message;
    const CommandLine::Status status = CommandLine::parse(
        QStringList{"lumoracard-cli"} + args.split(' ', Qt::SkipEmptyParts), &options, &message);
    if (chosen.isEmpty()) {
        QCOMPARE(status, CommandLine::Error);
        QVERIFY2(!message.trimmed().isEmpty() && message.contains(named), qPrintable(message));
        return;
    }
    QVERIFY2(status == CommandLine::Ok, qPrintable(message));
    QCOMPARE(summary(options), chosen);
}

QTEST_GUILESS_MAIN(TestCliParse)
#include "tst_cliparse.moc"
