#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QResource>
#include <QtEndian>
#include <QtTest>

namespace {
const QString iconPath = QStringLiteral(":/logo.ico");
}  // namespace

// The compiled-in application icon: stored compressed, seven 32-bit images from 48 to 256
// pixels, readable as an icon at every one of those sizes.
class TestAppIcon : public QObject
{
    Q_OBJECT

private slots:
    void storedCompressed()
    {
        const QResource resource(iconPath);
        QVERIFY(resource.isValid());
        QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
        QVERIFY(resource.uncompressedSize() > resource.size());
    }

    void images()
    {
        QImageReader reader(iconPath);
        QCOMPARE(reader.format(), QByteArray("ico"));
        QCOMPARE(reader.imageCount(), 7);
        QList<int> sides;
        for (int i = 0; i < reader.imageCount(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            const int side = image.width();
            sides << side;
            QCOMPARE(image.height(), side);
            QCOMPARE(image.depth(), 32);
            // Transparent corners around an opaque card.
            QVERIFY(image.hasAlphaChannel());
            QCOMPARE(qAlpha(image.pixel(0, side - 1)), 0);
            QCOMPARE(qAlpha(image.pixel(side / 2, side / 2)), 255);
        }
        QCOMPARE(sides, (QList<int>{48, 64, 72, 80, 96, 128, 256}));
        // The decoder gives every image 32 bits; the file's own directory must say so as well.
        QFile file(iconPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        for (int i = 0; i < sides.size(); ++i)
            QCOMPARE(qFromLittleEndian<quint16>(data.constData() + 6 + 16 * i + 6), quint16(32));

        const QList<QSize> available = QIcon(iconPath).availableSizes();
        for (int side : sides)
            QVERIFY2(available.contains(QSize(side, side)), qPrintable(QString::number(side)));
    }
};

QTEST_MAIN(TestAppIcon)
#include "tst_appicon.moc"
