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

#include <algorithm>
#include <iterator>

EngineRecorder::EngineRecorder(SpeedTester &tester)
{
    using E = EngineEvent;
    using S = SpeedTester;
    // Functor connections without a context object are direct.
    QObject::connect(&tester, &S::writeProgress, [this](int pct, double cur, double avg) {
        record({E::WriteProgress, -1, pct, cur, avg, {}});
    });
    QObject::connect(&tester, &S::readProgress, [this](int pct, double cur, double avg) {
        record({E::ReadProgress, -1, pct, cur, avg, {}});
    });
    QObject::connect(&tester, &S::fileWriteSample,
                     [this](int idx, int pct, double cur, double avg) {
                         record({E::FileWriteSample, idx, pct, cur, avg, {}});
                     });
    QObject::connect(&tester, &S::fileReadSample, [this](int idx, int pct, double cur, double avg) {
        record({E::FileReadSample, idx, pct, cur, avg, {}});
    });
    QObject::connect(&tester, &S::writeFinished, [this](double avg) {
        record({E::WriteFinished, -1, -1, 0.0, avg, {}});
    });
    QObject::connect(&tester, &S::readFinished, [this](double avg) {
        record({E::ReadFinished, -1, -1, 0.0, avg, {}});
    });
    // Drop the argument slots showKeyArguments() offered and the engine did not fill.
    static const QRegularExpression unfilled(QStringLiteral("\\|%\\d"));
    QObject::connect(&tester, &S::testError, [this](QString text) {
        record({E::TestError, -1, -1, 0.0, 0.0, text.remove(unfilled)});
    });
    QObject::connect(&tester, &S::log, [this](QString text) {
        record({E::Log, -1, -1, 0.0, 0.0, text.remove(unfilled)});
    });
}

void EngineRecorder::record(const EngineEvent &event)
{
    // Whether the file system refused unbuffered access depends on the machine, not on
    // the engine: that line is left out.
    if (event.kind == EngineEvent::Log && event.text == QLatin1String("LogCacheFallback"))
        return;
    events.append(event);
    if (hook)
        hook(event, events.size() - 1);
}

QVector<EngineEvent> EngineRecorder::ofKind(EngineEvent::Kind kind) const
{
    QVector<EngineEvent> out;
    std::copy_if(events.cbegin(), events.cend(), std::back_inserter(out),
                 [kind](const EngineEvent &e) { return e.kind == kind; });
    return out;
}

QStringList EngineRecorder::texts(EngineEvent::Kind kind) const
{
    QStringList out;
    for (const EngineEvent &e : ofKind(kind))
        out.append(e.text);
    return out;
}

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
    tester.start();
    return tester.wait(timeoutMs);
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
