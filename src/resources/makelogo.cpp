// Draws the application icon and writes it as logo.ico (ten 32-bit PNG images, 16 to 256
// pixels: Windows picks 16, 24 and 32 for lists, title bars and the taskbar) and as one PNG per
// size for the desktop's icon theme. Run it by hand after changing the drawing and commit what it
// writes:
//   cmake --build <build> --target lumora_makelogo
//   <build>/src/app/resources/lumora_makelogo src/resources
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVector>

#include <cstdio>

namespace {

const int iconSizes[] = {16, 24, 32, 48, 64, 72, 80, 96, 128, 256};

// A memory card seen from the front: notched corner, gold contacts, and a speed gauge whose
// needle stands well into the fast end. Drawn on a 256-unit square and scaled.
void drawLogo(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath card;
    card.moveTo(62, 14);
    card.lineTo(168, 14);
    card.lineTo(222, 68);
    card.lineTo(222, 222);
    card.quadTo(222, 242, 202, 242);
    card.lineTo(54, 242);
    card.quadTo(34, 242, 34, 222);
    card.lineTo(34, 42);
    card.quadTo(34, 14, 62, 14);
    card.closeSubpath();

    QLinearGradient body(0, 14, 0, 242);
    body.setColorAt(0.0, QColor(0x1e, 0x88, 0xe5));
    body.setColorAt(1.0, QColor(0x0d, 0x47, 0xa1));
    p.setPen(QPen(QColor(0x0a, 0x2f, 0x6b), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(body);
    p.drawPath(card);

    // Contacts along the top edge.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xc1, 0x07));
    for (int i = 0; i < 5; ++i)
        p.drawRoundedRect(QRectF(58 + i * 24, 30, 14, 40), 4, 4);

    // Gauge: a pale track, the travelled part in green, a needle near the top speed.
    const QRectF dial(62, 104, 132, 132);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 90), 16, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(dial, 210 * 16, -240 * 16);
    p.setPen(QPen(QColor(0x4c, 0xaf, 0x50), 16, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(dial, 210 * 16, -190 * 16);

    const QPointF hub = dial.center();
    p.setPen(QPen(Qt::white, 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(hub, QPointF(hub.x() + 46, hub.y() - 30));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(hub, 13, 13);
}

QImage renderLogo(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(size / 256.0, size / 256.0);
    drawLogo(p);
    p.end();
    return image;
}

QByteArray pngData(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// ICO container: a 6-byte header, one 16-byte entry per image, then the images. Sizes of
// 256 are written as 0, as the format wants.
QByteArray icoFile(const QVector<QByteArray> &pngs, const QVector<int> &sizes)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0) << quint16(1) << quint16(pngs.size());
    quint32 offset = 6 + 16 * quint32(pngs.size());
    for (int i = 0; i < pngs.size(); ++i) {
        const quint8 side = sizes[i] >= 256 ? 0 : quint8(sizes[i]);
        s << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
          << quint32(pngs[i].size()) << offset;
        offset += quint32(pngs[i].size());
    }
    for (const QByteArray &png : pngs)
        s.writeRawData(png.constData(), png.size());
    return out;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RESOURCE_DIR\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("icons")))
        return 1;

    QVector<QByteArray> pngs;
    QVector<int> sizes;
    for (int size : iconSizes) {
        pngs.append(pngData(renderLogo(size)));
        sizes.append(size);
        const QString name = QStringLiteral("icons/lumoracard-%1.png").arg(size);
        if (!writeFile(dir.filePath(name), pngs.last()))
            return 1;
    }
    return writeFile(dir.filePath(QStringLiteral("logo.ico")), icoFile(pngs, sizes)) ? 0 : 1;
}
