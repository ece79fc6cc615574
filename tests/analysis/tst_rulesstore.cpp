// The verdict rules in the settings store: what is read back, what is limited on the way,
// and how a typed-in value is read. Every store here lives in the test's own folder.
#include "isolatedsettings.h"
#include "verdictrulesstore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(VerdictRulesStore::TextError)

namespace {
// Every field differs from its default, so a field that is not stored or not read shows.
VerdictRules unusualRules()
{
    VerdictRules r;
    r.enableRead = true;
    r.jitterFail = 0.8;
    r.jitterWarn = 0.333;
    r.cvFail = 0.61;
    r.cvWarn = 0.25;
    r.dropFail = 0.3;
    r.dropWarn = 0.05;
    r.minSpeedMult = 0.75;
    r.aggWriteFail = 12.5;
    r.aggWriteWarn = 22.25;
    r.aggReadFail = 15.0;
    r.aggReadWarn = 45.5;
    r.slcTrim = false;
    r.fullCap = true;
    r.iterCount = 7;
    r.perStreamWrite = 8.75;
    r.perStreamRead = 12.5;
    return r;
}

// Compares field by field through the store's own names, so a failure names the key.
void compareRules(const VerdictRules &actual, const VerdictRules &expected)
{
    for (const QString &key : VerdictRulesStore::keys()) {
        QVERIFY2(VerdictRulesStore::field(actual, key) == VerdictRulesStore::field(expected, key),
                 qPrintable(QStringLiteral("%1: %2, expected %3")
                                .arg(key, VerdictRulesStore::field(actual, key).toString(),
                                     VerdictRulesStore::field(expected, key).toString())));
    }
}
}  // namespace

class TestRulesStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void keysInStoreOrder();
    void emptyStoreKeepsDefaults();
    void roundTrip();
    void defaultStoreLivesInItsFolder();
    void missingKeyKeepsField();
    void storedValueIsLimited_data();
    void storedValueIsLimited();
    void unknownKeyChangesNothing();
    void typedValue_data();
    void typedValue();

private:
    QTemporaryDir m_dir;
    QString iniFile(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
};

void TestRulesStore::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(isolateSettings(m_dir.filePath(QStringLiteral("config"))));
}

void TestRulesStore::keysInStoreOrder()
{
    const QStringList expected = {"enableRead",   "jitterFail",   "jitterWarn",  "cvFail",
                                  "cvWarn",       "dropFail",     "dropWarn",    "minSpeedMult",
                                  "aggWriteFail", "aggWriteWarn", "aggReadFail", "aggReadWarn",
                                  "slcTrim",      "fullCap",      "iterCount",   "perStreamWrite",
                                  "perStreamRead"};
    QCOMPARE(VerdictRulesStore::keys(), expected);
    QCOMPARE(VerdictRulesStore::groupName(), QStringLiteral("verdict"));
}

void TestRulesStore::emptyStoreKeepsDefaults()
{
    QSettings settings(iniFile("empty.ini"), QSettings::IniFormat);
    VerdictRules loaded;
    VerdictRulesStore::load(settings, &loaded);
    compareRules(loaded, VerdictRules());
    QVERIFY(!loaded.enableRead);
    QCOMPARE(loaded.perStreamWrite, 5.0);
}

void TestRulesStore::roundTrip()
{
    const QString path = iniFile("roundtrip.ini");
    {
        QSettings settings(path, QSettings::IniFormat);
        VerdictRulesStore::save(unusualRules(), settings);
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("verdict"));
    QStringList stored = settings.childKeys();
    settings.endGroup();
    QStringList expected = VerdictRulesStore::keys();
    stored.sort();
    expected.sort();
    QCOMPARE(stored, expected);

    VerdictRules loaded;
    VerdictRulesStore::load(settings, &loaded);
    compareRules(loaded, unusualRules());
}

void TestRulesStore::defaultStoreLivesInItsFolder()
{
    VerdictRulesStore::saveToDefaultStore(unusualRules());
    QVERIFY2(QSettings().fileName().startsWith(m_dir.path()), qPrintable(QSettings().fileName()));
    QVERIFY(QFile::exists(QSettings().fileName()));
    compareRules(VerdictRulesStore::loadFromDefaultStore(), unusualRules());
    QSettings().clear();
    compareRules(VerdictRulesStore::loadFromDefaultStore(), VerdictRules());
}

