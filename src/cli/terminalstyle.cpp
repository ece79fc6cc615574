#include "terminalstyle.h"

#include <QVector>

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

bool isWide(uint cp)
{
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E)
           || (cp >= 0x3041 && cp <= 0x33FF) || (cp >= 0x3400 && cp <= 0x4DBF)
           || (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF)
           || (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF)
           || (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60)
           || (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
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

int displayWidth(const QString &text)
{
    int width = 0;
    for (uint cp : text.toUcs4())
        width += isWide(cp) ? 2 : 1;
    return width;
}

QString elideToWidth(const QString &text, int width)
{
    if (displayWidth(text) <= width)
        return text;
    const QString ellipsis = QStringLiteral("...");
    const QVector<uint> cps = text.toUcs4();
    QVector<uint> kept;
    int used = 0;
    for (uint cp : cps) {
        const int w = isWide(cp) ? 2 : 1;
        if (used + w > width - ellipsis.size())
            break;
        kept.append(cp);
        used += w;
    }
    return QString::fromUcs4(kept.constData(), kept.size()) + ellipsis;
}
