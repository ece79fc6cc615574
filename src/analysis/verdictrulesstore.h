#pragma once

#include "verdict.h"

#include <QStringList>
#include <QVariant>

class QSettings;

// The verdict rules as the settings store keeps them: group "verdict", one key per field of
// VerdictRules, named like the field. Both front ends read and write them through here, and
// a value typed on a command line goes through the same conversions and limits.
namespace VerdictRulesStore {

QString groupName();

// The keys in the order they are read and written: the window's first 17, then the
// history's and the dashcam profile's.
const QStringList &keys();

// Reads the group into `rules`. A missing key leaves its field as it was; a stored value
// goes through setField(), so it is converted and limited as the window's controls would.
void load(QSettings &settings, VerdictRules *rules);
// Writes every key of the group, typed (bool, double, int), in the order of keys().
void save(const VerdictRules &rules, QSettings &settings);

// The same through a default QSettings, located by the application's identity.
VerdictRules loadFromDefaultStore();
void saveToDefaultStore(const VerdictRules &rules);

// The field named `key` as a typed value; an invalid QVariant for an unknown key.
QVariant field(const VerdictRules &rules, const QString &key);

// Sets the field named `key` from a stored value with the variant's own conversions (a
// value that does not convert, or converts to NaN, counts as false / 0), then the limits:
// iterCount within 1 ... 99, the per-stream minimums within 0 ... 2000 MB/s at two
// decimals, dashcamMargin at least 1. False, and nothing changed, for an unknown key.
bool setField(VerdictRules *rules, const QString &key, const QVariant &value);

// A stored whole number as an int: a number beyond the int range is held at its end
// instead of wrapping, a fractional double is cut toward zero, anything else is 0. The
// window's stored test settings read their indexes through it too.
int toStoredInt(const QVariant &value);

// A value typed by a person, read strictly: "true"/"false"/"1"/"0" for a switch, a whole
// number for iterCount, a finite number not below 0 for the others. On success `value`
// holds it typed, ready for setField().
enum class TextError { None, UnknownKey, BadValue };
TextError parseText(const QString &key, const QString &text, QVariant *value);

}  // namespace VerdictRulesStore