void TestRulesStore::missingKeyKeepsField()
{
    QSettings settings(iniFile("partial.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("verdict/cvWarn"), 0.2);
    VerdictRules rules = unusualRules();
    VerdictRulesStore::load(settings, &rules);
    VerdictRules expected = unusualRules();
    expected.cvWarn = 0.2;
    compareRules(rules, expected);
}

void TestRulesStore::storedValueIsLimited_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");  // as a hand-edited file would hold it
    QTest::addColumn<QVariant>("loaded");

    QTest::newRow("250 rounds") << "iterCount"
                                << "250" << QVariant(99);
    QTest::newRow("-3 rounds") << "iterCount"
                               << "-3" << QVariant(1);
    QTest::newRow("0 rounds") << "iterCount"
                              << "0" << QVariant(1);
    QTest::newRow("rounds not a number") << "iterCount"
                                         << "many" << QVariant(1);
    QTest::newRow("7 rounds") << "iterCount"
                              << "7" << QVariant(7);
    QTest::newRow("per-stream write 5000") << "perStreamWrite"
                                           << "5000" << QVariant(2000.0);
    QTest::newRow("per-stream write to two decimals") << "perStreamWrite"
                                                      << "5.556" << QVariant(5.56);
    QTest::newRow("per-stream read below 0") << "perStreamRead"
                                             << "-4" << QVariant(0.0);
    QTest::newRow("ratio kept as read") << "jitterWarn"
                                        << "0.4567" << QVariant(0.4567);
    QTest::newRow("negative speed kept as read") << "aggWriteFail"
                                                 << "-5" << QVariant(-5.0);
    QTest::newRow("multiplier not limited") << "minSpeedMult"
                                            << "3" << QVariant(3.0);
    QTest::newRow("ratio not a number") << "cvFail"
                                        << "high" << QVariant(0.0);
    QTest::newRow("switch off") << "slcTrim"
                                << "false" << QVariant(false);
    QTest::newRow("switch on") << "enableRead"
                               << "true" << QVariant(true);
}

void TestRulesStore::storedValueIsLimited()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QVariant, loaded);

    const QString path = iniFile("limits.ini");
    QFile::remove(path);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(QStringLiteral("verdict/") + key, stored);
    }
    QSettings settings(path, QSettings::IniFormat);
    VerdictRules rules;
    VerdictRulesStore::load(settings, &rules);
    QCOMPARE(VerdictRulesStore::field(rules, key), loaded);
    // Loading never writes back: the odd value stays in the file as it was.
    QCOMPARE(settings.value(QStringLiteral("verdict/") + key).toString(), stored);
}

void TestRulesStore::unknownKeyChangesNothing()
{
    VerdictRules rules = unusualRules();
    QVERIFY(!VerdictRulesStore::setField(&rules, QStringLiteral("turbo"), 3));
    QVERIFY(!VerdictRulesStore::setField(&rules, QStringLiteral("JitterWarn"), 0.1));
    compareRules(rules, unusualRules());
    QVERIFY(!VerdictRulesStore::field(rules, QStringLiteral("turbo")).isValid());
}

void TestRulesStore::typedValue_data()
{
    using E = VerdictRulesStore::TextError;
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<E>("error");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("speed") << "aggWriteWarn"
                           << "15" << E::None << QVariant(15.0);
    QTest::newRow("ratio") << "jitterFail"
                           << "0.7" << E::None << QVariant(0.7);
    QTest::newRow("exponent") << "cvFail"
                              << "1e3" << E::None << QVariant(1000.0);
    QTest::newRow("blanks around") << "dropWarn"
                                   << " 0.2 " << E::None << QVariant(0.2);
    QTest::newRow("zero") << "aggReadFail"
                          << "0" << E::None << QVariant(0.0);
    QTest::newRow("switch true") << "slcTrim"
                                 << "true" << E::None << QVariant(true);
    QTest::newRow("switch FALSE") << "slcTrim"
                                  << "FALSE" << E::None << QVariant(false);
    QTest::newRow("switch 1") << "fullCap"
                              << "1" << E::None << QVariant(true);
    QTest::newRow("switch 0") << "enableRead"
                              << "0" << E::None << QVariant(false);
    QTest::newRow("rounds") << "iterCount"
                            << "12" << E::None << QVariant(12);

    QTest::newRow("unknown key") << "speed"
                                 << "5" << E::UnknownKey << QVariant();
    QTest::newRow("key case matters") << "AggWriteWarn"
                                      << "5" << E::UnknownKey << QVariant();
    QTest::newRow("words") << "aggWriteWarn"
                           << "fast" << E::BadValue << QVariant();
    QTest::newRow("empty") << "aggWriteWarn"
                           << "" << E::BadValue << QVariant();
    QTest::newRow("negative") << "aggWriteWarn"
                              << "-1" << E::BadValue << QVariant();
    QTest::newRow("not a number") << "jitterWarn"
                                  << "nan" << E::BadValue << QVariant();
    QTest::newRow("infinite") << "jitterWarn"
                              << "inf" << E::BadValue << QVariant();
    QTest::newRow("unit") << "perStreamWrite"
                          << "5MB/s" << E::BadValue << QVariant();
    QTest::newRow("switch maybe") << "slcTrim"
                                  << "maybe" << E::BadValue << QVariant();
    QTest::newRow("switch 2") << "slcTrim"
                              << "2" << E::BadValue << QVariant();
    QTest::newRow("fractional rounds") << "iterCount"
                                       << "2.5" << E::BadValue << QVariant();
}

void TestRulesStore::typedValue()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(VerdictRulesStore::TextError, error);
    QFETCH(QVariant, value);

    QVariant parsed(QStringLiteral("untouched"));
    QCOMPARE(VerdictRulesStore::parseText(key, text, &parsed), error);
    if (error == VerdictRulesStore::TextError::None)
        QCOMPARE(parsed, value);
    else
        QCOMPARE(parsed, QVariant(QStringLiteral("untouched")));
}

QTEST_GUILESS_MAIN(TestRulesStore)
#include "tst_rulesstore.moc"
