#include <QDataStream>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QResource>
#include <QtTest>

namespace {
const QString iconPath = QStringLiteral(":/logo.ico");
}  // namespace

// The compiled-in application icon: stored compressed, seven 32-bit PNG images from 48 to
// 256 pixels, readable as an icon at every one of those sizes.
class TestAppIcon : public QObject
{
    Q_OBJECT

private slots:
    void storedCompressed();
    void containerEntries();
    void iconSizes();
};

void TestAppIcon::storedCompressed()
{
    const QResource resource(iconPath);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
    QVERIFY(resource.uncompressedSize() > resource.size());
}

void TestAppIcon::containerEntries()
{
    QFile file(iconPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    QDataStream in(data);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 1, type = 0, count = 0;
    in >> reserved >> type >> count;
    QCOMPARE(reserved, quint16(0));
    QCOMPARE(type, quint16(1));
    QCOMPARE(count, quint16(7));

    const QList<int> expected = {48, 64, 72, 80, 96, 128, 256};
    for (int i = 0; i < count; ++i) {
        quint8 width = 0, height = 0, colors = 0, zero = 0;
        quint16 planes = 0, bits = 0;
        quint32 bytes = 0, offset = 0;
        in >> width >> height >> colors >> zero >> planes >> bits >> bytes >> offset;
        const int side = width == 0 ? 256 : width;
        QCOMPARE(side, expected[i]);
        QCOMPARE(int(height == 0 ? 256 : height), side);
        QCOMPARE(bits, quint16(32));
        QVERIFY(qint64(offset) + bytes <= data.size());
        const QByteArray png = data.mid(int(offset), int(bytes));
        QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n"));
        const QImage image = QImage::fromData(png, "PNG");
        QCOMPARE(image.size(), QSize(side, side));
        QVERIFY(image.hasAlphaChannel());
        // Transparent corners around an opaque card.
        QCOMPARE(qAlpha(image.pixel(0, side - 1)), 0);
        QCOMPARE(qAlpha(image.pixel(side / 2, side / 2)), 255);
    }
}

void TestAppIcon::iconSizes()
{
    const QIcon icon(iconPath);
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {48, 64, 72, 80, 96, 128, 256})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
}

QTEST_MAIN(TestAppIcon)
#include "tst_appicon.moc"
