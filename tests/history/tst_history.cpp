// The card history on files of the test's own: migrations, damaged and newer files, how a
// card is recognised, the comparison with the previous test, and writers taking turns.
#include "cardhistory.h"
#include "historydb.h"
#include "i18n.h"
#include "sqlite.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

namespace {
// A test as the history keeps it; `write`/`read` are the card total's average and minimum.
HistoryTest testAt(const QString &when, double writeAvg, double writeMin, double readAvg = qQNaN(),
                   double readMin = qQNaN())
{
    HistoryTest t;
    t.startedAt = QDateTime::fromString(when, Qt::ISODate);
    t.tool = QStringLiteral("test");
    t.version = QStringLiteral("1");
    t.outcome = QStringLiteral("completed");
    t.mode = QStringLiteral("random");
    t.streams = 1;
    t.blockSize = 1048576;
    t.writeAvg = writeAvg;
    t.writeMin = writeMin;
    t.readAvg = readAvg;
    t.readMin = readMin;
    t.report = QStringLiteral("{}");
    HistoryRow row;
    row.name = QStringLiteral("Card total");
    row.kind = QStringLiteral("card");
    row.write = {{"avg", writeAvg}, {"min", writeMin}};
    t.rows << row;
    return t;
}

HistoryCard card(const QString &key)
{
    HistoryCard c;
    c.key = key;
    return c;
}

CardInfo cardInfo(const QString &spec)
{
    // "vendor,model,serial,cidMaker,cidName,cidSerial,volumeSerial,totalBytes"
    const QStringList f = spec.split(',');
    CardInfo c;
    c.identity.vendor = f[0].toStdString();
    c.identity.model = f[1].toStdString();
    c.identity.serial = f[2].toStdString();
    c.identity.cidManufacturerId = f[3].toStdString();
    c.identity.cidName = f[4].toStdString();
    c.identity.cidSerial = f[5].toStdString();
    c.volumeSerial = f[6];
    c.totalBytes = f[7].toLongLong();
    return c;
}

qint64 userVersion(const QString &path)
{
    SqliteConnection db;
    if (!db.open(path, true))
        return -1;
    SqliteStatement q = db.prepare("PRAGMA user_version");
    return q.next() ? q.integer(0) : -1;
}
}  // namespace

