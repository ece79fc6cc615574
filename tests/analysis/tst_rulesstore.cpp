// The verdict rules in the settings store: the key names, what is read back, what is limited
// on the way, and how a typed-in value is read. Every store lives in the test's own folder.
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

class TestRulesStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString iniFile(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(isolateSettings(m_dir.filePath(QStringLiteral("config"))));
    }

    // The names other installs and the window's earlier versions read and write.
    void keysInStoreOrder()
    {
        QCOMPARE(VerdictRulesStore::groupName(), QStringLiteral("verdict"));
        QCOMPARE(VerdictRulesStore::keys(),
                 QStringList({"enableRead", "jitterFail", "jitterWarn", "cvFail", "cvWarn",
                              "dropFail", "dropWarn", "minSpeedMult", "aggWriteFail",
                              "aggWriteWarn", "aggReadFail", "aggReadWarn", "slcTrim", "fullCap",
                              "iterCount", "perStreamWrite", "perStreamRead"}));
    }

    // Every key is written and reads back as it was, through the default store, which the
    // application's identity locates (here in the test folder).
    void roundTrip()
    {
        VerdictRulesStore::saveToDefaultStore(unusualRules());
        QSettings settings;
        QVERIFY2(settings.fileName().startsWith(m_dir.path()), qPrintable(settings.fileName()));
        settings.beginGroup(QStringLiteral("verdict"));
        QStringList stored = settings.childKeys();
        settings.endGroup();
        QStringList expected = VerdictRulesStore::keys();
        stored.sort();
        expected.sort();
        QCOMPARE(stored, expected);
        compareRules(VerdictRulesStore::loadFromDefaultStore(), unusualRules());
        settings.clear();
        compareRules(VerdictRulesStore::loadFromDefaultStore(), VerdictRules());
    }

    // An empty store keeps the first-start defaults; a missing key keeps its field.
    void missingKeyKeepsField()
    {
        QSettings settings(iniFile("partial.ini"), QSettings::IniFormat);
        VerdictRules rules;
        VerdictRulesStore::load(settings, &rules);
        QVERIFY(!rules.enableRead && rules.slcTrim && !rules.fullCap && rules.iterCount == 1);
        QCOMPARE(rules.perStreamWrite, 5.0);

        settings.setValue(QStringLiteral("verdict/cvWarn"), 0.2);
        rules = unusualRules();
        VerdictRulesStore::load(settings, &rules);
        VerdictRules expected = unusualRules();
        expected.cvWarn = 0.2;
        compareRules(rules, expected);
    }

    void storedValueIsLimited_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");  // as a hand-edited file would hold it
        QTest::addColumn<QVariant>("loaded");
        const struct {
            const char *name, *key, *stored;
            QVariant loaded;
        } rows[] = {
            {"250 rounds", "iterCount", "250", 99},
            {"-3 rounds", "iterCount", "-3", 1},
            {"0 rounds", "iterCount", "0", 1},
            {"rounds not a number", "iterCount", "many", 1},
            {"7 rounds", "iterCount", "7", 7},
            {"per-stream write 5000", "perStreamWrite", "5000", 2000.0},
            {"per-stream write to two decimals", "perStreamWrite", "5.556", 5.56},
            {"per-stream read below 0", "perStreamRead", "-4", 0.0},
            {"ratio kept as read", "jitterWarn", "0.4567", 0.4567},
            {"negative speed kept as read", "aggWriteFail", "-5", -5.0},
            {"multiplier not limited", "minSpeedMult", "3", 3.0},
            {"ratio not a number", "cvFail", "high", 0.0},
            {"switch off", "slcTrim", "false", false},
            {"switch on", "enableRead", "true", true},
        };
        for (const auto &r : rows)
            QTest::newRow(r.name) << QString(r.key) << QString(r.stored) << r.loaded;
    }

    void storedValueIsLimited()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        const QString path = iniFile("limits.ini");
        QFile::remove(path);
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.setValue(QStringLiteral("verdict/") + key, stored);
        }
        QSettings settings(path, QSettings::IniFormat);
        VerdictRules rules;
        VerdictRulesStore::load(settings, &rules);
        QTEST(VerdictRulesStore::field(rules, key), "loaded");
        // Loading never writes back: the odd value stays in the file as it was.
        QCOMPARE(settings.value(QStringLiteral("verdict/") + key).toString(), stored);
    }

    void unknownKeyChangesNothing()
    {
        VerdictRules rules = unusualRules();
        QVERIFY(!VerdictRulesStore::setField(&rules, QStringLiteral("turbo"), 3));
        QVERIFY(!VerdictRulesStore::setField(&rules, QStringLiteral("JitterWarn"), 0.1));
        compareRules(rules, unusualRules());
        QVERIFY(!VerdictRulesStore::field(rules, QStringLiteral("turbo")).isValid());
    }

    void typedValue_data()
    {
        using E = VerdictRulesStore::TextError;
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<E>("error");
        QTest::addColumn<QVariant>("value");
        const struct {
            const char *name, *key, *text;
            E error;
            QVariant value;
        } rows[] = {
            {"speed", "aggWriteWarn", "15", E::None, 15.0},
            {"exponent", "cvFail", "1e3", E::None, 1000.0},
            {"blanks around", "dropWarn", " 0.2 ", E::None, 0.2},
            {"zero", "aggReadFail", "0", E::None, 0.0},
            {"switch true", "slcTrim", "true", E::None, true},
            {"switch FALSE", "slcTrim", "FALSE", E::None, false},
            {"switch 1", "fullCap", "1", E::None, true},
            {"switch 0", "enableRead", "0", E::None, false},
            {"rounds", "iterCount", "12", E::None, 12},
            {"unknown key", "speed", "5", E::UnknownKey, {}},
            {"key case matters", "AggWriteWarn", "5", E::UnknownKey, {}},
            {"words", "aggWriteWarn", "fast", E::BadValue, {}},
            {"empty", "aggWriteWarn", "", E::BadValue, {}},
            {"negative", "aggWriteWarn", "-1", E::BadValue, {}},
            {"not a number", "jitterWarn", "nan", E::BadValue, {}},
            {"infinite", "jitterWarn", "inf", E::BadValue, {}},
            {"unit", "perStreamWrite", "5MB/s", E::BadValue, {}},
            {"switch maybe", "slcTrim", "maybe", E::BadValue, {}},
            {"switch 2", "slcTrim", "2", E::BadValue, {}},
            {"fractional rounds", "iterCount", "2.5", E::BadValue, {}},
        };
        for (const auto &r : rows)
            QTest::newRow(r.name) << QString(r.key) << QString(r.text) << r.error << r.value;
    }

    // Strict reading of what a person typed; a refused text leaves the value untouched.
    void typedValue()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(VerdictRulesStore::TextError, error);
        QFETCH(QVariant, value);
        QVariant parsed(QStringLiteral("untouched"));
        QCOMPARE(VerdictRulesStore::parseText(key, text, &parsed), error);
        QCOMPARE(parsed, error == VerdictRulesStore::TextError::None
                             ? value
                             : QVariant(QStringLiteral("untouched")));
    }
};

QTEST_GUILESS_MAIN(TestRulesStore)
#include "tst_rulesstore.moc"
