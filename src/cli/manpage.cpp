#include "manpage.h"

#include "clioptions.h"
#include "textcolumns.h"

#include <QVector>

namespace {
// Text as roff shows it literally: backslashes and hyphens escaped, no line taken for a
// request.
QString roff(const QString &text)
{
    // Chinese punctuation that closes a phrase never starts a line.
    static const QString closing = QStringLiteral("，。、；：！？）」』》");
    const QVector<uint> points = text.toUcs4();
    QString out;
    for (int i = 0; i < points.size(); ++i) {
        const uint c = points[i];
        if (c == '\\')
            out += QStringLiteral("\\e");
        else if (c == '-')
            out += QStringLiteral("\\-");
        else
            out += QString::fromUcs4(&c, 1);
        // roff sees a run of Chinese as one word; it may break after any wide character.
        const bool beforeClosing =
            i + 1 < points.size() && closing.contains(QChar(char16_t(points[i + 1])));
        if (c > 0x7f && !beforeClosing && displayColumns(QString::fromUcs4(&c, 1)) == 2)
            out += QStringLiteral("\\:");
    }
    QStringList lines = out.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
            line.prepend(QStringLiteral("\\&"));
    }
    return lines.join(QLatin1Char('\n'));
}

// Each line break of a text starts a new paragraph.
QString paragraphs(const QString &text)
{
    return roff(text).replace(QLatin1Char('\n'), QStringLiteral("\n.PP\n"));
}

QString dashes(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("\\-") : QStringLiteral("\\-\\-")) + roff(name);
}

// "--size SIZE" in bold and italics, as a synopsis or an option's tag shows it.
QString usage(const QCommandLineOption &option, bool allNames)
{
    QStringList names;
    for (const QString &name : option.names())
        names << QStringLiteral("\\fB") + dashes(name) + QStringLiteral("\\fR");
    QString text = allNames ? names.join(QStringLiteral(", ")) : names.constLast();
    if (!option.valueName().isEmpty())
        text += QStringLiteral(" \\fI") + roff(option.valueName()) + QStringLiteral("\\fR");
    return text;
}
}  // namespace

QString ManPage::text(const QString &date)
{
    const QString program = QStringLiteral("lumoracard-cli");
    const QList<QCommandLineOption> options = CommandLine::allOptions();
    QString page = QStringLiteral(".TH LUMORACARD\\-CLI 1 \"%1\" \"LumoraCard %2\" \"%3\"\n")
                       .arg(date, QCoreApplication::applicationVersion(),
                            tr("LabelManUserCommands"))
                   + QStringLiteral(".ad l\n");  // no stretched blanks between Chinese and Latin
    page += QStringLiteral(".SH \"%1\"\n%2 \\- %3\n")
                .arg(tr("HdrManName"), roff(program), roff(tr("HintCliAbout")));

    // One line per way of calling it: a test, the drive list, the clean-up, the history, help
    // and version.
    page += QStringLiteral(".SH \"%1\"\n").arg(tr("HdrManSynopsis"));
    QStringList test, list, clean, history;
    for (const QCommandLineOption &option : options) {
        const QString name = option.names().constLast();
        const QString shown = usage(option, false);
        const QString optional = QLatin1Char('[') + shown + QLatin1Char(']');
        if (name == QLatin1String("target")) {
            test.prepend(shown);
            clean.prepend(shown);
            history << optional;
        } else if (name == QLatin1String("list")) {
            list.prepend(shown);
        } else if (name == QLatin1String("clean")) {
            clean.insert(1, shown);
        } else if (name == QLatin1String("history")) {
            history.prepend(shown);
        } else if (name != QLatin1String("help") && name != QLatin1String("version")) {
            test << optional;
        }
        if (name == QLatin1String("lang") || name == QLatin1String("json")) {
            list << optional;
            history << optional;
        }
        if (name == QLatin1String("lang") || name == QLatin1String("force"))
            clean << optional;
    }
    const QString head = QStringLiteral("\\fB%1\\fR ").arg(roff(program));
    for (const QStringList *line : {&test, &list, &clean, &history})
        page += head + line->join(QLatin1Char(' ')) + QStringLiteral("\n.br\n");
    page += head + QStringLiteral("\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n");

    page += QStringLiteral(".SH \"%1\"\n%2\n")
                .arg(tr("HdrManDescription"), paragraphs(tr("HintManDescription")));
    page += QStringLiteral(".SH \"%1\"\n").arg(tr("HdrManOptions"));
    for (const QCommandLineOption &option : options)
        page +=
            QStringLiteral(".TP\n%1\n%2\n").arg(usage(option, true), roff(option.description()));
    page += QStringLiteral(".SH \"%1\"\n%2\n")
                .arg(tr("HdrManExitStatus"), paragraphs(tr("HintManExitStatus")));
    page += QStringLiteral(".SH \"%1\"\n.I ~/.config/Lumora/LumoraCard.conf\n%2\n")
                .arg(tr("HdrManFiles"), roff(tr("HintManFiles")));
    page += QStringLiteral(".SH \"%1\"\n.BR lumoracard (1)\n").arg(tr("HdrManSeeAlso"));
    return page;
}
