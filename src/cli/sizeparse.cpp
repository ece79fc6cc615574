#include "sizeparse.h"

#include <limits>

namespace {
struct Unit {
    QChar letter;
    int shift;
};
constexpr int kUnitCount = 4;
const Unit kUnits[kUnitCount] = {
    {QLatin1Char('K'), 10}, {QLatin1Char('M'), 20}, {QLatin1Char('G'), 30}, {QLatin1Char('T'), 40}};
}  // namespace

bool parseSize(const QString &text, qint64 *bytes)
{
    QString s = text.trimmed().toUpper();
    // "B" may follow a number or a unit, "iB" only a unit ("1KiB", not "1iB").
    const bool binarySuffix = s.endsWith(QLatin1String("IB"));
    if (binarySuffix)
        s.chop(2);
    else if (s.endsWith(QLatin1Char('B')))
        s.chop(1);

    int shift = 0;
    for (const Unit &unit : kUnits) {
        if (s.endsWith(unit.letter)) {
            shift = unit.shift;
            s.chop(1);
            break;
        }
    }
    if (binarySuffix && shift == 0)
        return false;

    if (s.isEmpty())
        return false;
    for (const QChar c : qAsConst(s)) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const qulonglong number = s.toULongLong(&ok);
    if (!ok || number == 0)
        return false;
    const qulonglong limit = qulonglong(std::numeric_limits<qint64>::max()) >> shift;
    if (number > limit)
        return false;
    *bytes = qint64(number << shift);
    return true;
}

QString formatSize(qint64 bytes)
{
    for (int i = kUnitCount - 1; i >= 0; --i) {
        const qint64 unit = qint64(1) << kUnits[i].shift;
        if (bytes > 0 && bytes % unit == 0)
            return QString::number(bytes / unit) + kUnits[i].letter;
    }
    return QString::number(bytes);
}
