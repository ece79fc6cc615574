// The real lumoracard-cli writes only to a removable drive's root: a plain folder is
// refused unless --force is given (and then the log says the check was skipped), and a
// folder named in LUMORACARD_REMOVABLE_ROOTS counts as a card.
#include "clirunner.h"
#include "loopcard.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

namespace {
constexpr int kRunTimeoutMs = 120000;

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                               | QDir::System);
}

QString refusalFor(const QString &target)
{
    return QStringLiteral("Target %1 is not the root of a removable drive").arg(target);
}

// The time-stamped line --force leaves in the log.
QRegularExpression forcedLine(const QString &target)
{
    return QRegularExpression(
        QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] --force: the removable-drive check was "
                       "skipped; %1 is tested as if it were a card\\.$")
            .arg(QRegularExpression::escape(target)),
        QRegularExpression::MultilineOption);
}
}  // namespace

class TestCliGuard : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void guard_data();
    void guard();
    void forceIsInTheReport();
    void loopCard();

private:
    CliRunner runner(const QStringList &removableRoots) const;

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_card;
};

void TestCliGuard::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_card = m_dir->filePath(QStringLiteral("card"));
    QVERIFY(QDir().mkpath(m_card));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("other"))));
    QVERIFY(QFile::link(m_card, m_dir->filePath(QStringLiteral("link"))));
    // English, so that the texts can be checked.
    QSettings settings(runner({}).settingsFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("ui/language"), 1);
}

CliRunner TestCliGuard::runner(const QStringList &removableRoots) const
{
    CliRunner r(m_dir->filePath(QStringLiteral("config")), m_dir->path());
    r.setRemovableRoots(removableRoots);
    return r;
}

void TestCliGuard::guard_data()
{
    QTest::addColumn<QStringList>("roots");  // "@CARD" and "@DIR" stand for the folders
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("plain folder") << QStringList() << "@CARD" << false << false;
    QTest::newRow("plain folder, --force") << QStringList() << "@CARD" << true << true;
    QTest::newRow("named root") << QStringList{"@CARD"} << "@CARD" << false << true;
    QTest::newRow("named with a trailing separator")
        << QStringList{"@CARD/"} << "@CARD" << false << true;
    QTest::newRow("one of several named")
        << QStringList{"@DIR/other", "@CARD"} << "@CARD" << false << true;
    QTest::newRow("another folder named") << QStringList{"@DIR/other"} << "@CARD" << false << false;
    QTest::newRow("folder inside a named root") << QStringList{"@DIR"} << "@CARD" << false << false;
    QTest::newRow("named root reached through a link")
        << QStringList{"@CARD"} << "@DIR/link" << false << true;
    QTest::newRow("named root, --force") << QStringList{"@CARD"} << "@CARD" << true << true;
}

void TestCliGuard::guard()
{
    QFETCH(QStringList, roots);
    QFETCH(QString, target);
    QFETCH(bool, force);
    QFETCH(bool, accepted);
    roots.replaceInStrings(QStringLiteral("@CARD"), m_card);
    roots.replaceInStrings(QStringLiteral("@DIR"), m_dir->path());
    target.replace(QStringLiteral("@CARD"), m_card);
    target.replace(QStringLiteral("@DIR"), m_dir->path());

    QStringList args{"--target", target, "--size", "1M", "--block", "64K"};
    if (force)
        args << QStringLiteral("--force");
    const CliRun run = runner(roots).run(args + lenientRules(), kRunTimeoutMs);
    QCOMPARE(run.exitStatus, QProcess::NormalExit);

    const QString shown = target + QLatin1Char('/');
    QCOMPARE(run.err.contains(forcedLine(shown)), force);
    if (accepted) {
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(QLatin1String("Write average:")), qPrintable(run.out));
        QVERIFY2(!run.err.contains(refusalFor(shown)), qPrintable(run.err));
    } else {
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains(refusalFor(shown)), qPrintable(run.err));
        QVERIFY2(run.err.contains(QLatin1String("--force")), qPrintable(run.err));
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
        // Refused before the engine: no log line of a test.
        QVERIFY2(!run.err.contains(QLatin1String("Speed test started")), qPrintable(run.err));
    }
    // Nothing left behind either way (and nothing written at all when refused).
    QCOMPARE(entries(m_card), QStringList());
}

void TestCliGuard::forceIsInTheReport()
{
    const CliRun run = runner({}).run(
        QStringList{"--target", m_card, "--size", "1M", "--block", "64K", "--force", "--json", "-"}
            + lenientRules(),
        kRunTimeoutMs);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QJsonParseError parse;
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8(), &parse).object();
    QVERIFY2(parse.error == QJsonParseError::NoError, qPrintable(parse.errorString()));
    QCOMPARE(json.value("settings").toObject().value("force").toBool(), true);
    // The notice goes to the log, never into the report on standard output.
    QVERIFY(run.err.contains(forcedLine(m_card + QLatin1Char('/'))));
}

void TestCliGuard::loopCard()
{
    LoopCard card(64 * 1048576);
    LOOPCARD_REQUIRE(card);
    const QStringList before = entries(card.rootPath());
    const QStringList args =
        QStringList{"--target", card.rootPath(), "--size", "1M", "--block", "64K"} + lenientRules();

    // A loop device is not a removable drive: refused, nothing written.
    const CliRun refused = runner({}).run(args, kRunTimeoutMs);
    QCOMPARE(refused.exitCode, 3);
    QVERIFY2(refused.err.contains(refusalFor(card.rootPath())), qPrintable(refused.err));
    QCOMPARE(entries(card.rootPath()), before);

    // Named as a removable root, it is tested.
    const CliRun named = runner({card.rootPath()}).run(args, kRunTimeoutMs);
    QVERIFY2(named.exitCode == 0, qPrintable(named.err));
    QVERIFY2(named.out.contains(QLatin1String("Write average:")), qPrintable(named.out));
    QCOMPARE(entries(card.rootPath()), before);
}

QTEST_GUILESS_MAIN(TestCliGuard)
#include "tst_cliguard.moc"
