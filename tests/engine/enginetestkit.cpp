#include "enginetestkit.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTranslator>

namespace {
class KeyArgsTranslator : public QTranslator
{
public:
    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        // Keys are ASCII words; the worker's own texts keep their source text.
        const QString key = QString::fromUtf8(sourceText);
        static const QRegularExpression word(QStringLiteral("^[A-Za-z]+$"));
        return word.match(key).hasMatch() ? key + QStringLiteral("|%1|%2|%3|%4") : QString();
    }
    bool isEmpty() const override { return false; }
};
}  // namespace

void showKeyArguments()
{
    static KeyArgsTranslator translator;
    QCoreApplication::installTranslator(&translator);
}

EngineRun::EngineRun()
{
    valid = tmp.isValid() && QDir().mkpath(card) && QDir().mkpath(outside);
    tester.setTargetDir(card);
    tester.setBlockSize(B);
    // Whether the file system refused unbuffered access depends on the machine, not on
    // the engine: that line is left out.
    rec.ignoredLogs = QStringList{QStringLiteral("LogCacheFallback")};
    rec.hook = [this](const EngineEvent &e, int index) {
        if (e.kind == EngineEvent::WriteFinished)
            cardAtWriteFinished = folderState(card);
        if (e.kind == EngineEvent::Log && e.text == QLatin1String("LogTestDone"))
            cardAtTestDone = folderState(card);
        if (onEvent)
            onEvent(e, index);
    };
}

EngineRun::~EngineRun()
{
    tester.requestStop();
    tester.wait();
}

bool EngineRun::run(unsigned long timeoutMs)
{
    return runEngine(tester, timeoutMs);
}

QString testFileName(int n)
{
    return QStringLiteral("__card_speed_test_%1.dat").arg(n);
}

QString fileState(const QString &name, const QByteArray &content)
{
    return name + QStringLiteral(": ")
           + QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex();
}

QStringList folderState(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(dir).relativeFilePath(info.filePath());
        if (info.isSymLink())
            out.append(name + QStringLiteral(" -> ") + info.symLinkTarget());
        else if (info.isDir())
            out.append(name + QLatin1Char('/'));
        else
            out.append(fileState(name, readFile(info.filePath())));
    }
    out.sort();
    return out;
}

QString symlinkSkipReason(const QString &dir)
{
    const QString probe = dir + QStringLiteral("/link-probe");
    QString skip;
    if (!makeLink(dir + QStringLiteral("/nothing"), probe, &skip))
        skip = QStringLiteral("cannot make a link here");
    QFile::remove(probe);
    return skip;
}

bool makeLink(const QString &target, const QString &link, QString *skip)
{
    if (!QFile::link(target, link))
        return false;
    if (!QFileInfo(link).isSymbolicLink())
        *skip = QStringLiteral("QFile::link makes a shortcut file here, not a symbolic link");
    return true;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray noiseBytes(qint64 size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray data(int(size), Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(gen.bounded(256));
    return data;
}

QByteArray expectedPatternBlock(qint64 size)
{
    QByteArray block(int(size), '\0');
    quint32 x = 0xDEADBEEFu;
    for (int w = 0; w + 4 <= block.size(); w += 4) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        for (int b = 0; b < 4; ++b)
            block[w + b] = char((x >> (8 * b)) & 0xFF);
    }
    return block;
}
