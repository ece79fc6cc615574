#pragma once

#include <QCoreApplication>
#include <QStringList>

// Everything the command line chooses for one invocation.
struct CliOptions {
    QString targetDir;  // absolute, always ending with '/'
    qint64 testSize = 1073741824;
    int streamCount = 1;
    qint64 blockSize = 1048576;
    bool readEnabled = false;
    QStringList sourceFiles;  // external-file mode when not empty (absolute paths)
    bool fill = false;
    int fillRounds = 1;
    int iterations = 1;
};

class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
public:
    enum Status { Ok, ShowHelp, ShowVersion, Error };

    // The block sizes a test may use: the ones the window offers.
    static const QVector<qint64> &allowedBlockSizes();

    // Parses `arguments` (argv, program name first). Checks only the form and ranges of the
    // values; what is on disk is the pre-flight's business. On Error, `message` says why;
    // on ShowHelp/ShowVersion it holds the text to print.
    static Status parse(const QStringList &arguments, CliOptions *options, QString *message);
};
