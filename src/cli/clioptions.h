#pragma once

#include "testplan.h"

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QStringList>
#include <QVariantMap>

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
    QString language;           // "zh_CN", "en" or "zh_TW"; empty: the stored one, else English
    QVariantMap ruleOverrides;  // verdict rule key -> typed value, for this run only
    QString jsonPath;           // where the report goes, "-" for standard output; empty: none
    bool force = false;         // test the target even if it is not a removable drive's root
    bool verify = false;        // stamp every block and compare it when read back
    bool clean = false;         // only remove what interrupted tests left on the target
    bool history = true;        // record the test in the card history and compare it
    DashcamProfile dashcam;     // --dashcam: judged beside the rules; sets the stream count

    // The test these options ask for.
    TestPlan plan() const;
};

class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
public:
    enum Status { Ok, ShowHelp, ShowVersion, ListDrives, ListHistory, ListDashcamPresets, Error };

    // The block sizes a test may use: the ones the window offers.
    static const QVector<qint64> &allowedBlockSizes();

    // Parses `arguments` (argv, program name first). Checks only the form and ranges of the
    // values; what is on disk is the pre-flight's business. On Error, `message` says why;
    // on ShowHelp/ShowVersion it holds the text to print.
    static Status parse(const QStringList &arguments, CliOptions *options, QString *message);

    // Every option in the current language, in the order the help lists them.
    static QList<QCommandLineOption> allOptions();

    // "zh_CN", "en" or "zh_TW" for a spelling --lang accepts (case and '-' for '_' do not
    // matter); empty for anything else.
    static QString normalizedLanguage(const QString &text);
    // The language a --lang among `arguments` asks for, normalised; empty when there is none
    // or it is not one of the three. Read before parse(), so that parse()'s own messages
    // already come in that language.
    static QString requestedLanguage(const QStringList &arguments);

    // "--dashcam list": the presets, one a line, with their names as --dashcam takes them.
    static QStringList dashcamPresetLines();

    // The verdict rules --rules may set: every stored rule except the three that describe
    // the test itself (--read, --fill, --iterations set those).
    static QStringList overridableRules();
};
