// Draws the pictures of the tips pages (resources/Tips/TipPage<n>.png): small schematic scenes
// of the application in its dark look, each 280 × 220, drawn from shapes only.
//
// usage: generate_tip_pictures <folder>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <functional>

namespace {

constexpr int kWidth = 280, kHeight = 220;

QColor theme(double brightness, double alpha = 1.0) { return QColor::fromHsvF(0.6f, 0.25f, float(brightness), float(alpha)); }
QColor blue(double alpha = 1.0) { return QColor::fromHsvF(212.0f / 360.0f, 0.5f, 1.0f, float(alpha)); }
QColor white(double alpha) { return QColor::fromRgbF(1, 1, 1, float(alpha)); }

// A small photo: sky, sun and hills in one of four moods.
void drawPhoto(QPainter &p, const QRectF &r, int mood, bool selected = false)
{
    p.save();
    static const QColor skies[4][2] = {{QColor(70, 110, 190), QColor(250, 190, 120)},
                                       {QColor(40, 60, 110), QColor(120, 150, 210)},
                                       {QColor(20, 24, 40), QColor(60, 50, 90)},
                                       {QColor(120, 170, 220), QColor(210, 230, 245)}};
    static const QColor hills[4] = {QColor(60, 120, 70), QColor(50, 90, 60), QColor(30, 40, 50), QColor(90, 140, 80)};
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, skies[mood % 4][0]);
    sky.setColorAt(1, skies[mood % 4][1]);
    p.fillRect(r, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 200, mood % 4 == 2 ? 160 : 220));
    const double sun = r.height() * 0.18;
    p.drawEllipse(QPointF(r.left() + r.width() * (0.3 + 0.15 * (mood % 3)), r.top() + r.height() * 0.35), sun, sun);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left(), r.top() + r.height() * 0.7);
    hill.cubicTo(r.left() + r.width() * 0.3, r.top() + r.height() * (0.5 + 0.05 * mood),
                 r.left() + r.width() * 0.6, r.top() + r.height() * 0.85, r.right(), r.top() + r.height() * 0.62);
    hill.lineTo(r.right(), r.bottom());
    p.setBrush(hills[mood % 4]);
    p.drawPath(hill);
    p.restore();
    if (selected) {
        p.save();
        p.setPen(QPen(blue(), 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(-3, -3, 3, 3), 3, 3);
        p.restore();
    }
}

// A window: rounded body, title strip with three dots, answers its content rectangle.
QRectF drawWindow(QPainter &p, const QRectF &r)
{
    p.save();
    p.setPen(QPen(theme(0.05), 1.0));
    p.setBrush(theme(0.15));
    p.drawRoundedRect(r, 6, 6);
    QPainterPath title;
    title.addRoundedRect(QRectF(r.left(), r.top(), r.width(), 18), 6, 6);
    title.addRect(QRectF(r.left(), r.top() + 9, r.width(), 9));
    p.setPen(Qt::NoPen);
    p.setBrush(theme(0.27));
    p.drawPath(title.simplified());
    const QColor dots[3] = {QColor(236, 95, 90), QColor(245, 190, 80), QColor(100, 200, 90)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(dots[i]);
        p.drawEllipse(QPointF(r.left() + 10 + 10 * i, r.top() + 9), 3, 3);
    }
    p.restore();
    return QRectF(r.left() + 1, r.top() + 18, r.width() - 2, r.height() - 19);
}

void drawFolder(QPainter &p, const QRectF &r)
{
    p.save();
    p.setPen(QPen(QColor(40, 90, 150), 1.0));
    QPainterPath tab;
    tab.addRoundedRect(QRectF(r.left(), r.top(), r.width() * 0.45, r.height() * 0.3), 3, 3);
    p.setBrush(QColor(90, 160, 230));
    p.drawPath(tab);
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, QColor(130, 195, 250));
    body.setColorAt(1, QColor(80, 150, 225));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.15, r.width(), r.height() * 0.85), 4, 4);
    p.restore();
}

void drawArrow(QPainter &p, QPointF from, QPointF to)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(blue(), 3.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    QPainterPath path(from);
    path.quadTo(QPointF(to.x() + 30, from.y() + 10), to);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    const QLineF tangent(path.pointAtPercent(0.93), to);
    QLineF left = QLineF::fromPolar(10, tangent.angle() + 150).translated(to);
    QLineF right = QLineF::fromPolar(10, tangent.angle() - 150).translated(to);
    p.drawLine(left);
    p.drawLine(right);
    p.restore();
}

void drawText(QPainter &p, const QRectF &r, const QString &text, const QColor &color, double size, bool bold = false,
              int flags = Qt::AlignCenter)
{
    p.save();
    QFont font = p.font();
    font.setPixelSize(int(size));
    font.setBold(bold);
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, flags, text);
    p.restore();
}

