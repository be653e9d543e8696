// make_images: draws the pictures that ship beside ZV-318 Software.
//
//   make_images DATA_DIR [PREVIEW_DIR]
//   make_images --icons OUT      (the desktop icon theme, at build time)
//
// Writes DATA_DIR/Images/{usb.bmp, Nousb.bmp, korvel52.ico, logo.bmp, instrument.bmp}
// and DATA_DIR/Languages/{English, Spanish, Catalan, French, German, Italian, Portuguese,
// NoLanguage}.bmp. With PREVIEW_DIR,
// every picture is also written there as an enlarged PNG, for a quick look.
//
// Run it through make-images.sh (Qt 6 Gui only, offscreen platform, no widgets).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

const QColor kWindowGrey(0xF0, 0xF0, 0xF0);  // the usual dialog background

QString gPreviewDir;

QImage canvas(int w, int h, const QColor& fill)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

void setup(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QFont font(int pixelSize, bool bold, const QString& family = QStringLiteral("DejaVu Sans"))
{
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void preview(const QImage& img, const QString& name)
{
    if (gPreviewDir.isEmpty())
        return;
    const int scale = img.width() <= 32 ? 12 : img.width() <= 64 ? 8 : 4;
    QImage big = img.convertToFormat(QImage::Format_RGB32)
                     .scaled(img.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // the picture at its real size in the corner, as it will be seen on screen
    QImage sheet(big.width() + img.width() + 24, std::max(big.height(), img.height()) + 16,
                 QImage::Format_RGB32);
    sheet.fill(QColor(0xD8, 0xD8, 0xD8));
    QPainter p(&sheet);
    p.drawImage(8, 8, big);
    p.drawImage(big.width() + 16, 8, img);
    p.end();
    sheet.save(gPreviewDir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

bool saveBmp(const QImage& img, const QString& path)
{
    // 24-bit BMP: the most widely readable kind
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    if (!rgb.save(path, "BMP")) {
        std::fprintf(stderr, "make_images: cannot write %s\n", qPrintable(path));
        return false;
    }
    preview(rgb, QFileInfo(path).completeBaseName());
    return true;
}

// An icon file holding several sizes, each as a 32-bit DIB with its AND mask.
bool saveIco(const std::vector<QImage>& images, const QString& path)
{
    QByteArray out;
    auto u16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    auto u32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };

    std::vector<QByteArray> bodies;
    for (const QImage& src : images) {
        const QImage img = src.convertToFormat(QImage::Format_ARGB32);
        const int w = img.width(), h = img.height();
        QByteArray body;
        auto b32 = [&body](quint32 v) {
            char b[4];
            qToLittleEndian(v, b);
            body.append(b, 4);
        };
        auto b16 = [&body](quint16 v) {
            char b[2];
            qToLittleEndian(v, b);
            body.append(b, 2);
        };
        const int maskStride = ((w + 31) / 32) * 4;
        b32(40);                 // header size
        b32(quint32(w));
        b32(quint32(h * 2));     // colour rows + mask rows
        b16(1);                  // planes
        b16(32);                 // bits per pixel
        b32(0);                  // no compression
        b32(quint32(w * h * 4 + maskStride * h));
        b32(0);
        b32(0);
        b32(0);
        b32(0);
        for (int y = h - 1; y >= 0; --y) {  // bottom-up BGRA
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                const QRgb c = line[x];
                body.append(char(qBlue(c)));
                body.append(char(qGreen(c)));
                body.append(char(qRed(c)));
                body.append(char(qAlpha(c)));
            }
        }
        for (int y = h - 1; y >= 0; --y) {  // AND mask: 1 = transparent
            QByteArray row(maskStride, '\0');
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < w; ++x)
                if (qAlpha(line[x]) < 128)
                    row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
            body.append(row);
        }
        bodies.push_back(body);
    }

    u16(0);                          // reserved
    u16(1);                          // type: icon
    u16(quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int w = images[i].width(), h = images[i].height();
        out.append(char(w >= 256 ? 0 : w));
        out.append(char(h >= 256 ? 0 : h));
        out.append(char(0));         // no palette
        out.append(char(0));
        u16(1);                      // planes
        u16(32);                     // bits per pixel
        u32(quint32(bodies[i].size()));
        u32(offset);
        offset += quint32(bodies[i].size());
    }
    for (const QByteArray& b : bodies)
        out.append(b);

    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size()) {
        std::fprintf(stderr, "make_images: cannot write %s\n", qPrintable(path));
        return false;
    }
    for (const QImage& img : images) {
        QImage onGrey = canvas(img.width(), img.height(), kWindowGrey);
        QPainter p(&onGrey);
        p.drawImage(0, 0, img);
        p.end();
        preview(onGrey, QStringLiteral("%1_%2").arg(QFileInfo(path).completeBaseName()).arg(img.width()));
    }
    return true;
}

// ---------------------------------------------------------------- USB pictures

// The USB trident: a round tail on the left, a shaft with an arrow head on the right,
// one branch ending in a circle and one ending in a square.
void drawTrident(QPainter& p, const QRectF& box, const QColor& colour)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 40.0, box.height() / 24.0);  // drawn in a 40 x 24 box
    QPen pen(colour, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(6, 12), QPointF(33, 12));                            // shaft
    p.drawPolyline(QPolygonF({QPointF(11, 12), QPointF(16, 4), QPointF(23, 4)}));   // upper branch
    p.drawPolyline(QPolygonF({QPointF(15, 12), QPointF(20, 20), QPointF(26, 20)})); // lower branch
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(4.5, 12), 3.6, 3.6);                              // tail
    p.drawPolygon(QPolygonF({QPointF(39, 12), QPointF(32, 8), QPointF(32, 16)}));   // head
    p.drawEllipse(QPointF(25, 4), 2.6, 2.6);                                // circle end
    p.drawRect(QRectF(25.5, 17.4, 5.2, 5.2));                               // square end
    p.restore();
}

