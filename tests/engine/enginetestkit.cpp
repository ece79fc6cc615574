#include "enginetestkit.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
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
        static const QRegularExpression word(QStringLiteral("^[A-Za-z]+$"));
        const QString key = QString::fromUtf8(sourceText);
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
        if (e.kind == EngineEvent::WriteFinished) {
            cardAtWriteFinished =
                folderState(card).filter(QRegularExpression("^(?!" + kJournal + ")"));
            leftoversAtWriteFinished = findLeftovers(card);
        }
        if (e.kind == EngineEvent::Log && e.text == QLatin1String("LogTestDone"))
            cardAtTestDone = folderState(card);
        if (onEvent)
            onEvent(e, index);
    };
}

const QString kJournal = QStringLiteral("__card_speed_test.journal");

QString testFileName(int n)
{
    return QStringLiteral("__card_speed_test_%1.dat").arg(n);
}

QString fileState(const QString &name, const QByteArray &content)
{
    return name + ": " + QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex();
}

QStringList folderState(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(dir).relativeFilePath(info.filePath());
        out.append(info.isSymLink() ? name + " -> " + info.symLinkTarget()
                   : info.isDir()   ? name + '/'
                                    : fileState(name, readFile(info.filePath())));
    }
    out.sort();
    return out;
}

QString comparableError(QString error)
{
    static const QRegularExpression unfilled(QStringLiteral("\\|%\\d"));
    static const QRegularExpression systemChosen(
        QStringLiteral("^ErrReason(?!FileShort|WriteShort)\\w+\\|([^\\n]*?)(\\|[^|\\n]*)?$"),
        QRegularExpression::MultilineOption);
    return error.remove(unfilled).replace(systemChosen, QStringLiteral("ErrReason*|\\1"));
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
    for (char &c : data)
        c = char(gen.bounded(256));
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
