// FileWorker on real files: whole-block transfers, the random pattern, copying, and every
// way a transfer can fail or be stopped.
#include "enginetestkit.h"
#include "fileworker.h"
#include "kernelhooks.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {
constexpr qint64 B = 64 * 1024;  // block size of every case

bool runWorker(FileWorker &worker)
{
    worker.start();
    return worker.wait(30000);
}
}  // namespace

class TestFileWorker : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void transfers_data();
    void transfers();
    void randomPatternIsTheSameInEveryBlockAndWorker();
    void copyTakesTheSourcesLeadingWholeBlocks_data();
    void copyTakesTheSourcesLeadingWholeBlocks();
    void failures_data();
    void failures();
    void presetStopTransfersNothing_data();
    void presetStopTransfersNothing();
    void stopMidTransferEndsAfterTheCurrentBlock();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString path(const QString &name) const { return m_tmp->filePath(name); }
};

void TestFileWorker::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

void TestFileWorker::transfers_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("withStopFlag");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("existingBytes");  // target before the run; -1 = absent
    QTest::addColumn<qint64>("expectedDone");
    QTest::addColumn<qint64>("expectedFileSize");

    const int W = FileWorker::Write;
    const int R = FileWorker::Read;
    QTest::newRow("write 3 blocks") << W << true << 3 * B << qint64(-1) << 3 * B << 3 * B;
    QTest::newRow("write, null stop pointer")
        << W << false << 8 * B << qint64(-1) << 8 * B << 8 * B;
    QTest::newRow("write ignores a partial last block")
        << W << true << 3 * B + 100 << qint64(-1) << 3 * B << 3 * B;
    QTest::newRow("write below one block creates an empty file")
        << W << true << B - 1 << qint64(-1) << qint64(0) << qint64(0);
    QTest::newRow("write truncates an existing file")
        << W << true << 2 * B << 5 * B << 2 * B << 2 * B;
    QTest::newRow("read 3 blocks") << R << true << 3 * B << 3 * B << 3 * B << 3 * B;
    QTest::newRow("read, null stop pointer") << R << false << 8 * B << 8 * B << 8 * B << 8 * B;
    QTest::newRow("read fewer blocks than the file holds")
        << R << true << 2 * B << 5 * B << 2 * B << 5 * B;
    QTest::newRow("read below one block opens and succeeds")
        << R << true << qint64(1000) << 3 * B << qint64(0) << 3 * B;
}

void TestFileWorker::transfers()
{
    QFETCH(int, mode);
    QFETCH(bool, withStopFlag);
    QFETCH(qint64, fileSize);
    QFETCH(qint64, existingBytes);
    QFETCH(qint64, expectedDone);
    QFETCH(qint64, expectedFileSize);

    const QString target = path(QStringLiteral("file.dat"));
    const QByteArray before = existingBytes >= 0 ? noiseBytes(existingBytes, 7) : QByteArray();
    if (existingBytes >= 0)
        QVERIFY(writeFile(target, before));

    std::atomic<int> stop{0};
    FileWorker worker(mode, QString(), target, fileSize, B, withStopFlag ? &stop : nullptr);
    QVERIFY(runWorker(worker));

    QCOMPARE(worker.errorMessage(), QString());
    QVERIFY(worker.succeeded());
    QCOMPARE(worker.bytesDone(), expectedDone);
    QVERIFY(QFileInfo::exists(target));
    QCOMPARE(QFileInfo(target).size(), expectedFileSize);
    if (mode == FileWorker::Read)
        QVERIFY(readFile(target) == before);
}

void TestFileWorker::randomPatternIsTheSameInEveryBlockAndWorker()
{
    const QString first = path(QStringLiteral("a.dat"));
    const QString second = path(QStringLiteral("b.dat"));
    std::atomic<int> stop{0};
    FileWorker a(FileWorker::Write, QString(), first, 4 * B, B, &stop);
    FileWorker b(FileWorker::Write, QString(), second, 4 * B, B, &stop);
    a.start();
    b.start();
    QVERIFY(a.wait(30000));
    QVERIFY(b.wait(30000));
    QVERIFY(a.succeeded());
    QVERIFY(b.succeeded());

    const QByteArray data = readFile(first);
    QCOMPARE(data.size(), int(4 * B));
    const QByteArray block = expectedPatternBlock(B);
    QCOMPARE(block.left(4), QByteArray::fromHex("B7207D47"));
    for (int i = 0; i < 4; ++i) {
        const QByteArray written = data.mid(int(i * B), int(B));
        QVERIFY2(written == block, qPrintable(QStringLiteral("block %1 differs").arg(i)));
    }
    QVERIFY(readFile(second) == data);
}