QImage usbPicture(bool connected)
{
    QImage img = canvas(64, 40, kWindowGrey);
    QPainter p(&img);
    setup(p);

    const QColor cable = connected ? QColor(0x3A, 0x3F, 0x46) : QColor(0x9C, 0x9C, 0x9C);
    const QColor bodyTop = connected ? QColor(0x4A, 0x9B, 0xF0) : QColor(0xC4, 0xC4, 0xC4);
    const QColor bodyBottom = connected ? QColor(0x17, 0x58, 0xB0) : QColor(0x8E, 0x8E, 0x8E);
    const QColor bodyEdge = connected ? QColor(0x10, 0x42, 0x86) : QColor(0x78, 0x78, 0x78);
    const QColor metalTop = connected ? QColor(0xF4, 0xF6, 0xF8) : QColor(0xEA, 0xEA, 0xEA);
    const QColor metalBottom = connected ? QColor(0xA6, 0xAE, 0xB8) : QColor(0xB8, 0xB8, 0xB8);

    // the plug, drawn a little larger than its 64 x 40 sketch
    p.save();
    p.translate(30, 21);
    p.scale(1.14, 1.14);
    p.translate(-30, -21);

    // cable coming in from the left, and the tapered strain relief
    p.setPen(Qt::NoPen);
    p.setBrush(cable);
    p.drawRect(QRectF(-4, 18.2, 10, 3.6));
    QPainterPath relief;
    relief.moveTo(4, 18);
    relief.lineTo(13, 15.5);
    relief.lineTo(13, 24.5);
    relief.lineTo(4, 22);
    relief.closeSubpath();
    p.drawPath(relief);

    // plug body
    QLinearGradient g(0, 10, 0, 30);
    g.setColorAt(0, bodyTop);
    g.setColorAt(1, bodyBottom);
    p.setPen(QPen(bodyEdge, 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(12.5, 10.5, 25, 19), 4, 4);
    drawTrident(p, QRectF(15.5, 14, 19, 12), QColor(255, 255, 255, connected ? 240 : 220));

    // metal shell with its two windows
    QLinearGradient m(0, 13, 0, 27);
    m.setColorAt(0, metalTop);
    m.setColorAt(1, metalBottom);
    p.setPen(QPen(QColor(0x70, 0x76, 0x7E), 1));
    p.setBrush(m);
    p.drawRect(QRectF(37.5, 13.5, 19, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4A, 0x50, 0x58));
    p.drawRect(QRectF(44, 16, 5, 2.5));
    p.drawRect(QRectF(44, 21.5, 5, 2.5));
    p.restore();

    if (connected) {
        // green badge with a tick: the link is up
        const QPointF c(56.5, 7.5);
        QRadialGradient rg(c + QPointF(-1.5, -1.5), 7);
        rg.setColorAt(0, QColor(0x6E, 0xE0, 0x6A));
        rg.setColorAt(1, QColor(0x1F, 0x9A, 0x2E));
        p.setPen(QPen(QColor(255, 255, 255), 1.2));
        p.setBrush(rg);
        p.drawEllipse(c, 6.3, 6.3);
        p.setPen(QPen(Qt::white, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({c + QPointF(-3.1, 0.2), c + QPointF(-0.9, 2.5), c + QPointF(3.2, -2.4)}));
    } else {
        // red cross over the plug: no link
        const QPointF c(47, 20);
        const double r = 9.5;
        QPen halo(QColor(255, 255, 255, 230), 6.2, Qt::SolidLine, Qt::RoundCap);
        QPen red(QColor(0xD8, 0x1E, 0x1E), 3.6, Qt::SolidLine, Qt::RoundCap);
        for (const QPen& pen : {halo, red}) {
            p.setPen(pen);
            p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
            p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
        }
    }
    p.end();
    return img;
}

// ---------------------------------------------------------------- application icon

QPolygonF spectrumTrace(const QRectF& area, int samples, const std::vector<std::pair<double, double>>& peaks,
                        double floorLevel, double peakWidth = 0.045, double ripple = 1.0)
{
    // peaks: (position 0..1, height 0..1); floorLevel: 0..1 above the bottom
    QPolygonF trace;
    for (int i = 0; i <= samples; ++i) {
        const double x = double(i) / samples;
        double level = floorLevel + ripple * (0.035 * std::sin(x * 57.0) + 0.025 * std::sin(x * 131.0 + 1.3));
        for (const auto& [pos, height] : peaks) {
            const double d = (x - pos) / peakWidth;
            level = std::max(level, floorLevel + height * std::exp(-d * d));
        }
        trace << QPointF(area.left() + x * area.width(), area.bottom() - level * area.height());
    }
    return trace;
}

QImage iconImage(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    setup(p);
    const double s = size / 32.0;
    p.scale(s, s);

    // case
    QLinearGradient g(0, 0, 0, 32);
    g.setColorAt(0, QColor(0x24, 0x4B, 0x75));
    g.setColorAt(1, QColor(0x0C, 0x22, 0x3A));
    p.setPen(QPen(QColor(0x07, 0x16, 0x26), size >= 32 ? 1.0 : 0.0));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 6.5, 6.5);

    // screen; the small icon drops the grid and the keys so the trace stays readable
    const bool small = size < 32;
    const QRectF screen = small ? QRectF(4, 4, 24, 24) : QRectF(4, 4.5, 24, 20.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x05, 0x12, 0x1E));
    p.drawRoundedRect(screen, 2, 2);
    if (!small) {
        p.setPen(QPen(QColor(0x1F, 0x4C, 0x6E), 0.6));
        for (int i = 1; i < 4; ++i)
            p.drawLine(QPointF(screen.left() + screen.width() * i / 4, screen.top() + 1),
                       QPointF(screen.left() + screen.width() * i / 4, screen.bottom() - 1));
        for (int i = 1; i < 3; ++i)
            p.drawLine(QPointF(screen.left() + 1, screen.top() + screen.height() * i / 3),
                       QPointF(screen.right() - 1, screen.top() + screen.height() * i / 3));
    }
    const QRectF plot = screen.adjusted(1.5, 2, -1.5, -1.5);
    const QPolygonF trace = small
                                ? spectrumTrace(plot, 40, {{0.30, 0.55}, {0.68, 0.95}}, 0.08, 0.085, 0.0)
                                : spectrumTrace(plot, 60, {{0.30, 0.55}, {0.62, 0.88}, {0.84, 0.35}}, 0.10);
    QPainterPath fill;
    fill.moveTo(plot.bottomLeft());
    for (const QPointF& pt : trace)
        fill.lineTo(pt);
    fill.lineTo(plot.bottomRight());
    fill.closeSubpath();
    QLinearGradient fg(0, plot.top(), 0, plot.bottom());
    fg.setColorAt(0, QColor(0x4C, 0xFF, 0x7A, small ? 190 : 150));
    fg.setColorAt(1, QColor(0x4C, 0xFF, 0x7A, small ? 60 : 30));
    p.setPen(Qt::NoPen);
    p.setBrush(fg);
    p.drawPath(fill);
    p.setPen(QPen(QColor(0x7C, 0xFF, 0x96), small ? 2.2 : 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(trace);

    if (!small) {
        // two keys under the screen
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xF2, 0x9A, 0x2E));
        p.drawRoundedRect(QRectF(5, 26.8, 9, 2.8), 1.2, 1.2);
        p.setBrush(QColor(0x9F, 0xB8, 0xD0));
        p.drawRoundedRect(QRectF(18, 26.8, 9, 2.8), 1.2, 1.2);
    }
    p.end();
    return img;
}