class TestHistory : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { I18n::instance()->applyLanguage(English); }

    // A new file gets the whole schema; a test recorded there comes back with its rows.
    void migratesFromEmpty()
    {
        const QString file = path(QStringLiteral("new/history.sqlite"));
        {
            HistoryDb db(file);
            QVERIFY(db.isOpen() && !db.isReadOnly() && db.notices().isEmpty());
            HistoryTest t = testAt(QStringLiteral("2026-08-02T10:00:00Z"), 40, 30, 90, 80);
            QVERIFY2(db.record(card(QStringLiteral("volume:A|1")), &t), qPrintable(db.lastError()));
        }
        QCOMPARE(userVersion(file), qint64(HistoryDb::kSchemaVersion));
        HistoryDb again(file);
        const QVector<HistoryTest> tests = again.tests();
        QCOMPARE(tests.size(), 1);
        const std::optional<HistoryTest> full = again.test(tests[0].id);
        QVERIFY(full && full->rows.size() == 1);
        QCOMPARE(full->rows[0].write.value("min").toDouble(), 30.0);
        QCOMPARE(full->readAvg, 90.0);
        QVERIFY(std::isnan(full->rows[0].read.value("avg", qQNaN()).toDouble()));
        QVERIFY(again.removeTest(tests[0].id));
        QVERIFY(again.tests().isEmpty() && again.cards().isEmpty());
    }

    // Garbage where the database should be: moved aside, named in the log, a new one started.
    void damagedFileIsMovedAside()
    {
        const QString file = path(QStringLiteral("damaged.sqlite"));
        QFile garbage(file);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
        garbage.close();
        HistoryDb db(file);
        QVERIFY(db.isOpen() && !db.isReadOnly());
        const QStringList aside = QDir(m_dir.path()).entryList({"damaged.sqlite.damaged-*"});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(QFileInfo(m_dir.filePath(aside[0])).size(), qint64(8192));
        QVERIFY2(db.notices().size() == 1 && db.notices()[0].contains(aside[0]),
                 qPrintable(db.notices().join('\n')));
        HistoryTest t = testAt(QStringLiteral("2026-08-02T10:00:00Z"), 40, 30);
        QVERIFY(db.record(card(QStringLiteral("volume:A|1")), &t));
    }

    // A file of a newer version is read, never written.
    void newerVersionIsReadOnly()
    {
        const QString file = path(QStringLiteral("newer.sqlite"));
        {
            HistoryDb db(file);
            HistoryTest t = testAt(QStringLiteral("2026-08-02T10:00:00Z"), 40, 30);
            QVERIFY(db.record(card(QStringLiteral("volume:A|1")), &t));
            SqliteConnection raw;
            QVERIFY(raw.open(file, false) && raw.exec("PRAGMA user_version = 99"));
        }
        HistoryDb db(file);
        QVERIFY(db.isOpen() && db.isReadOnly());
        QCOMPARE(db.notices().size(), 1);
        QCOMPARE(db.tests().size(), 1);
        HistoryTest t = testAt(QStringLiteral("2026-09-02T10:00:00Z"), 40, 30);
        QVERIFY(!db.record(card(QStringLiteral("volume:A|1")), &t));
        QCOMPARE(userVersion(file), qint64(99));
        QCOMPARE(HistoryDb(file).tests().size(), 1);
    }

    void identity_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("same");
        const QString cid = "Generic,SD,,0x000003,SD32G,0x1a2b3c4d,";
        QTest::newRow("reformatted SD card: same CID")
            << cid + "AAAA-1111,31000" << cid + "BBBB-2222,30000" << true;
        QTest::newRow("two SD cards")
            << cid + "AAAA-1111,31000"
            << "Generic,SD,,0x000003,SD32G,0x1a2b3c4e,AAAA-1111,31000" << false;
        QTest::newRow("USB stick again") << "Kingston,DT,0011,,,,AAAA-1111,16000"
                                         << "Kingston,DT,0011,,,,AAAA-1111,16000" << true;
        QTest::newRow("two USB sticks") << "Kingston,DT,0011,,,,AAAA-1111,16000"
                                        << "Kingston,DT,0012,,,,AAAA-1111,16000" << false;
        QTest::newRow("two cards in one reader")
            << "Generic,READER,1536,,,,AAAA-1111,32000"
            << "Generic,READER,1536,,,,CCCC-3333,32000" << false;
        QTest::newRow("volume serial again") << ",,,,,,AAAA-1111,8000"
                                             << ",,,,,,AAAA-1111,8000" << true;
        QTest::newRow("same serial, other size") << ",,,,,,AAAA-1111,8000"
                                                 << ",,,,,,AAAA-1111,9000" << false;
        QTest::newRow("nothing known") << ",,,,,,,8000"
                                       << ",,,,,,,8000" << false;
    }

    // The key decides: a card is the same card only when its best identity is.
    void identity()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, same);
        HistoryDb db(path(QStringLiteral("identity-%1.sqlite").arg(QTest::currentDataTag())));
        HistoryTest a = testAt(QStringLiteral("2026-08-02T10:00:00Z"), 40, 30);
        HistoryTest b = testAt(QStringLiteral("2026-09-02T10:00:00Z"), 40, 30);
        QVERIFY(db.record(historyCardOf(cardInfo(first)), &a));
        QVERIFY(db.record(historyCardOf(cardInfo(second)), &b));
        QCOMPARE(a.cardId == b.cardId, same);
        QCOMPARE(db.cards().size(), same ? 1 : 2);
    }

    void comparison_data()
    {
        QTest::addColumn<double>("threshold");
        QTest::addColumn<QVector<double>>("before");  // write avg, min, read avg, min
        QTest::addColumn<QVector<double>>("now");
        QTest::addColumn<QString>("warnings");
        QTest::addColumn<int>("figures");
        const double nan = qQNaN();
        QTest::newRow("a third lower minimum")
            << 0.25 << QVector<double>{40, 30, 90, 80} << QVector<double>{38, 20, 90, 80}
            << "writeMin" << 4;
        QTest::newRow("exactly the threshold") << 0.25 << QVector<double>{40, 40, 80, 80}
                                               << QVector<double>{30, 30, 60, 60} << "" << 4;
        QTest::newRow("rose") << 0.25 << QVector<double>{40, 30, 90, 80}
                              << QVector<double>{80, 60, 90, 80} << "" << 4;
        QTest::newRow("lower threshold")
            << 0.1 << QVector<double>{40, 30, 90, 80} << QVector<double>{35, 30, 90, 70}
            << "writeAvg readMin" << 4;
        QTest::newRow("no read before") << 0.25 << QVector<double>{40, 30, nan, nan}
                                        << QVector<double>{40, 30, 10, 5} << "" << 2;
        QTest::newRow("zero before") << 0.25 << QVector<double>{40, 0, nan, nan}
                                     << QVector<double>{10, 0, nan, nan} << "writeAvg" << 1;
    }

    // Only figures both tests have are compared; a fall of more than the threshold warns.
    void comparison()
    {
        QFETCH(double, threshold);
        QFETCH(QVector<double>, before);
        QFETCH(QVector<double>, now);
        QFETCH(QString, warnings);
        QFETCH(int, figures);
        VerdictRules rules;
        rules.historyDropWarn = threshold;
        const HistoryTest previous = testAt(QStringLiteral("2026-08-02T10:00:00Z"), before[0],
                                            before[1], before[2], before[3]);
        const HistoryComparison c = compareTests(
            previous,
            testAt(QStringLiteral("2026-12-02T10:00:00Z"), now[0], now[1], now[2], now[3]), rules);
        QCOMPARE(c.figures.size(), figures);
        const QJsonObject json = comparisonJson(c);
        QStringList named;
        for (const QJsonValue &v : json["warnings"].toArray())
            named << v.toString();
        QCOMPARE(named.join(' '), warnings);
        QCOMPARE(c.warns(), !warnings.isEmpty());
        QCOMPARE(comparisonWarnings(c).size(), named.size());
        QCOMPARE(json["write"]["avg"].toDouble(), before[0]);
        QCOMPARE(json["read"].isNull(), std::isnan(before[2]));
    }

    // The previous comparable test: same card, mode, block and streams, completed, earlier.
    void previousComparable()
    {
        HistoryDb db(path(QStringLiteral("previous.sqlite")));
        const HistoryCard c = card(QStringLiteral("volume:P|1"));
        HistoryTest old = testAt(QStringLiteral("2026-06-01T10:00:00Z"), 50, 40);
        HistoryTest match = testAt(QStringLiteral("2026-08-01T10:00:00Z"), 45, 35);
        HistoryTest otherBlock = testAt(QStringLiteral("2026-09-01T10:00:00Z"), 10, 5);
        otherBlock.blockSize = 65536;
        HistoryTest failed = testAt(QStringLiteral("2026-10-01T10:00:00Z"), 1, 1);
        failed.outcome = QStringLiteral("failed");
        HistoryTest otherCard = testAt(QStringLiteral("2026-10-02T10:00:00Z"), 2, 2);
        for (HistoryTest *t : {&old, &match, &otherBlock, &failed})
            QVERIFY(db.record(c, t));
        QVERIFY(db.record(card(QStringLiteral("volume:Q|1")), &otherCard));
        const std::optional<HistoryTest> found = db.previousComparable(
            match.cardId, testAt(QStringLiteral("2026-12-01T10:00:00Z"), 1, 1));
        QVERIFY(found && found->id == match.id);
    }

    // Two programs recording at once: WAL and the busy timeout let every write through.
    void writersTakeTurns()
    {
        const QString file = path(QStringLiteral("shared.sqlite"));
        HistoryDb(file).isOpen();
        constexpr int kEach = 25;
        int failures[2] = {0, 0};
        const auto writer = [&](int who) {
            HistoryDb db(file);
            for (int i = 0; i < kEach; ++i) {
                HistoryTest t = testAt(QStringLiteral("2026-08-02T10:00:00Z"), 40 + i, 30);
                if (!db.record(card(QStringLiteral("volume:W%1|1").arg(who)), &t))
                    ++failures[who];
            }
        };
        std::thread a(writer, 0);
        std::thread b(writer, 1);
        a.join();
        b.join();
        QCOMPARE(failures[0] + failures[1], 0);
        HistoryDb db(file);
        QCOMPARE(db.tests().size(), 2 * kEach);
        QCOMPARE(db.cards().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
