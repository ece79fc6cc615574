#include "terminalstyle.h"

#include <cstdlib>

namespace {
const char *const kReset = "\x1b[0m";

// The six levels of each channel in the palette's colour cube.
int cubeLevel(int channel)
{
    static const int levels[6] = {0, 95, 135, 175, 215, 255};
    int best = 0;
    for (int i = 1; i < 6; ++i) {
        if (std::abs(levels[i] - channel) < std::abs(levels[best] - channel))
            best = i;
    }
    return best;
}

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

// "#rrggbb"; anything else reads as black.
Rgb parseHex(const QString &hex)
{
    bool ok = false;
    const uint value = hex.mid(1).toUInt(&ok, 16);
    if (!ok || hex.size() != 7 || !hex.startsWith(QLatin1Char('#')))
        return Rgb();
    return Rgb{int(value >> 16) & 0xff, int(value >> 8) & 0xff, int(value) & 0xff};
}
}  // namespace

TerminalStyle::Mode TerminalStyle::modeFor(bool isTerminal)
{
    if (!isTerminal || !qEnvironmentVariableIsEmpty("NO_COLOR"))
        return Mode::Plain;
    const QByteArray colorTerm = qgetenv("COLORTERM").toLower();
    if (colorTerm == "truecolor" || colorTerm == "24bit")
        return Mode::TrueColor;
    return Mode::Palette256;
}

QString TerminalStyle::paint(const QString &text, const QString &hexColor, bool bold) const
{
    if (m_mode == Mode::Plain)
        return text;
    const Rgb c = parseHex(hexColor);
    QString start = bold ? QStringLiteral("\x1b[1;") : QStringLiteral("\x1b[");
    if (m_mode == Mode::TrueColor)
        start += QStringLiteral("38;2;%1;%2;%3m").arg(c.r).arg(c.g).arg(c.b);
    else
        start += QStringLiteral("38;5;%1m").arg(paletteIndex(hexColor));
    return start + text + QLatin1String(kReset);
}

QString TerminalStyle::bold(const QString &text) const
{
    if (m_mode == Mode::Plain)
        return text;
    return QStringLiteral("\x1b[1m") + text + QLatin1String(kReset);
}

int TerminalStyle::paletteIndex(const QString &hexColor)
{
    const Rgb c = parseHex(hexColor);
    return 16 + 36 * cubeLevel(c.r) + 6 * cubeLevel(c.g) + cubeLevel(c.b);
}