// ---------------------------------------------------------------- maker's logo

void drawPeakMark(QPainter& p, const QRectF& box)
{
    // three spectral lines rising to a central peak, on a base line
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 30.0, box.height() / 26.0);  // drawn in a 30 x 26 box
    QPainterPath peak;
    peak.moveTo(0, 23);
    peak.lineTo(5, 23);
    peak.cubicTo(8, 23, 8, 15, 10, 15);
    peak.cubicTo(12, 15, 12, 23, 13, 23);
    peak.cubicTo(14.5, 23, 14, 2, 16, 2);
    peak.cubicTo(18, 2, 17.5, 23, 19, 23);
    peak.cubicTo(20, 23, 20.5, 11, 22.5, 11);
    peak.cubicTo(24.5, 11, 24.5, 23, 26, 23);
    peak.lineTo(30, 23);
    QPainterPath area = peak;
    area.lineTo(30, 26);
    area.lineTo(0, 26);
    area.closeSubpath();
    QLinearGradient g(0, 2, 0, 26);
    g.setColorAt(0, QColor(0xFF, 0xA8, 0x2E, 200));
    g.setColorAt(1, QColor(0xFF, 0xA8, 0x2E, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(area);
    p.setPen(QPen(QColor(0xFF, 0xB9, 0x47), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(peak);
    p.restore();
}

QImage logoPicture()
{
    QImage img = canvas(160, 36, Qt::white);
    QPainter p(&img);
    setup(p);
    QLinearGradient g(0, 0, 160, 36);
    g.setColorAt(0, QColor(0x1B, 0x3F, 0x68));
    g.setColorAt(1, QColor(0x0A, 0x1E, 0x36));
    p.fillRect(img.rect(), g);

    drawPeakMark(p, QRectF(7, 5, 30, 26));

    QFont f = font(23, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2.2);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(44, 0, 114, 33), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KORVEL"));
    // a thin accent line under the word
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xB9, 0x47));
    p.drawRect(QRectF(45, 29, 108, 1.4));
    p.end();
    return img;
}

// ---------------------------------------------------------------- the instrument

QImage instrumentPicture()
{
    QImage img = canvas(120, 160, Qt::white);
    QPainter p(&img);
    setup(p);

    // soft shadow
    for (int i = 6; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 10));
        p.drawRoundedRect(QRectF(13 + i * 0.4, 12 + i * 0.7, 96, 144), 12 + i, 12 + i);
    }

    // RF input connector on top
    QLinearGradient cg(53, 0, 67, 0);
    cg.setColorAt(0, QColor(0x8A, 0x8F, 0x96));
    cg.setColorAt(0.5, QColor(0xF0, 0xF2, 0xF4));
    cg.setColorAt(1, QColor(0x7A, 0x80, 0x88));
    p.setPen(QPen(QColor(0x5A, 0x60, 0x68), 0.8));
    p.setBrush(cg);
    p.drawRect(QRectF(53.5, 2.5, 13, 9));
    p.drawRect(QRectF(51.5, 9.5, 17, 4));

    // rubber bumper and case
    QLinearGradient bumper(0, 10, 0, 156);
    bumper.setColorAt(0, QColor(0xF2, 0x8C, 0x28));
    bumper.setColorAt(1, QColor(0xC8, 0x64, 0x10));
    p.setPen(QPen(QColor(0x8A, 0x42, 0x08), 1));
    p.setBrush(bumper);
    p.drawRoundedRect(QRectF(10.5, 12.5, 99, 143), 13, 13);
    QLinearGradient body(0, 16, 0, 152);
    body.setColorAt(0, QColor(0x4A, 0x50, 0x58));
    body.setColorAt(1, QColor(0x2A, 0x2E, 0x34));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(15, 17, 90, 134), 9, 9);

    // screen bezel and display
    p.setBrush(QColor(0x16, 0x19, 0x1D));
    p.drawRoundedRect(QRectF(20, 22, 80, 60), 4, 4);
    const QRectF lcd(24, 26, 72, 52);
    QLinearGradient lg(0, lcd.top(), 0, lcd.bottom());
    lg.setColorAt(0, QColor(0x0E, 0x2A, 0x44));
    lg.setColorAt(1, QColor(0x06, 0x16, 0x26));
    p.setBrush(lg);
    p.drawRect(lcd);
    p.setPen(QPen(QColor(0x2A, 0x55, 0x78), 0.6));
    for (int i = 1; i < 6; ++i) {
        const double x = lcd.left() + lcd.width() * i / 6;
        p.drawLine(QPointF(x, lcd.top() + 6), QPointF(x, lcd.bottom() - 2));
    }
    for (int i = 1; i < 4; ++i) {
        const double y = lcd.top() + 6 + (lcd.height() - 8) * i / 4;
        p.drawLine(QPointF(lcd.left() + 2, y), QPointF(lcd.right() - 2, y));
    }
    // status line of the display
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x6E, 0xA8));
    p.drawRect(QRectF(lcd.left(), lcd.top(), lcd.width(), 5));
    p.setBrush(QColor(0xD8, 0xE8, 0xF8));
    p.drawRect(QRectF(lcd.left() + 2, lcd.top() + 2, 14, 1.2));
    p.drawRect(QRectF(lcd.right() - 12, lcd.top() + 2, 10, 1.2));
    // spectrum trace with a marker on the highest peak
    const QRectF plot(lcd.left() + 2, lcd.top() + 8, lcd.width() - 4, lcd.height() - 11);
    const QPolygonF trace = spectrumTrace(plot, 140, {{0.22, 0.45}, {0.48, 0.82}, {0.58, 0.30}, {0.80, 0.58}}, 0.08);
    QPainterPath under;
    under.moveTo(plot.bottomLeft());
    for (const QPointF& pt : trace)
        under.lineTo(pt);
    under.lineTo(plot.bottomRight());
    under.closeSubpath();
    QLinearGradient ug(0, plot.top(), 0, plot.bottom());
    ug.setColorAt(0, QColor(0xFF, 0xE0, 0x40, 120));
    ug.setColorAt(1, QColor(0xFF, 0xE0, 0x40, 15));
    p.setBrush(ug);
    p.drawPath(under);
    p.setPen(QPen(QColor(0xFF, 0xE4, 0x5C), 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(trace);
    QPointF top = trace.first();
    for (const QPointF& pt : trace)
        if (pt.y() < top.y())
            top = pt;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6C, 0xF0, 0xFF));
    p.drawPolygon(QPolygonF({top + QPointF(0, -1.5), top + QPointF(-3, -6), top + QPointF(3, -6)}));

    // model name under the screen
    p.setFont(font(7, true));
    p.setPen(QColor(0xE6, 0xE9, 0xED));
    p.drawText(QRectF(20, 83, 50, 9), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZV-318"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5E, 0xD0, 0x6A));
    p.drawEllipse(QPointF(96.5, 87.5), 1.6, 1.6);  // power lamp

    // soft keys
    auto key = [&p](const QRectF& r, const QColor& c) {
        QLinearGradient kg(0, r.top(), 0, r.bottom());
        kg.setColorAt(0, c.lighter(125));
        kg.setColorAt(1, c.darker(115));
        p.setPen(QPen(QColor(0x12, 0x14, 0x18), 0.7));
        p.setBrush(kg);
        p.drawRoundedRect(r, 1.8, 1.8);
    };
    for (int i = 0; i < 4; ++i)
        key(QRectF(21 + i * 20, 95, 16, 6), QColor(0x8E, 0x98, 0xA4));

    // keypad (3 x 4) on the left, rotary knob and arrow keys on the right
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) {
            const bool enter = (r == 3 && c == 2);
            key(QRectF(21 + c * 15, 106 + r * 11, 12, 8),
                enter ? QColor(0xE8, 0x84, 0x22) : QColor(0xC8, 0xCE, 0xD6));
        }
    const QPointF knob(84, 120);
    QRadialGradient kg(knob + QPointF(-3, -3), 14);
    kg.setColorAt(0, QColor(0xB8, 0xBE, 0xC6));
    kg.setColorAt(1, QColor(0x50, 0x56, 0x5E));
    p.setPen(QPen(QColor(0x14, 0x16, 0x1A), 0.8));
    p.setBrush(kg);
    p.drawEllipse(knob, 11, 11);
    p.setPen(QPen(QColor(0x30, 0x34, 0x3A), 0.6));
    for (int i = 0; i < 16; ++i) {  // grip notches
        const double a = i * std::numbers::pi / 8;
        p.drawLine(knob + QPointF(std::cos(a) * 8.5, std::sin(a) * 8.5),
                   knob + QPointF(std::cos(a) * 10.5, std::sin(a) * 10.5));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF2, 0x9A, 0x2E));
    p.drawEllipse(knob + QPointF(0, -5.5), 1.5, 1.5);
    key(QRectF(72, 136, 10, 7), QColor(0x8E, 0x98, 0xA4));
    key(QRectF(86, 136, 10, 7), QColor(0x8E, 0x98, 0xA4));
    p.end();
    return img;
}

