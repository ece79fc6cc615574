// The checks made before a test writes anything: paths, free space, file size limits.
#include "clioptions.h"
#include "i18n.h"
#include "preflight.h"

#include <QtTest>

namespace {
constexpr qint64 MiB = 1048576;
constexpr qint64 GiB = 1073741824;

CliOptions randomOptions(qint64 size, int streams, qint64 block)
{
    CliOptions o;
    o.targetDir = QStringLiteral("/media/card/");
    o.testSize = size;
    o.streamCount = streams;
    o.blockSize = block;
    return o;
}

Preflight::Space space(qint64 freeBytes, qint64 totalBytes)
{
    Preflight::Space s;
    s.known = true;
    s.freeBytes = freeBytes;
    s.totalBytes = totalBytes;
    return s;
}

bool makeFile(const QString &path, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(size);
}
}  // namespace

Q_DECLARE_METATYPE(CliOptions)
Q_DECLARE_METATYPE(Preflight::Space)

class TestCliPreflight : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void requiredBytes_data();
    void requiredBytes();
    void checkSpace_data();
    void checkSpace();
    void checkPaths_data();
    void checkPaths();
    void querySpaceOfRealFolder();
    void refusalTexts_data();
    void refusalTexts();
    void checkRemovable();
    void isRemovableRoot();

private:
    QTemporaryDir m_settingsDir;
};

void TestCliPreflight::initTestCase()
{
    // The refusals are looked up by key, as in the program. Settings are read from this
    // test's own folder, never the user's.
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("LumoraTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_clipreflight"));
    I18n::instance()->initLanguage();
}

void TestCliPreflight::requiredBytes_data()
{
    QTest::addColumn<CliOptions>("options");
    QTest::addColumn<QVector<qint64>>("sourceSizes");
    QTest::addColumn<qint64>("required");
    QTest::addColumn<qint64>("largest");

    QTest::newRow("one stream") << randomOptions(GiB, 1, MiB) << QVector<qint64>() << GiB << GiB;
    QTest::newRow("two streams of 2G")
        << randomOptions(2 * GiB, 2, MiB) << QVector<qint64>() << 4 * GiB << 2 * GiB;
    // 1000000 bytes in 64K blocks: 15 whole blocks per stream.
    QTest::newRow("rounded down per stream")
        << randomOptions(1000000, 3, 65536) << QVector<qint64>() << 3 * 15 * qint64(65536)
        << 15 * qint64(65536);

    CliOptions fill = randomOptions(512 * MiB + 5, 1, MiB);
    fill.fill = true;
    QTest::newRow("fill needs one file") << fill << QVector<qint64>() << 512 * MiB << 512 * MiB;

    CliOptions files = randomOptions(GiB, 1, MiB);
    files.sourceFiles = QStringList{"/a", "/b", "/c"};
    QTest::newRow("files in whole blocks")
        << files << QVector<qint64>{3 * MiB + 7, 500, 2 * MiB} << 5 * MiB << 3 * MiB;
    QTest::newRow("files all too small")
        << files << QVector<qint64>{10, 20, MiB - 1} << qint64(0) << qint64(0);
}

void TestCliPreflight::requiredBytes()
{
    QFETCH(CliOptions, options);
    QFETCH(QVector<qint64>, sourceSizes);
    QTEST(Preflight::requiredBytes(options, sourceSizes), "required");
    QTEST(Preflight::largestFile(options, sourceSizes), "largest");
}

