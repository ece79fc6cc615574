#include "consolewriter.h"

#include "progressline.h"

#include <QIODevice>

ConsoleWriter::ConsoleWriter(QIODevice *out, QIODevice *err, bool errIsTerminal)
    : m_out(out)
    , m_err(err)
    , m_errIsTerminal(errIsTerminal)
{}

QString ConsoleWriter::stamped(const QString &message, const QTime &time)
{
    return QStringLiteral("[%1] %2").arg(time.toString(QStringLiteral("hh:mm:ss")), message);
}

void ConsoleWriter::logLine(const QString &message, const QTime &time)
{
    clearProgress();
    writeErr(stamped(message, time) + QLatin1Char('\n'));
}

void ConsoleWriter::error(const QString &text)
{
    clearProgress();
    writeErr(text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n'));
}

void ConsoleWriter::progress(const QString &line)
{
    if (!m_errIsTerminal) {
        writeErr(line + QLatin1Char('\n'));
        return;
    }
    // Blanks over whatever a longer previous line left behind, counted in columns, since a
    // Chinese character takes two.
    const int columns = displayColumns(line);
    const int pad = qMax(0, m_progressWidth - columns);
    writeErr(QLatin1Char('\r') + line + QString(pad, QLatin1Char(' ')));
    m_progressWidth = columns;
}

void ConsoleWriter::clearProgress()
{
    if (m_progressWidth == 0)
        return;
    writeErr(QLatin1Char('\r') + QString(m_progressWidth, QLatin1Char(' ')) + QLatin1Char('\r'));
    m_progressWidth = 0;
}

void ConsoleWriter::result(const QString &line)
{
    m_out->write(line.toLocal8Bit() + '\n');
}

void ConsoleWriter::writeErr(const QString &text)
{
    m_err->write(text.toLocal8Bit());
}