// ---------------------------------------------------------------- flags (48 x 30)

const int kFlagW = 48, kFlagH = 30;

void flagFrame(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x50, 0x50, 0x50, 140));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, kFlagW - 1, kFlagH - 1);
}

QImage unionFlag()
{
    QImage img = canvas(kFlagW, kFlagH, QColor(0x01, 0x21, 0x69));
    QPainter p(&img);
    setup(p);
    p.scale(kFlagW / 60.0, kFlagH / 30.0);  // drawn on the usual 60 x 30 grid
    const QColor red(0xC8, 0x10, 0x2E);
    QPainterPath saltire;
    saltire.moveTo(0, 0);
    saltire.lineTo(60, 30);
    saltire.moveTo(60, 0);
    saltire.lineTo(0, 30);
    p.strokePath(saltire, QPen(Qt::white, 6));
    // the red saltire lies off-centre, on the clockwise side of each arm
    QPainterPath clip;
    clip.moveTo(30, 15); clip.lineTo(60, 15); clip.lineTo(60, 30); clip.closeSubpath();
    clip.moveTo(30, 15); clip.lineTo(30, 30); clip.lineTo(0, 30); clip.closeSubpath();
    clip.moveTo(30, 15); clip.lineTo(0, 15); clip.lineTo(0, 0); clip.closeSubpath();
    clip.moveTo(30, 15); clip.lineTo(30, 0); clip.lineTo(60, 0); clip.closeSubpath();
    p.save();
    p.setClipPath(clip);
    p.strokePath(saltire, QPen(red, 4));
    p.restore();
    QPainterPath cross;
    cross.moveTo(30, 0);
    cross.lineTo(30, 30);
    cross.moveTo(0, 15);
    cross.lineTo(60, 15);
    p.strokePath(cross, QPen(Qt::white, 10, Qt::SolidLine, Qt::FlatCap));
    p.strokePath(cross, QPen(red, 6, Qt::SolidLine, Qt::FlatCap));
    p.resetTransform();
    flagFrame(p);
    p.end();
    return img;
}

