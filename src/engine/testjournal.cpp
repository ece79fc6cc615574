#include "testjournal.h"

#include "filenaming.h"
#include "journalsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>
#include <QTextStream>

namespace {
const char kMagic[] = "lumoracard-journal 1";
const QString kJournalName = QStringLiteral("__card_speed_test.journal");

// The names the engine gives its journals and its random-data files, with the " (k)" that
// CardNames adds when the plain name is taken.
bool isJournalName(const QString &name)
{
    static const QRegularExpression re(
        QStringLiteral("^__card_speed_test( \\(\\d+\\))?\\.journal$"),
        QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

bool isDataFileName(const QString &name)
{
    static const QRegularExpression re(
        QStringLiteral("^(__card_speed_test_|__roll_)\\d+( \\(\\d+\\))?\\.dat$"),
        QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

// A name in the root itself: nothing that could lead into a folder or out of the root.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && !name.contains(QLatin1Char(':'));
}

struct Entry {
    bool copy = false;
    qint64 bytes = 0;
    QString name;
};

struct JournalContents {
    bool valid = false;
    qint64 pid = 0;
    QString host;
    QVector<Entry> entries;
};

JournalContents readJournal(const QString &path)
{
    JournalContents j;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return j;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    if (in.readLine() != QLatin1String(kMagic))
        return j;
    j.valid = true;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(QLatin1String("pid "))) {
            j.pid = line.mid(4).toLongLong();
        } else if (line.startsWith(QLatin1String("host "))) {
            j.host = line.mid(5);
        } else if (line.size() > 2 && (line[0] == 'T' || line[0] == 'C') && line[1] == ' ') {
            // The name is the rest of the line: it may hold blanks.
            const int blank = line.indexOf(QLatin1Char(' '), 2);
            bool ok = false;
            Entry e{line[0] == 'C', line.mid(2, blank - 2).toLongLong(&ok), line.mid(blank + 1)};
            if (blank > 2 && ok)
                j.entries.append(e);
        }
    }
    return j;
}

// The test that wrote it may still run: another process of this machine, alive now.
bool stillRunning(const JournalContents &j)
{
    return j.host == QSysInfo::machineHostName() && j.pid != QCoreApplication::applicationPid()
           && platform::processRunning(j.pid);
}
}  // namespace

TestJournal::~TestJournal()
{
    m_file.close();
}

bool TestJournal::begin(const QString &root, CardNames &names)
{
    m_noted.clear();
    m_file.setFileName(root + names.uniqueTargetName(kJournalName));
    // NewOnly: never through a link or into a file that appeared since the names were read.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const QByteArray header = QByteArray(kMagic) + "\npid "
                              + QByteArray::number(QCoreApplication::applicationPid()) + "\nhost "
                              + QSysInfo::machineHostName().toUtf8() + '\n';
    m_file.write(header);
    m_file.flush();
    return true;
}

void TestJournal::note(const QString &path, qint64 bytes, bool copy)
{
    if (!m_file.isOpen())
        return;
    m_noted.append(path);
    const QByteArray line = QByteArray(copy ? "C " : "T ") + QByteArray::number(bytes) + ' '
                            + QFileInfo(path).fileName().toUtf8() + '\n';
    m_file.write(line);
    m_file.flush();
    platform::syncToDisk(m_file.handle());
}

void TestJournal::finish()
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    for (const QString &path : qAsConst(m_noted)) {
        // What took a name after the test (a folder, a link) is not the test's file.
        const QFileInfo info(path);
        if (info.isFile() && !info.isSymLink())
            return;
    }
    m_file.remove();
}

Leftovers findLeftovers(const QString &root)
{
    Leftovers found;
    const QDir dir(root);
    if (root.isEmpty() || !dir.exists())
        return found;
    QSet<QString> seen;
    const QStringList names = dir.entryList({QStringLiteral("__card_speed_test*.journal")},
                                            QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &journalName : names) {
        const QString journalPath = dir.filePath(journalName);
        if (!isJournalName(journalName) || QFileInfo(journalPath).isSymLink())
            continue;
        const JournalContents j = readJournal(journalPath);
        if (!j.valid || stillRunning(j))
            continue;
        found.journals.append(journalPath);
        for (const Entry &e : j.entries) {
            if (!isPlainName(e.name) || isJournalName(e.name)
                || (!e.copy && !isDataFileName(e.name)))
                continue;
            const QString path = dir.filePath(e.name);
            const QFileInfo info(path);
            // Larger than the test makes it: not the test's file.
            if (info.isSymLink() || !info.isFile() || info.size() > e.bytes || seen.contains(path))
                continue;
            seen.insert(path);
            found.files.append(path);
            found.bytes += info.size();
        }
    }
    return found;
}

qint64 removeLeftovers(const Leftovers &leftovers, QStringList *failed)
{
    qint64 freed = 0;
    bool allGone = true;
    for (const QString &path : leftovers.files) {
        const qint64 size = QFileInfo(path).size();
        if (removeTestFile(path)) {
            freed += size;
        } else if (QFileInfo(path).isFile()) {
            allGone = false;
            if (failed)
                failed->append(path);
        }
    }
    if (allGone) {
        for (const QString &journal : leftovers.journals)
            QFile::remove(journal);
    }
    return freed;
}
