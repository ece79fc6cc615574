#include "verdictrulesstore.h"

#include <QSettings>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

enum class Kind { Bool, Double, Int };

// One key of the group and the field it holds.
struct Entry {
    const char *key;
    Kind kind;
    bool VerdictRules::*flag;
    double VerdictRules::*number;
    int VerdictRules::*count;
};

Entry boolEntry(const char *key, bool VerdictRules::*member)
{
    return {key, Kind::Bool, member, nullptr, nullptr};
}

Entry doubleEntry(const char *key, double VerdictRules::*member)
{
    return {key, Kind::Double, nullptr, member, nullptr};
}

// In the order the window reads and writes them.
const QVector<Entry> &entries()
{
    static const QVector<Entry> list = {
        boolEntry("enableRead", &VerdictRules::enableRead),
        doubleEntry("jitterFail", &VerdictRules::jitterFail),
        doubleEntry("jitterWarn", &VerdictRules::jitterWarn),
        doubleEntry("cvFail", &VerdictRules::cvFail),
        doubleEntry("cvWarn", &VerdictRules::cvWarn),
        doubleEntry("dropFail", &VerdictRules::dropFail),
        doubleEntry("dropWarn", &VerdictRules::dropWarn),
        doubleEntry("minSpeedMult", &VerdictRules::minSpeedMult),
        doubleEntry("aggWriteFail", &VerdictRules::aggWriteFail),
        doubleEntry("aggWriteWarn", &VerdictRules::aggWriteWarn),
        doubleEntry("aggReadFail", &VerdictRules::aggReadFail),
        doubleEntry("aggReadWarn", &VerdictRules::aggReadWarn),
        boolEntry("slcTrim", &VerdictRules::slcTrim),
        boolEntry("fullCap", &VerdictRules::fullCap),
        {"iterCount", Kind::Int, nullptr, nullptr, &VerdictRules::iterCount},
        doubleEntry("perStreamWrite", &VerdictRules::perStreamWrite),
        doubleEntry("perStreamRead", &VerdictRules::perStreamRead),
        doubleEntry("historyDropWarn", &VerdictRules::historyDropWarn),
        doubleEntry("dashcamMargin", &VerdictRules::dashcamMargin),
    };
    return list;
}

const Entry *find(const QString &key)
{
    for (const Entry &e : entries()) {
        if (key == QLatin1String(e.key))
            return &e;
    }
    return nullptr;
}

// The two per-stream minimums live in the window's spin boxes, which limit them.
bool isPerStreamSpeed(const Entry &e)
{
    return e.number == &VerdictRules::perStreamWrite || e.number == &VerdictRules::perStreamRead;
}

}  // namespace

namespace VerdictRulesStore {

QString groupName()
{
    return QStringLiteral("verdict");
}

const QStringList &keys()
{
    static const QStringList list = [] {
        QStringList names;
        for (const Entry &e : entries())
            names << QLatin1String(e.key);
        return names;
    }();
    return list;
}

QVariant field(const VerdictRules &rules, const QString &key)
{
    const Entry *e = find(key);
    if (!e)
        return QVariant();
    switch (e->kind) {
    case Kind::Bool:
        return QVariant(rules.*(e->flag));
    case Kind::Double:
        return QVariant(rules.*(e->number));
    case Kind::Int:
        break;
    }
    return QVariant(rules.*(e->count));
}

bool setField(VerdictRules *rules, const QString &key, const QVariant &value)
{
    const Entry *e = find(key);
    if (!e)
        return false;
    switch (e->kind) {
    case Kind::Bool:
        rules->*(e->flag) = value.toBool();
        break;
    case Kind::Double: {
        // "nan" converts to a NaN, which no threshold can be compared with: it counts as
        // a value that is not a number.
        double number = value.toDouble();
        if (std::isnan(number))
            number = 0.0;
        if (isPerStreamSpeed(*e))
            number = clampPerStreamSpeed(number);
        else if (e->number == &VerdictRules::dashcamMargin)
            number = std::max(1.0, number);  // below 1 there would be no margin at all
        rules->*(e->number) = number;
        break;
    }
    case Kind::Int:
        // A value that is not a whole number reads as 0, and so becomes 1.
        rules->*(e->count) = clampIterCount(toStoredInt(value));
        break;
    }
    return true;
}

int toStoredInt(const QVariant &value)
{
    constexpr int lowest = std::numeric_limits<int>::min();
    constexpr int highest = std::numeric_limits<int>::max();
    bool ok = false;
    if (value.userType() == QMetaType::Double || value.userType() == QMetaType::Float) {
        const double number = value.toDouble(&ok);
        if (!ok || std::isnan(number))
            return 0;
        return static_cast<int>(std::clamp(number, double(lowest), double(highest)));
    }
    // The variant's own toInt() wraps a long number around; read it wide, then hold it.
    const qlonglong number = value.toLongLong(&ok);
    if (!ok)
        return 0;
    return static_cast<int>(std::clamp<qlonglong>(number, lowest, highest));
}

void load(QSettings &settings, VerdictRules *rules)
{
    settings.beginGroup(groupName());
    for (const QString &key : keys())
        setField(rules, key, settings.value(key, field(*rules, key)));
    settings.endGroup();
}

void save(const VerdictRules &rules, QSettings &settings)
{
    settings.beginGroup(groupName());
    for (const QString &key : keys())
        settings.setValue(key, field(rules, key));
    settings.endGroup();
}

VerdictRules loadFromDefaultStore()
{
    QSettings settings;
    VerdictRules rules;
    load(settings, &rules);
    return rules;
}

void saveToDefaultStore(const VerdictRules &rules)
{
    QSettings settings;
    save(rules, settings);
}

TextError parseText(const QString &key, const QString &text, QVariant *value)
{
    const Entry *e = find(key);
    if (!e)
        return TextError::UnknownKey;
    const QString t = text.trimmed().toLower();
    bool ok = false;
    switch (e->kind) {
    case Kind::Bool:
        if (t == QLatin1String("true") || t == QLatin1String("1"))
            *value = QVariant(true);
        else if (t == QLatin1String("false") || t == QLatin1String("0"))
            *value = QVariant(false);
        else
            return TextError::BadValue;
        return TextError::None;
    case Kind::Int: {
        const int n = t.toInt(&ok);
        if (!ok)
            return TextError::BadValue;
        *value = QVariant(n);
        return TextError::None;
    }
    case Kind::Double:
        break;
    }
    const double number = t.toDouble(&ok);
    if (!ok || !std::isfinite(number) || number < 0.0)
        return TextError::BadValue;
    *value = QVariant(number);
    return TextError::None;
}

}  // namespace VerdictRulesStore