void TestFileWorker::copyTakesTheSourcesLeadingWholeBlocks_data()
{
    QTest::addColumn<qint64>("sourceSize");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("first 3 of 5 blocks") << 5 * B + 1000 << 3 * B << 3 * B;
    QTest::newRow("all whole blocks") << 5 * B + 1000 << 5 * B << 5 * B;
    QTest::newRow("exactly the source") << 2 * B << 2 * B << 2 * B;
}

void TestFileWorker::copyTakesTheSourcesLeadingWholeBlocks()
{
    QFETCH(qint64, sourceSize);
    QFETCH(qint64, fileSize);
    QFETCH(qint64, expected);

    const QString source = path(QStringLiteral("source.mp4"));
    const QString target = path(QStringLiteral("copy.mp4"));
    const QByteArray content = noiseBytes(sourceSize, 11);
    QVERIFY(writeFile(source, content));

    std::atomic<int> stop{0};
    FileWorker worker(FileWorker::Write, source, target, fileSize, B, &stop);
    QVERIFY(runWorker(worker));

    QVERIFY2(worker.succeeded(), qPrintable(worker.errorMessage()));
    QCOMPARE(worker.bytesDone(), expected);
    QVERIFY(readFile(target) == content.left(int(expected)));
    QVERIFY(readFile(source) == content);
}

namespace {
enum Setup {
    SourceShorter,  // the source holds fewer blocks than asked for
    SourceMissing,
    TargetIsFolder,  // random data
    CopyTargetIsFolder,
    TargetIsLink,  // a link to a file outside: never written through
    ReadMissing,
    ReadShorter,      // the file holds fewer blocks than asked for
    ReadThroughLink,  // the test file is never read through a link either
    WriteHitsFullCard,
    WriteComesBackShort,  // the card has room for part of a block only
};
}  // namespace

void TestFileWorker::failures_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<int>("mode");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<QString>("message");  // %S = source path, %T = target path
    QTest::addColumn<qint64>("expectedDone");
    QTest::addColumn<qint64>("targetSize");  // after the run; -1 = must not exist

    const int W = FileWorker::Write;
    const int R = FileWorker::Read;
    QTest::newRow("source shorter than the file")
        << int(SourceShorter) << W << 4 * B << QStringLiteral("读取源文件失败 (%S)") << 2 * B
        << 2 * B;
    QTest::newRow("missing source")
        << int(SourceMissing) << W << 2 * B << QStringLiteral("无法打开源文件: %S") << qint64(0)
        << qint64(-1);
    QTest::newRow("target is a folder")
        << int(TargetIsFolder) << W << 2 * B << QStringLiteral("无法创建目标文件: %T") << qint64(0)
        << qint64(-1);
    QTest::newRow("copy target is a folder")
        << int(CopyTargetIsFolder) << W << 2 * B << QStringLiteral("无法创建目标文件: %T")
        << qint64(0) << qint64(-1);
    QTest::newRow("target is a link")
        << int(TargetIsLink) << W << 2 * B << QStringLiteral("无法创建目标文件: %T") << qint64(0)
        << qint64(-1);
    QTest::newRow("read-back of a missing file")
        << int(ReadMissing) << R << 2 * B << QStringLiteral("无法读取文件: %T") << qint64(0)
        << qint64(-1);
    QTest::newRow("read-back of a shorter file")
        << int(ReadShorter) << R << 3 * B << QStringLiteral("读取失败 (%T)") << 2 * B << 2 * B;
    QTest::newRow("read-back through a link")
        << int(ReadThroughLink) << R << 2 * B << QStringLiteral("无法读取文件: %T") << qint64(0)
        << qint64(-1);
    QTest::newRow("write comes back short in block 3")
        << int(WriteComesBackShort) << W << 4 * B << QStringLiteral("写入失败 (%T)") << 2 * B
        << 2 * B + 4096;
    QTest::newRow("write refused after 2 blocks")
        << int(WriteHitsFullCard) << W << 4 * B << QStringLiteral("写入失败 (%T)") << 2 * B
        << 2 * B;
}

