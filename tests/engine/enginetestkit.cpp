#include "enginetestkit.h"

#include "speedtester.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

EngineRecorder::EngineRecorder(SpeedTester &tester)
{
    using E = EngineEvent;
    auto progress = [this](E::Kind kind) {
        return [this, kind](int percent, double current, double average) {
            E e;
            e.kind = kind;
            e.percent = percent;
            e.current = current;
            e.average = average;
            record(e);
        };
    };
    auto sample = [this](E::Kind kind) {
        return [this, kind](int fileIdx, int percent, double current, double average) {
            E e;
            e.kind = kind;
            e.fileIdx = fileIdx;
            e.percent = percent;
            e.current = current;
            e.average = average;
            record(e);
        };
    };
    auto finished = [this](E::Kind kind) {
        return [this, kind](double average) {
            E e;
            e.kind = kind;
            e.average = average;
            record(e);
        };
    };
    auto text = [this](E::Kind kind) {
        return [this, kind](const QString &message) {
            E e;
            e.kind = kind;
            e.text = message;
            record(e);
        };
    };
    // Functor connections without a context object are direct.
    QObject::connect(&tester, &SpeedTester::writeProgress, progress(E::WriteProgress));
    QObject::connect(&tester, &SpeedTester::readProgress, progress(E::ReadProgress));
    QObject::connect(&tester, &SpeedTester::fileWriteSample, sample(E::FileWriteSample));
    QObject::connect(&tester, &SpeedTester::fileReadSample, sample(E::FileReadSample));
    QObject::connect(&tester, &SpeedTester::writeFinished, finished(E::WriteFinished));
    QObject::connect(&tester, &SpeedTester::readFinished, finished(E::ReadFinished));
    QObject::connect(&tester, &SpeedTester::testError, text(E::TestError));
    QObject::connect(&tester, &SpeedTester::log, text(E::Log));
}

void EngineRecorder::record(const EngineEvent &event)
{
    events.append(event);
    if (hook)
        hook(event, events.size() - 1);
}

QVector<EngineEvent> EngineRecorder::ofKind(EngineEvent::Kind kind) const
{
    QVector<EngineEvent> out;
    for (const EngineEvent &e : events) {
        if (e.kind == kind)
            out.append(e);
    }
    return out;
}

QStringList EngineRecorder::logLines() const
{
    QStringList lines;
    for (const EngineEvent &e : ofKind(EngineEvent::Log)) {
        if (e.text != QLatin1String("LogCacheFallback"))
            lines.append(e.text);
    }
    return lines;
}

QStringList EngineRecorder::errors() const
{
    QStringList out;
    for (const EngineEvent &e : ofKind(EngineEvent::TestError))
        out.append(e.text);
    return out;
}

int EngineRecorder::indexOfLog(const QString &line) const
{
    for (int i = 0; i < events.size(); ++i) {
        if (events[i].kind == EngineEvent::Log && events[i].text == line)
            return i;
    }
    return -1;
}

QString KeyArgsTranslator::translate(const char *, const char *sourceText, const char *, int) const
{
    static const QHash<QString, int> argCounts = {
        {QStringLiteral("LogSkipSmall"), 1},          {QStringLiteral("LogModeRandomN"), 1},
        {QStringLiteral("LogModeExternalN"), 1},      {QStringLiteral("LogSizeBlock"), 2},
        {QStringLiteral("LogWriteParallelFiles"), 2}, {QStringLiteral("LogReadParallelFiles"), 2},
        {QStringLiteral("LogBeginWrite"), 1},         {QStringLiteral("LogBeginRead"), 1},
        {QStringLiteral("LogWriteDone"), 1},          {QStringLiteral("LogReadDone"), 1},
        {QStringLiteral("LogRollingParams"), 4},      {QStringLiteral("LogCantDelete"), 1},
    };
    const QString key = QString::fromUtf8(sourceText);
    const int args = argCounts.value(key, 0);
    if (args == 0)
        return QString();
    QString text = key;
    for (int i = 1; i <= args; ++i)
        text += QStringLiteral("|%%1").arg(i);
    return text;
}

bool runToEnd(SpeedTester &tester, unsigned long timeoutMs)
{
    tester.start();
    return tester.wait(timeoutMs);
}

QStringList entriesIn(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
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

ScratchCard::ScratchCard()
{
    if (!tmp.isValid())
        return;
    card = tmp.path() + QStringLiteral("/card/");
    outside = tmp.path() + QStringLiteral("/outside/");
    m_valid = QDir().mkpath(card) && QDir().mkpath(outside);
}

QMap<QString, QByteArray> fileContents(const QString &dir)
{
    QMap<QString, QByteArray> out;
    for (const QString &name : entriesIn(dir)) {
        const QFileInfo info(QDir(dir).filePath(name));
        if (info.isFile() && !info.isSymLink())
            out.insert(name, readFile(info.filePath()));
    }
    return out;
}
