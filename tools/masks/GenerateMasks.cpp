// Writes the alpha masks we ship (resources/Masks): gray pictures whose white parts stay
// opaque and whose black parts become transparent when the Alpha Mask stage applies them.
// Each is 600 × 400 with a soft edge, so it stretches over photos of any size.
//
// usage: generate_masks <folder>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 600, kHeight = 400;

// Blurs the picture with three passes of a box blur of the radius (close to a Gaussian).
QImage softened(const QImage &image, int radius)
{
    QImage result = image.convertToFormat(QImage::Format_Grayscale8);
    for (int pass = 0; pass < 3; ++pass) {
        for (int axis = 0; axis < 2; ++axis) {
            const QImage source = result;
            const int length = axis == 0 ? kWidth : kHeight;
            const int lines = axis == 0 ? kHeight : kWidth;
            for (int line = 0; line < lines; ++line) {
                for (int i = 0; i < length; ++i) {
                    int sum = 0, count = 0;
                    for (int d = -radius; d <= radius; ++d) {
                        const int j = std::clamp(i + d, 0, length - 1);
                        sum += axis == 0 ? source.constScanLine(line)[j] : source.constScanLine(j)[line];
                        ++count;
                    }
                    uchar &target = axis == 0 ? result.scanLine(line)[i] : result.scanLine(i)[line];
                    target = uchar((sum + count / 2) / count);
                }
            }
        }
    }
    return result;
}

QImage drawn(const QPainterPath &path)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, Qt::white);
    painter.end();
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_masks <folder>\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QRectF inner(40, 40, kWidth - 80, kHeight - 80);

    QPainterPath oval;
    oval.addEllipse(inner);
    QPainterPath rounded;
    rounded.addRoundedRect(inner, 40, 40);
    QPainterPath frame;
    frame.addRect(QRectF(60, 60, kWidth - 120, kHeight - 120));

    const struct
    {
        const char *name;
        QImage image;
    } masks[] = {
        {"Oval.jpg", softened(drawn(oval), 12)},
        {"Rounded Rectangle.jpg", softened(drawn(rounded), 8)},
        {"Soft Edges.jpg", softened(drawn(frame), 30)},
    };
    for (const auto &mask : masks) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(mask.name);
        if (!mask.image.save(path, "JPG", 92)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