QImage spanishFlag()
{
    QImage img = canvas(kFlagW, kFlagH, QColor(0xAA, 0x15, 0x1B));
    QPainter p(&img);
    p.fillRect(QRect(0, 8, kFlagW, 14), QColor(0xF1, 0xBF, 0x00));  // 1 : 2 : 1 (rounded to pixels)
    flagFrame(p);
    p.end();
    return img;
}

QImage catalanFlag()
{
    QImage img = canvas(kFlagW, kFlagH, QColor(0xFC, 0xDD, 0x09));
    QPainter p(&img);
    // nine stripes, yellow and red in turn, four of them red; whole pixels keep the edges crisp
    const int heights[9] = {4, 3, 3, 3, 4, 3, 3, 3, 4};
    int y = 0;
    for (int i = 0; i < 9; ++i) {
        if (i % 2 == 1)
            p.fillRect(QRect(0, y, kFlagW, heights[i]), QColor(0xDA, 0x12, 0x1A));
        y += heights[i];
    }
    flagFrame(p);
    p.end();
    return img;
}

// three vertical bands of equal width (France, Italy)
QImage verticalTricolour(const QColor& left, const QColor& middle, const QColor& right)
{
    QImage img = canvas(kFlagW, kFlagH, middle);
    QPainter p(&img);
    p.fillRect(QRect(0, 0, kFlagW / 3, kFlagH), left);
    p.fillRect(QRect(kFlagW - kFlagW / 3, 0, kFlagW / 3, kFlagH), right);
    flagFrame(p);
    p.end();
    return img;
}