void TestCliPreflight::checkSpace_data()
{
    QTest::addColumn<CliOptions>("options");
    QTest::addColumn<QVector<qint64>>("sourceSizes");
    QTest::addColumn<Preflight::Space>("space");
    QTest::addColumn<bool>("refused");

    const CliOptions twoBy2G = randomOptions(2 * GiB, 2, MiB);
    QTest::newRow("exactly enough")
        << twoBy2G << QVector<qint64>() << space(4 * GiB, 64 * GiB) << false;
    QTest::newRow("one byte short")
        << twoBy2G << QVector<qint64>() << space(4 * GiB - 1, 64 * GiB) << true;
    QTest::newRow("space unknown passes")
        << twoBy2G << QVector<qint64>() << Preflight::Space() << false;
    QTest::newRow("100T on a normal disk")
        << randomOptions(100 * 1024 * GiB, 1, MiB) << QVector<qint64>()
        << space(500 * GiB, 1000 * GiB) << true;

    // Cards of 32 GiB or less come as FAT32: no file above 3.5 GiB.
    QTest::newRow("16G card, 5G file")
        << randomOptions(5 * GiB, 1, MiB) << QVector<qint64>() << space(15 * GiB, 16 * GiB) << true;
    QTest::newRow("16G card, 3G file") << randomOptions(3 * GiB, 1, MiB) << QVector<qint64>()
                                       << space(15 * GiB, 16 * GiB) << false;
    QTest::newRow("32G card, 3.5G file") << randomOptions(3584 * MiB, 1, MiB) << QVector<qint64>()
                                         << space(30 * GiB, 32 * GiB) << false;
    QTest::newRow("32G card, 3.5G + 1 block")
        << randomOptions(3585 * MiB, 1, MiB) << QVector<qint64>() << space(30 * GiB, 32 * GiB)
        << true;
    QTest::newRow("64G card, 30G file") << randomOptions(30 * GiB, 1, MiB) << QVector<qint64>()
                                        << space(60 * GiB, 64 * GiB) << false;

    CliOptions files = randomOptions(GiB, 1, MiB);
    files.sourceFiles = QStringList{"/small", "/big"};
    QTest::newRow("16G card, one big source")
        << files << QVector<qint64>{MiB, 4 * GiB} << space(15 * GiB, 16 * GiB) << true;
    QTest::newRow("files fit") << files << QVector<qint64>{MiB, 2 * MiB} << space(3 * MiB, 16 * GiB)
                               << false;
    QTest::newRow("files do not fit")
        << files << QVector<qint64>{MiB, 2 * MiB} << space(3 * MiB - 1, 16 * GiB) << true;

    CliOptions fill = randomOptions(8 * MiB, 1, MiB);
    fill.fill = true;
    QTest::newRow("fill, room for one file")
        << fill << QVector<qint64>() << space(8 * MiB, 64 * MiB) << false;
    QTest::newRow("fill, no room")
        << fill << QVector<qint64>() << space(8 * MiB - 1, 64 * MiB) << true;
    QTest::newRow("fill, space unknown") << fill << QVector<qint64>() << Preflight::Space() << true;
}

void TestCliPreflight::checkSpace()
{
    QFETCH(CliOptions, options);
    QFETCH(QVector<qint64>, sourceSizes);
    QFETCH(Preflight::Space, space);
    QFETCH(bool, refused);
    const QString message = Preflight::checkSpace(options, sourceSizes, space);
    QCOMPARE(!message.isEmpty(), refused);
    // A refusal reads as text, not as a bare key.
    QVERIFY2(!message.startsWith(QLatin1String("Msg")), qPrintable(message));
}

void TestCliPreflight::checkPaths_data()
{
    QTest::addColumn<QString>("target");     // relative to a fresh temporary folder
    QTest::addColumn<QStringList>("files");  // the same
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("mentioned");  // a path the refusal must name

    // Present in every fixture: card/ (folder), plain (file), big.bin (3 MiB), tiny (10 bytes).
    QTest::newRow("folder") << "card/" << QStringList() << false << QString();
    QTest::newRow("missing target") << "nowhere/" << QStringList() << true << "nowhere";
    QTest::newRow("target is a file") << "plain/" << QStringList() << true << "plain";
    QTest::newRow("good file") << "card/" << QStringList{"big.bin"} << false << QString();
    QTest::newRow("missing file") << "card/" << QStringList{"big.bin", "gone.mp4"} << true
                                  << "gone.mp4";
    QTest::newRow("file is a folder") << "card/" << QStringList{"card"} << true << "card";
    QTest::newRow("one file too small, one fine")
        << "card/" << QStringList{"tiny", "big.bin"} << false << QString();
    QTest::newRow("all files too small") << "card/" << QStringList{"tiny"} << true << QString();
}