void TestFileWorker::failures()
{
    QFETCH(int, setup);
    QFETCH(int, mode);
    QFETCH(qint64, fileSize);
    QFETCH(QString, message);
    QFETCH(qint64, expectedDone);
    QFETCH(qint64, targetSize);

    QString source;
    const QString target = path(QStringLiteral("card.dat"));
    const QString outside = path(QStringLiteral("outside.dat"));
    const QByteArray outsideContent = noiseBytes(3 * B, 5);
    QVERIFY(writeFile(outside, outsideContent));
    std::unique_ptr<FileSizeCap> cap;

    switch (Setup(setup)) {
    case SourceShorter:
        source = path(QStringLiteral("src.bin"));
        QVERIFY(writeFile(source, noiseBytes(2 * B + 10, 3)));
        break;
    case SourceMissing:
        source = path(QStringLiteral("nowhere.bin"));
        break;
    case CopyTargetIsFolder:
        source = path(QStringLiteral("src.bin"));
        QVERIFY(writeFile(source, noiseBytes(2 * B, 3)));
        Q_FALLTHROUGH();
    case TargetIsFolder:
        QVERIFY(QDir().mkdir(target));
        break;
    case TargetIsLink:
    case ReadThroughLink:
        QVERIFY(QFile::link(outside, target));
        break;
    case ReadMissing:
        break;
    case ReadShorter:
        QVERIFY(writeFile(target, noiseBytes(2 * B, 9)));
        break;
    case WriteHitsFullCard:
    case WriteComesBackShort:
        cap = std::make_unique<FileSizeCap>(setup == WriteHitsFullCard ? 2 * B : 2 * B + 4096);
        if (!cap->problem().isEmpty())
            QSKIP(qPrintable(QStringLiteral("cannot cap file sizes: ") + cap->problem()));
        break;
    }

    std::atomic<int> stop{0};
    FileWorker worker(mode, source, target, fileSize, B, &stop);
    QVERIFY(runWorker(worker));
    cap.reset();

    message.replace(QLatin1String("%S"), source).replace(QLatin1String("%T"), target);
    QCOMPARE(worker.errorMessage(), message);
    QVERIFY(!worker.succeeded());
    QCOMPARE(worker.bytesDone(), expectedDone);

    const QFileInfo info(target);
    if (setup == TargetIsLink || setup == ReadThroughLink) {
        QVERIFY(info.isSymLink());
        QCOMPARE(info.symLinkTarget(), outside);
    } else if (setup == TargetIsFolder || setup == CopyTargetIsFolder) {
        QVERIFY(info.isDir());
    } else if (targetSize < 0) {
        QVERIFY(!info.exists());
    } else {
        QCOMPARE(info.size(), targetSize);
    }
    QVERIFY(readFile(outside) == outsideContent);
}

void TestFileWorker::presetStopTransfersNothing_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("copy");

    QTest::newRow("write random") << int(FileWorker::Write) << false;
    QTest::newRow("write copy") << int(FileWorker::Write) << true;
    QTest::newRow("read") << int(FileWorker::Read) << false;
}

void TestFileWorker::presetStopTransfersNothing()
{
    QFETCH(int, mode);
    QFETCH(bool, copy);

    const QString target = path(QStringLiteral("file.dat"));
    const QString source = copy ? path(QStringLiteral("src.bin")) : QString();
    if (copy)
        QVERIFY(writeFile(source, noiseBytes(4 * B, 1)));
    const QByteArray before = noiseBytes(4 * B, 2);
    if (mode == FileWorker::Read)
        QVERIFY(writeFile(target, before));

    std::atomic<int> stop{1};
    FileWorker worker(mode, source, target, 4 * B, B, &stop);
    QVERIFY(runWorker(worker));

    QCOMPARE(worker.bytesDone(), qint64(0));
    QVERIFY(!worker.succeeded());
    QCOMPARE(worker.errorMessage(), QString());
    if (mode == FileWorker::Read)
        QVERIFY(readFile(target) == before);
    else
        QCOMPARE(QFileInfo(target).size(), qint64(0));
}

void TestFileWorker::stopMidTransferEndsAfterTheCurrentBlock()
{
    // Far more than can be written before the stop arrives; only what was written uses space.
    const qint64 fileSize = 1024 * B;
    const QString target = path(QStringLiteral("file.dat"));
    std::atomic<int> stop{0};
    FileWorker worker(FileWorker::Write, QString(), target, fileSize, B, &stop);
    worker.start();
    while (worker.bytesDone() < B && worker.isRunning())
        QThread::usleep(200);
    stop.store(1);
    QVERIFY(worker.wait(30000));

    const qint64 done = worker.bytesDone();
    QVERIFY2(done < fileSize, "the worker did not notice the stop");
    QVERIFY(done >= B);
    QCOMPARE(done % B, qint64(0));
    QCOMPARE(QFileInfo(target).size(), done);
    QVERIFY(!worker.succeeded());
    QCOMPARE(worker.errorMessage(), QString());
}

QTEST_GUILESS_MAIN(TestFileWorker)
#include "tst_fileworker.moc"