// A themed push button with a title; blue when it is the default.
void drawButton(QPainter &p, const QRectF &r, const QString &title, bool isDefault = false, bool highlighted = false)
{
    p.save();
    p.setPen(QPen(isDefault ? QColor::fromHsvF(0.6f, 0.7f, 0.75f) : theme(0.49), 1.0));
    p.setBrush(isDefault ? QColor::fromHsvF(0.6f, 0.7f, 0.67f) : theme(0.35));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    if (highlighted) {
        p.setPen(QPen(blue(0.8), 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(-3, -3, 3, 3), 6, 6);
    }
    p.restore();
    drawText(p, r, title, Qt::white, 11, isDefault);
}

void background(QPainter &p)
{
    QLinearGradient g(0, 0, 0, kHeight);
    g.setColorAt(0, theme(0.28));
    g.setColorAt(1, theme(0.2));
    p.fillRect(QRect(0, 0, kWidth, kHeight), g);
}

// 1: photos and a folder dropped onto the window.
void dropPage(QPainter &p)
{
    background(p);
    const QRectF content = drawWindow(p, QRectF(16, 60, 200, 144));
    p.save();
    p.setPen(QPen(blue(0.9), 2.0, Qt::DashLine));
    p.setBrush(blue(0.12));
    p.drawRoundedRect(content.adjusted(10, 10, -10, -10), 8, 8);
    p.restore();
    drawText(p, content.adjusted(10, 60, -10, -10), QStringLiteral("Drop photos here"), white(0.8), 12, true);
    drawFolder(p, QRectF(196, 16, 64, 48));
    drawPhoto(p, QRectF(150, 22, 38, 28), 0);
    drawPhoto(p, QRectF(132, 36, 38, 28), 1);
    drawArrow(p, QPointF(200, 70), QPointF(116, 110));
}

// 2: the group tree beside the grid, groups by capture date.
void groupsPage(QPainter &p)
{
    background(p);
    const QRectF content = drawWindow(p, QRectF(12, 14, 256, 192));
    const QRectF sidebar(content.left(), content.top(), 86, content.height());
    p.fillRect(sidebar, theme(0.22));
    p.fillRect(QRectF(sidebar.right(), sidebar.top(), 1, sidebar.height()), theme(0.08));
    const QStringList rows = {QStringLiteral("2025"), QStringLiteral("  March"), QStringLiteral("  June"),
                              QStringLiteral("2026"), QStringLiteral("  January")};
    for (int i = 0; i < rows.size(); ++i) {
        const QRectF row(sidebar.left() + 6, sidebar.top() + 8 + i * 20, sidebar.width() - 10, 18);
        if (i == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(blue(0.35));
            p.drawRoundedRect(row.adjusted(-3, 0, 3, 0), 3, 3);
        }
        const bool year = !rows[i].startsWith(' ');
        if (year) {
            p.setPen(Qt::NoPen);
            p.setBrush(white(0.7));
            QPolygonF triangle({row.topLeft() + QPointF(1, 5), row.topLeft() + QPointF(9, 5), row.topLeft() + QPointF(5, 11)});
            p.drawPolygon(triangle);
        }
        drawText(p, row.adjusted(12, 0, 0, 0), rows[i].trimmed(), white(year ? 0.9 : 0.75), 11, year,
                 Qt::AlignVCenter | Qt::AlignLeft);
    }
    const QRectF grid(sidebar.right() + 10, content.top() + 8, content.right() - sidebar.right() - 18, content.height() - 14);
    drawText(p, QRectF(grid.left(), grid.top(), grid.width(), 14), QStringLiteral("June 2025 · 6 photos"), white(0.7),
             10, true, Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < 6; ++i)
        drawPhoto(p, QRectF(grid.left() + (i % 3) * 51, grid.top() + 22 + (i / 3) * 44, 44, 33), i);
    p.fillRect(QRectF(grid.left(), grid.top() + 112, grid.width(), 1), theme(0.35));
    drawText(p, QRectF(grid.left(), grid.top() + 118, grid.width(), 14), QStringLiteral("January 2026 · 3 photos"),
             white(0.7), 10, true, Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < 3; ++i)
        drawPhoto(p, QRectF(grid.left() + i * 51, grid.top() + 138, 44, 33), i + 2);
}

// 3: filter rules narrowing the photos down.
void filterPage(QPainter &p)
{
    background(p);
    // The funnel.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath funnel;
    funnel.moveTo(18, 24);
    funnel.lineTo(62, 24);
    funnel.lineTo(45, 48);
    funnel.lineTo(45, 64);
    funnel.lineTo(35, 70);
    funnel.lineTo(35, 48);
    funnel.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(blue());
    p.drawPath(funnel);
    p.restore();
    // Two rules: pop-ups and a field.
    const char *rules[2][3] = {{"Capture Date", "is after", "1 May 2025"}, {"Camera Model", "contains", "X-T5"}};
    for (int r = 0; r < 2; ++r) {
        const double y = 22 + r * 26;
        const double widths[3] = {72, 52, 62};
        double x = 74;
        for (int c = 0; c < 3; ++c) {
            const QRectF box(x, y, widths[c], 20);
            p.setPen(QPen(theme(0.45), 1.0));
            p.setBrush(c == 2 ? theme(0.12) : theme(0.33));
            p.drawRoundedRect(box, c == 2 ? 3 : 10, c == 2 ? 3 : 10);
            drawText(p, box, QString::fromLatin1(rules[r][c]), white(0.85), 9);
            x += widths[c] + 4;
        }
    }
    // The photos: the ones that pass stay bright, the others fade.
    for (int i = 0; i < 8; ++i) {
        const QRectF r(20 + (i % 4) * 62, 92 + (i / 4) * 60, 54, 42);
        drawPhoto(p, r, i);
        if (i == 1 || i == 4 || i == 6) {
            p.fillRect(r, theme(0.2, 0.75));
        }
    }
}

// 4: the three operations on the selected photos.
void operationsPage(QPainter &p)
{
    background(p);
    const QRectF content = drawWindow(p, QRectF(12, 14, 256, 192));
    p.fillRect(QRectF(content.left(), content.top(), content.width(), 36), theme(0.25));
    p.fillRect(QRectF(content.left(), content.top() + 36, content.width(), 1), theme(0.07));
    drawButton(p, QRectF(content.left() + 8, content.top() + 8, 62, 20), QStringLiteral("Metadata"), false, true);
    drawButton(p, QRectF(content.left() + 76, content.top() + 8, 56, 20), QStringLiteral("Rename"), false, true);
    drawButton(p, QRectF(content.right() - 70, content.top() + 8, 62, 20), QStringLiteral("Convert"), true, true);
    for (int i = 0; i < 8; ++i) {
        const QRectF r(content.left() + 14 + (i % 4) * 60, content.top() + 50 + (i / 4) * 60, 50, 38);
        drawPhoto(p, r, i + 1, i == 0 || i == 1 || i == 5);
    }
    drawText(p, QRectF(content.left(), content.bottom() - 18, content.width(), 14),
             QStringLiteral("3 of 8 photos selected"), white(0.6), 10);
}

// 5: Alt turns Convert into Selected Only.
void selectedOnlyPage(QPainter &p)
{
    background(p);
    // The key cap.
    const QRectF key(24, 62, 70, 58);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(theme(0.08), 1.0));
    p.setBrush(theme(0.55));
    p.drawRoundedRect(key.translated(0, 4), 8, 8);
    QLinearGradient face(key.topLeft(), key.bottomLeft());
    face.setColorAt(0, theme(0.85));
    face.setColorAt(1, theme(0.7));
    p.setBrush(face);
    p.drawRoundedRect(key, 8, 8);
    p.restore();
    drawText(p, key, QStringLiteral("Alt"), theme(0.15), 18, true);
    drawText(p, QRectF(24, 130, 70, 16), QStringLiteral("hold"), white(0.6), 11);
    drawText(p, QRectF(98, 74, 24, 30), QStringLiteral("+"), white(0.7), 22, true);
    // The button before and while Alt is held.
    drawText(p, QRectF(130, 36, 130, 14), QStringLiteral("every photo shown"), white(0.6), 10);
    drawButton(p, QRectF(140, 54, 110, 24), QStringLiteral("Convert"), true);
    drawArrow(p, QPointF(250, 84), QPointF(236, 116));
    drawButton(p, QRectF(140, 122, 110, 24), QStringLiteral("Selected Only"), true, true);
    drawText(p, QRectF(130, 152, 130, 14), QStringLiteral("only the selection"), white(0.6), 10);
    for (int i = 0; i < 4; ++i)
        drawPhoto(p, QRectF(140 + i * 28, 176, 24, 18), i, i == 1 || i == 2);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: generate_tip_pictures <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const std::function<void(QPainter &)> pages[] = {dropPage, groupsPage, filterPage, operationsPage, selectedOnlyPage};
    int n = 1;
    for (const auto &draw : pages) {
        QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        draw(painter);
        painter.end();
        const QString path = folder + QStringLiteral("/TipPage%1.png").arg(n++);
        if (!image.convertToFormat(QImage::Format_RGB32).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