QImage frenchFlag()
{
    return verticalTricolour(QColor(0x00, 0x26, 0x54), Qt::white, QColor(0xCE, 0x11, 0x26));
}

QImage italianFlag()
{
    return verticalTricolour(QColor(0x00, 0x92, 0x46), Qt::white, QColor(0xCE, 0x2B, 0x37));
}

QImage germanFlag()
{
    QImage img = canvas(kFlagW, kFlagH, QColor(0xDD, 0x00, 0x00));
    QPainter p(&img);
    p.fillRect(QRect(0, 0, kFlagW, kFlagH / 3), QColor(0x00, 0x00, 0x00));
    p.fillRect(QRect(0, kFlagH - kFlagH / 3, kFlagW, kFlagH / 3), QColor(0xFF, 0xCE, 0x00));
    flagFrame(p);
    p.end();
    return img;
}

QImage portugueseFlag()
{
    // green 2 : red 3, the armillary sphere and the shield on the border between them
    QImage img = canvas(kFlagW, kFlagH, QColor(0xDA, 0x29, 0x1C));
    QPainter p(&img);
    setup(p);
    const int border = kFlagW * 2 / 5;
    p.fillRect(QRect(0, 0, border, kFlagH), QColor(0x04, 0x6A, 0x38));
    const QPointF centre(border, kFlagH / 2.0);
    p.setPen(QPen(QColor(0xFF, 0xE9, 0x00), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 8.0, 8.0);
    p.drawLine(centre + QPointF(-8, 0), centre + QPointF(8, 0));
    p.drawEllipse(centre, 8.0, 3.2);
    p.setPen(QPen(Qt::white, 0.8));
    p.setBrush(QColor(0xDA, 0x29, 0x1C));
    QPainterPath shield;
    shield.moveTo(centre + QPointF(-4, -5));
    shield.lineTo(centre + QPointF(4, -5));
    shield.lineTo(centre + QPointF(4, 1.5));
    shield.quadTo(centre + QPointF(4, 5.5), centre + QPointF(0, 5.5));
    shield.quadTo(centre + QPointF(-4, 5.5), centre + QPointF(-4, 1.5));
    shield.closeSubpath();
    p.drawPath(shield);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(centre.x() - 2.2, centre.y() - 3, 4.4, 6.2));
    p.setBrush(QColor(0x00, 0x33, 0x99));
    for (const QPointF d : {QPointF(0, -1.6), QPointF(-1.2, 0.2), QPointF(1.2, 0.2), QPointF(0, 2)})
        p.drawRect(QRectF(centre.x() + d.x() - 0.5, centre.y() + d.y() - 0.7, 1.0, 1.3));
    p.resetTransform();
    flagFrame(p);
    p.end();
    return img;
}

