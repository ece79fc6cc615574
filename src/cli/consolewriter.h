#pragma once

#include <QString>
#include <QTime>

class QIODevice;

// Where the front end's text goes: time-stamped log lines and the live progress line on
// the error stream, results on the output stream. On a terminal the progress line is
// redrawn in place and wiped before a log line, so the two never run into each other. A console
// window gets the text as characters, anything else UTF-8.
class ConsoleWriter
{
public:
    ConsoleWriter(QIODevice *out, QIODevice *err, bool errIsTerminal);

    bool errIsTerminal() const { return m_errIsTerminal; }

    // "[hh:mm:ss] message", the time being local.
    void logLine(const QString &message, const QTime &time = QTime::currentTime());
    // One text on the error stream, as it is (usage errors, help).
    void error(const QString &text);
    void progress(const QString &line);
    // Ends the progress line, if one is showing, so the next output starts on a fresh line.
    void clearProgress();
    void result(const QString &line);
    // Text on the output stream, as it is (help, version).
    void output(const QString &text);

    static QString stamped(const QString &message, const QTime &time);

private:
    void writeErr(const QString &text);

    QIODevice *m_out;
    QIODevice *m_err;
    bool m_errIsTerminal;
    int m_progressWidth = 0;  // columns of the progress line now on screen, 0 if none
};
