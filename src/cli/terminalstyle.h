#pragma once

#include <QString>

// How text is set off on a terminal: the program's "#rrggbb" status colours as ANSI
// escapes, 24-bit where the terminal says it shows them, the 256-colour palette otherwise,
// and nothing at all off a terminal.
class TerminalStyle
{
public:
    enum class Mode { Plain, Palette256, TrueColor };

    explicit TerminalStyle(Mode mode = Mode::Plain)
        : m_mode(mode)
    {}

    // The mode for a stream that is or is not a terminal, given the environment: plain off a
    // terminal or when NO_COLOR is set (to anything but the empty string), 24-bit when
    // COLORTERM says "truecolor" or "24bit".
    static Mode modeFor(bool isTerminal);

    Mode mode() const { return m_mode; }
    // `text` in the colour `hexColor` ("#rrggbb"), bold if asked; unchanged in plain mode.
    QString paint(const QString &text, const QString &hexColor, bool bold = false) const;
    QString bold(const QString &text) const;

    // The nearest entry of the palette's 6x6x6 colour cube (16 ... 231).
    static int paletteIndex(const QString &hexColor);

private:
    Mode m_mode;
};