void TestCliPreflight::checkPaths()
{
    QFETCH(QString, target);
    QFETCH(QStringList, files);
    QFETCH(bool, refused);
    QFETCH(QString, mentioned);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("card")));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("plain")), 100));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("big.bin")), 3 * MiB));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("tiny")), 10));

    CliOptions options;
    options.targetDir = dir.filePath(target);
    for (const QString &f : files)
        options.sourceFiles << dir.filePath(f);

    QVector<qint64> sizes;
    const QString message = Preflight::checkPaths(options, &sizes);
    QCOMPARE(!message.isEmpty(), refused);
    QVERIFY2(!message.startsWith(QLatin1String("Msg")), qPrintable(message));
    if (!mentioned.isEmpty())
        QVERIFY2(message.contains(mentioned), qPrintable(message));
    if (!refused) {
        QCOMPARE(sizes.size(), files.size());
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(sizes[i], QFileInfo(options.sourceFiles[i]).size());
    }
}

void TestCliPreflight::querySpaceOfRealFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Preflight::Space s = Preflight::querySpace(dir.path() + QLatin1Char('/'));
    QVERIFY(s.known);
    QVERIFY(s.totalBytes > 0);
    QVERIFY(s.freeBytes >= 0 && s.freeBytes <= s.totalBytes);
    QVERIFY(!Preflight::querySpace(dir.filePath(QStringLiteral("missing/"))).known);
}

void TestCliPreflight::refusalTexts_data()
{
    QTest::addColumn<CliOptions>("options");
    QTest::addColumn<QVector<qint64>>("sourceSizes");
    QTest::addColumn<Preflight::Space>("space");
    QTest::addColumn<QString>("text");

    // The window's texts, figures whole megabytes rounded down.
    QTest::newRow("2 x 2 GB, one byte short")
        << randomOptions(2 * GiB, 2, MiB) << QVector<qint64>() << space(4 * GiB - 1, 64 * GiB)
        << "Selected drive has insufficient free space.\nRequired: 4096 MB\nAvailable: 4095 MB";
    QTest::newRow("16 GB card, 5 GB per stream")
        << randomOptions(5 * GiB, 1, MiB) << QVector<qint64>() << space(15 * GiB, 16 * GiB)
        << "Target card \u226432GB uses FAT32 with a 4GB per-file hard limit.\nPlease keep the "
           "test size at 3.5GB or below.";
    CliOptions files = randomOptions(GiB, 1, MiB);
    files.sourceFiles = QStringList{"/small", "/big"};
    QTest::newRow("16 GB card, one source above 3.5 GB")
        << files << QVector<qint64>{MiB, 4 * GiB} << space(15 * GiB, 16 * GiB)
        << "Target card \u226432GB uses FAT32 with a 4GB per-file hard limit.\nPlease remove or "
           "split source files larger than 3.5GB and retry.";
}

void TestCliPreflight::refusalTexts()
{
    QFETCH(CliOptions, options);
    QFETCH(QVector<qint64>, sourceSizes);
    QFETCH(Preflight::Space, space);
    QFETCH(QString, text);
    I18n::instance()->applyLanguage(English);
    QCOMPARE(Preflight::checkSpace(options, sourceSizes, space), QString(text));
}

void TestCliPreflight::checkRemovable()
{
    QVERIFY(Preflight::checkRemovable(QStringLiteral("/media/card/"), true).isEmpty());
    const QString refusal = Preflight::checkRemovable(QStringLiteral("/home/me/"), false);
    QVERIFY2(refusal.contains(QLatin1String("/home/me/")), qPrintable(refusal));
    QVERIFY2(refusal.contains(QLatin1String("--force")), qPrintable(refusal));
    QVERIFY(Preflight::forcedNotice(QStringLiteral("/home/me/")).contains("/home/me/"));
}

void TestCliPreflight::isRemovableRoot()
{
    // A folder of this test is a removable root exactly when it is named as one.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path() + QLatin1Char('/');
    qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
    QVERIFY(!Preflight::isRemovableRoot(root));
    qputenv("LUMORACARD_REMOVABLE_ROOTS", dir.path().toUtf8());
    QVERIFY(Preflight::isRemovableRoot(root));
    QVERIFY(!Preflight::isRemovableRoot(root + QStringLiteral("sub/")));
    qunsetenv("LUMORACARD_REMOVABLE_ROOTS");
}

QTEST_GUILESS_MAIN(TestCliPreflight)
#include "tst_clipreflight.moc"