QImage noLanguageFlag()
{
    QImage img = canvas(kFlagW, kFlagH, QColor(0xC9, 0xCC, 0xD0));
    QPainter p(&img);
    setup(p);
    QLinearGradient g(0, 0, 0, kFlagH);
    g.setColorAt(0, QColor(0xD8, 0xDB, 0xDF));
    g.setColorAt(1, QColor(0xB4, 0xB8, 0xBE));
    p.fillRect(img.rect(), g);
    p.setFont(font(24, true));
    p.setPen(QColor(0x55, 0x5B, 0x63));
    p.drawText(QRectF(0, 0, kFlagW, kFlagH), Qt::AlignCenter, QStringLiteral("?"));
    flagFrame(p);
    p.end();
    return img;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QStringLiteral("--icons")) {
        // The desktop's icon theme: OUT/hicolor/NxN/apps/zv318.png at the usual sizes, drawn
        // as the program's own icon is.
        bool ok = true;
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(args.at(2)).arg(size);
            ok &= QDir().mkpath(dir) && iconImage(size).save(dir + QStringLiteral("/zv318.png"));
        }
        return ok ? 0 : 1;
    }
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: make_images DATA_DIR [PREVIEW_DIR] | make_images --icons OUT\n");
        return 2;
    }
    const QDir data(args.at(1));
    if (args.size() == 3) {
        gPreviewDir = args.at(2);
        QDir().mkpath(gPreviewDir);
    }
    const QString images = data.filePath(QStringLiteral("Images"));
    const QString languages = data.filePath(QStringLiteral("Languages"));
    QDir().mkpath(images);
    QDir().mkpath(languages);

    bool ok = true;
    ok &= saveBmp(usbPicture(true), images + QStringLiteral("/usb.bmp"));
    ok &= saveBmp(usbPicture(false), images + QStringLiteral("/Nousb.bmp"));
    ok &= saveIco({iconImage(32), iconImage(16)}, images + QStringLiteral("/korvel52.ico"));
    ok &= saveBmp(logoPicture(), images + QStringLiteral("/logo.bmp"));
    ok &= saveBmp(instrumentPicture(), images + QStringLiteral("/instrument.bmp"));
    ok &= saveBmp(unionFlag(), languages + QStringLiteral("/English.bmp"));
    ok &= saveBmp(spanishFlag(), languages + QStringLiteral("/Spanish.bmp"));
    ok &= saveBmp(catalanFlag(), languages + QStringLiteral("/Catalan.bmp"));
    ok &= saveBmp(frenchFlag(), languages + QStringLiteral("/French.bmp"));
    ok &= saveBmp(germanFlag(), languages + QStringLiteral("/German.bmp"));
    ok &= saveBmp(italianFlag(), languages + QStringLiteral("/Italian.bmp"));
    ok &= saveBmp(portugueseFlag(), languages + QStringLiteral("/Portuguese.bmp"));
    ok &= saveBmp(noLanguageFlag(), languages + QStringLiteral("/NoLanguage.bmp"));
    return ok ? 0 : 1;
}
