// The verdict rules in the settings store: what is read back, what is limited on the way,
// and how a typed-in value is read. Every store lives in the test's own folder.
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

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(isolateSettings(m_dir.filePath(QStringLiteral("config"))));
    }

    // Every field is written and reads back as it was; a missing key keeps its field, so an
    // empty store gives the first-start defaults.
    void roundTrip()
    {
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

    void storedValueIsLimited_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");  // as a hand-edited file would hold it
        QTest::addColumn<QVariant>("loaded");
        const struct {
            const char *key, *stored;
            QVariant loaded;
        } rows[] = {
            {"iterCount", "250", 99},
            {"iterCount", "0", 1},
            {"perStreamWrite", "5000", 2000.0},
            {"perStreamWrite", "5.556", 5.56},
            {"perStreamRead", "-4", 0.0},
            {"cvFail", "nan", 0.0},
            {"cvFail", "high", 0.0},
        };
        for (const auto &r : rows)
            QTest::addRow("%s=%s", r.key, r.stored) << r.key << r.stored << r.loaded;
    }

    void storedValueIsLimited()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        VerdictRules rules;
        QVERIFY(VerdictRulesStore::setField(&rules, key, stored));
        QTEST(VerdictRulesStore::field(rules, key), "loaded");
    }

    void typedValue_data()
    {
        using E = VerdictRulesStore::TextError;
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<E>("error");
        QTest::addColumn<QVariant>("value");
        const struct {
            const char *key, *text;
            E error;
            QVariant value;
        } rows[] = {
            {"cvFail", "1e3", E::None, 1000.0},       {"dropWarn", " 0.2 ", E::None, 0.2},
            {"aggReadFail", "0", E::None, 0.0},       {"slcTrim", "FALSE", E::None, false},
            {"fullCap", "1", E::None, true},          {"iterCount", "12", E::None, 12},
            {"AggWriteWarn", "5", E::UnknownKey, {}}, {"aggWriteWarn", "", E::BadValue, {}},
            {"aggWriteWarn", "-1", E::BadValue, {}},  {"jitterWarn", "nan", E::BadValue, {}},
            {"jitterWarn", "inf", E::BadValue, {}},   {"perStreamWrite", "5MB/s", E::BadValue, {}},
            {"slcTrim", "2", E::BadValue, {}},        {"iterCount", "2.5", E::BadValue, {}},
        };
        for (const auto &r : rows)
            QTest::addRow("%s=%s", r.key, r.text) << r.key << r.text << r.error << r.value;
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
