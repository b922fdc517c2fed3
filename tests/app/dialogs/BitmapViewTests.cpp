// The bitmap views: where a bitmap is drawn, zoom steps and panning as tables, then fixed-size
// views driven by synthetic wheel, pinch, drag and keys, and their pixels.
#include "app/dialogs/MCBitmapView.h"
#include "app/dialogs/MCBitmapViewGeometry.h"
#include "app/engine/bitmap/MCBitmap.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"

#include <QApplication>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kRoot2 = std::numbers::sqrt2;

// A bitmap of one colour (8-bit RGBA, sRGB); alpha info as given.
std::shared_ptr<MCBitmap> solidBitmap(int width, int height, QColor color, CGBitmapInfo alphaInfo = kCGImageAlphaLast)
{
    QByteArray data(width * height * 4, Qt::Uninitialized);
    for (int i = 0; i < width * height; ++i) {
        data[4 * i] = char(color.red());
        data[4 * i + 1] = char(color.green());
        data[4 * i + 2] = char(color.blue());
        data[4 * i + 3] = char(color.alpha());
    }
    return MCBitmap::createWithCGImage(CGImage::create(size_t(width), size_t(height), 8, 32, size_t(width) * 4,
                                                       CGColorSpace::createWithName(kCGColorSpaceSRGB), alphaInfo, data));
}

bool near(const QColor &a, const QColor &b, int tolerance = 2)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// A view of a fixed size on a black window background, shown so it can be grabbed.
template <typename View> struct FixedView
{
    explicit FixedView(QSize size = QSize(400, 400))
    {
        view.setFixedSize(size);
        view.setAutoFillBackground(true);
        QPalette palette = view.palette();
        palette.setColor(QPalette::Window, Qt::black);
        view.setPalette(palette);
        view.setDeviceRatio(1.0);
    }
    QColor pixel(QPoint point) { return view.grab().toImage().pixelColor(point); }
    View view;
};

void sendWheel(QWidget &widget, QPointF point, int delta)
{
    QWheelEvent event(point, widget.mapToGlobal(point), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
}

void sendPinch(QWidget &widget, QPointF point, Qt::NativeGestureType type, double value)
{
    QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, point, point, widget.mapToGlobal(point),
                              value, QPointF());
    QApplication::sendEvent(&widget, &event);
}

void sendMouse(QWidget &widget, QEvent::Type type, QPointF point)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, widget.mapToGlobal(point), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void drag(QWidget &widget, QPointF from, QPointF to)
{
    sendMouse(widget, QEvent::MouseButtonPress, from);
    sendMouse(widget, QEvent::MouseMove, (from + to) / 2);
    sendMouse(widget, QEvent::MouseButtonRelease, to);
}

} // namespace

// ---------------------------------------------------------------- geometry

TEST(MCBitmapViewGeometry, FittedRectangles)
{
    const struct {
        const char *what;
        QSizeF bounds, pixels;
        double ratio;
        QRectF expected; // drawing space, y up
    } cases[] = {
        {"larger, wide: fitted, raised", {400, 400}, {4000, 3000}, 1, {0, 50, 400, 300}},
        {"larger, tall: fitted, moved right", {400, 400}, {3000, 4000}, 1, {50, 0, 300, 400}},
        {"smaller: own size, centred", {400, 400}, {100, 50}, 1, {150, 175, 100, 50}},
        {"the same size", {400, 400}, {400, 400}, 1, {0, 0, 400, 400}},
        {"larger in one direction only", {400, 400}, {500, 100}, 1, {0, 160, 400, 80}},
        {"odd bounds: offsets and sides truncated", {401, 401}, {4000, 3000}, 1, {0, 50, 401, 300}},
        {"no bitmap: the bounds", {400, 300}, {0, 0}, 1, {0, 0, 400, 300}},
        // A device ratio of 2 halves the size a bitmap stands for: made at the screen's
        // density it fills the view at full resolution; a small one is not enlarged.
        {"ratio 2: fitted at device resolution", {400, 400}, {800, 600}, 2, {0, 50, 400, 300}},
        {"ratio 2: small, half its pixels in points", {400, 400}, {100, 50}, 2, {175, 187, 50, 25}},
        {"no ratio counts as 1", {400, 400}, {100, 50}, 0, {150, 175, 100, 50}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MCBitmapViewFittedRect(c.bounds, c.pixels, c.ratio), c.expected) << c.what;

    // Drawing space to widget space and back: the offset from the bottom becomes one from the top.
    EXPECT_EQ(MCBitmapViewWidgetRect(QRectF(150, 175, 100, 50), 400), QRectF(150, 175, 100, 50));
    EXPECT_EQ(MCBitmapViewWidgetRect(QRectF(0, 10, 10, 20), 100), QRectF(0, 70, 10, 20));
    EXPECT_EQ(MCBitmapViewDrawingPoint(QPointF(5, 30), 100), QPointF(5, 70));
}

TEST(MCBitmapViewGeometry, ZoomStepsStopAtTheLimits)
{
    std::vector<double> in{1.0};
    for (int i = 0; i < 5; ++i)
        in.push_back(MCPreviewBitmapViewSteppedZoom(in.back(), 1));
    const std::vector<double> expected{1.0, kRoot2, 2.0, 2 * kRoot2, 4.0, 4.0};
    for (size_t i = 0; i < in.size(); ++i)
        EXPECT_NEAR(in[i], expected[i], 1e-9) << i;
    EXPECT_EQ(MCPreviewBitmapViewSteppedZoom(1.0, -1), 1.0); // never below 1
    EXPECT_NEAR(MCPreviewBitmapViewSteppedZoom(4.0, -1), 2 * kRoot2, 1e-9);
    EXPECT_EQ(MCPreviewBitmapViewSteppedZoom(2.0, 0), 2.0);
}

TEST(MCBitmapViewGeometry, ZoomedRectanglesFollowTheLocation)
{
    const QSizeF bounds(400, 400);
    const QRectF fitted(0, 50, 400, 300);
    const struct {
        double zoom;
        QPointF location;
        QRectF expected;
    } cases[] = {
        {1.0, {0.5, 0.5}, {0, 50, 400, 300}},       // no excess: the location plays no part
        {2.0, {0, 0}, {-200, -100, 800, 600}},      // centred
        {2.0, {0.5, 0.5}, {-400, -200, 800, 600}},  // right and top edges in view
        {2.0, {-0.5, -0.5}, {0, 0, 800, 600}},      // left and bottom edges in view
        {kRoot2, {0, 0}, {-82, -12, 565, 424}},     // sides and offsets truncated
    };
    for (const auto &c : cases)
        EXPECT_EQ(MCPreviewBitmapViewZoomedRect(bounds, fitted, c.zoom, c.location), c.expected) << c.zoom;
    EXPECT_EQ(MCPreviewBitmapViewExcess(bounds, QRectF(-200, -100, 800, 600)), QSizeF(400, 200));
}

TEST(MCBitmapViewGeometry, PanningAndPointerLocations)
{
    // At zoom 2 (excess 400 × 200) a drag right by the whole excess goes from one edge to the
    // other; further changes nothing. Up is positive y in the drawing space.
    const QSizeF excess(400, 200);
    EXPECT_EQ(MCPreviewBitmapViewPannedLocation({0.5, 0}, {400, 0}, excess), QPointF(-0.5, 0));
    EXPECT_EQ(MCPreviewBitmapViewPannedLocation({-0.5, 0}, {100, 0}, excess), QPointF(-0.5, 0));
    EXPECT_EQ(MCPreviewBitmapViewPannedLocation({0, 0}, {0, -100}, excess), QPointF(0, 0.5));
    EXPECT_EQ(MCPreviewBitmapViewPannedLocation({0.2, 0.1}, {50, 50}, QSizeF(0, -10)), QPointF(0.2, 0.1)); // no excess
    EXPECT_EQ(MCPreviewBitmapViewClampedLocation({std::nan(""), 3}), QPointF(0, 0.5));

    const QRectF r(-200, -100, 800, 600);
    EXPECT_EQ(MCPreviewBitmapViewLocationForPoint(r, {200, 200}), QPointF(0, 0));
    EXPECT_EQ(MCPreviewBitmapViewLocationForPoint(r, {-200, -100}), QPointF(-0.5, -0.5)); // minimum edges inside
    EXPECT_EQ(MCPreviewBitmapViewLocationForPoint(r, {600, 200}), std::nullopt);        // maximum edge outside
    EXPECT_EQ(MCPreviewBitmapViewLocationForPoint(QRectF(0, 50, 400, 300), {300, 20}), std::nullopt);
}

TEST(MCPreviewGeometry, FitSizes)
{
    const QSizeF photo(4000, 3000);
    const struct {
        const char *what;
        QSizeF view;
        double ratio;
        QSizeF rotated, predicted;
        std::optional<QSizeF> expected;
    } cases[] = {
        {"the view's pixels", {400, 300}, 1, photo, photo, QSizeF(400, 300)},
        {"ratio 2: twice the points", {400, 300}, 2, photo, photo, QSizeF(800, 600)},
        {"a pipeline that doubles: half", {400, 300}, 1, photo, photo * 2, QSizeF(200, 150)},
        {"the smaller enlargement counts", {400, 300}, 1, photo, QSizeF(16000, 6000), QSizeF(200, 150)},
        {"a pipeline that shrinks: unchanged", {400, 300}, 1, photo, photo / 2, QSizeF(400, 300)},
        {"no width ratio: the height's", {400, 300}, 1, {0, 3000}, {0, 6000}, QSizeF(200, 150)},
        {"not laid out", {0, 0}, 1, photo, photo, std::nullopt},
        {"under a pixel on one side", {0.4, 300}, 2, photo, photo, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MCPreviewFitSize(c.view, c.ratio, c.rotated, c.predicted), c.expected) << c.what;
}

TEST(MCPreviewGeometry, OrientationAndMetadata)
{
    const QVariantMap six{{kCGImagePropertyOrientation, 6}, {"DPIWidth", 300}};
    EXPECT_EQ(MCPreviewOrientationForMetadata(six, true), (MCPreviewOrientation{6, false, false, 3 * std::numbers::pi / 2}));
    EXPECT_EQ(MCPreviewOrientationForMetadata(six, false), MCPreviewOrientation{});
    EXPECT_EQ(MCPreviewOrientationForMetadata({{kCGImagePropertyOrientation, 2}}, true),
              (MCPreviewOrientation{2, true, false, 0}));
    EXPECT_EQ(MCPreviewOrientationForMetadata({{kCGImagePropertyOrientation, 9}}, true), MCPreviewOrientation{});

    // Only a turned photo is re-scaled when the setting changes.
    const struct {
        QVariant orientation;
        bool rescales;
    } switches[] = {{QVariant(), false}, {1, false}, {2, true}, {6, true}, {8, true}, {9, false}, {"x", false}};
    for (const auto &s : switches) {
        QVariantMap metadata;
        if (s.orientation.isValid())
            metadata.insert(kCGImagePropertyOrientation, s.orientation);
        EXPECT_EQ(MCPreviewAutorotateChangesScaledBitmap(metadata), s.rescales) << s.orientation.toString().toStdString();
    }

    EXPECT_EQ(MCPreviewScaledMetadata(six, true).value(kCGImagePropertyOrientation).toInt(), 1);
    EXPECT_EQ(MCPreviewScaledMetadata(six, false), six);

    // The output name reaches the stages under "QuillonDictionary"; other entries stay.
    const QVariantMap withDictionary{{"QuillonDictionary", QVariantMap{{"Other", 1}}}};
    const QVariantMap converted = MCPreviewMetadataForConversion(withDictionary, "out.jpg");
    EXPECT_EQ(converted.value("QuillonDictionary").toMap(), (QVariantMap{{"Other", 1}, {"Filename", "out.jpg"}}));
    const QVariant none =
        MCPreviewMetadataForConversion({{"QuillonDictionary", "damaged"}}, QString()).value("QuillonDictionary");
    EXPECT_EQ(none.toMap(), (QVariantMap{{"Filename", ""}}));
}

// ---------------------------------------------------------------- views

TEST(MCBitmapView, DrawsTheBitmapFittedAndNothingOutside)
{
    FixedView<MCBitmapView> fixed;
    EXPECT_EQ(fixed.view.imageRect(), QRectF(0, 0, 400, 400)); // no bitmap: the bounds
    fixed.view.setBitmap(solidBitmap(2000, 1500, QColor(200, 40, 40)));
    EXPECT_EQ(fixed.view.imageRect(), QRectF(0, 50, 400, 300));
    EXPECT_TRUE(near(fixed.pixel({200, 200}), QColor(200, 40, 40)));
    EXPECT_TRUE(near(fixed.pixel({200, 20}), Qt::black));
    EXPECT_TRUE(near(fixed.pixel({200, 380}), Qt::black));

    fixed.view.setBitmap(solidBitmap(100, 50, QColor(40, 200, 40)));
    EXPECT_EQ(fixed.view.imageRect(), QRectF(150, 175, 100, 50));
    EXPECT_TRUE(near(fixed.pixel({151, 176}), QColor(40, 200, 40)));
    EXPECT_TRUE(near(fixed.pixel({148, 176}), Qt::black));

    fixed.view.setDeviceRatio(2.0);
    EXPECT_EQ(fixed.view.imageRect(), QRectF(175, 188, 50, 25)); // widget y = 400 − 187 − 25
}

TEST(MCBitmapView, LaysTheBackgroundOnlyUnderBitmapsWithAlpha)
{
    FixedView<MCBitmapView> fixed;
    fixed.view.setBackgroundColor(QColor(0, 0, 255));
    // Transparent pixels show the background.
    fixed.view.setBitmap(solidBitmap(100, 50, QColor(255, 0, 0, 0)));
    EXPECT_TRUE(near(fixed.pixel({200, 200}), QColor(0, 0, 255)));
    EXPECT_TRUE(near(fixed.pixel({100, 100}), Qt::black)); // outside the picture nothing is laid
    // Without alpha the fourth byte is padding: the colours show, never the background.
    fixed.view.setBitmap(solidBitmap(100, 50, QColor(255, 0, 0, 0), kCGImageAlphaNoneSkipLast));
    EXPECT_TRUE(near(fixed.pixel({200, 200}), QColor(255, 0, 0)));

    // The chessboard has two grays.
    fixed.view.setBackgroundColor(MCPreviewChessboardBrush());
    fixed.view.setBitmap(solidBitmap(400, 400, QColor(0, 0, 0, 0)));
    const QColor a = fixed.pixel({2, 2}), b = fixed.pixel({10, 2});
    EXPECT_FALSE(near(a, b, 20));
    EXPECT_EQ(a.red(), a.blue());
}

TEST(MCPreviewBitmapView, WheelZoomsInStepsTowardThePointer)
{
    FixedView<MCPreviewBitmapView> fixed;
    MCPreviewBitmapView &view = fixed.view;
    view.setBitmap(solidBitmap(2000, 1500, Qt::gray));
    EXPECT_EQ(view.zoom(), 1.0);

    sendWheel(view, {300, 200}, -120); // out from 1: nothing
    EXPECT_EQ(view.zoom(), 1.0);
    EXPECT_EQ(view.location(), QPointF(0, 0));

    // The pointer three quarters across and halfway up the picture.
    sendWheel(view, {300, 200}, 120);
    EXPECT_NEAR(view.zoom(), kRoot2, 1e-9);
    EXPECT_EQ(view.location(), QPointF(0.25, 0));
    for (int i = 0; i < 4; ++i)
        sendWheel(view, {200, 200}, 120);
    EXPECT_EQ(view.zoom(), 4.0);

    // A touchpad's fine deltas add up to one step.
    view.setZoom(1.0);
    sendWheel(view, {200, 200}, 40);
    sendWheel(view, {200, 200}, 40);
    EXPECT_EQ(view.zoom(), 1.0);
    sendWheel(view, {200, 200}, 40);
    EXPECT_NEAR(view.zoom(), kRoot2, 1e-9);
}

TEST(MCPreviewBitmapView, PinchZoomsOneStepPastHalfAMagnification)
{
    FixedView<MCPreviewBitmapView> fixed;
    MCPreviewBitmapView &view = fixed.view;
    view.setBitmap(solidBitmap(2000, 1500, Qt::gray));
    sendPinch(view, {200, 200}, Qt::BeginNativeGesture, 0);
    sendPinch(view, {200, 200}, Qt::ZoomNativeGesture, 0.3);
    EXPECT_EQ(view.zoom(), 1.0);
    sendPinch(view, {200, 200}, Qt::ZoomNativeGesture, 0.3);
    EXPECT_NEAR(view.zoom(), kRoot2, 1e-9);
    sendPinch(view, {200, 200}, Qt::ZoomNativeGesture, 0.6);
    EXPECT_NEAR(view.zoom(), 2.0, 1e-9);
    sendPinch(view, {200, 200}, Qt::ZoomNativeGesture, -0.6);
    EXPECT_NEAR(view.zoom(), kRoot2, 1e-9);
    // A new gesture starts from nothing.
    sendPinch(view, {200, 200}, Qt::ZoomNativeGesture, 0.4);
    sendPinch(view, {200, 200}, Qt::EndNativeGesture, 0);
    sendPinch(view, {200, 200}, Qt::ZoomNativeGesture, 0.4);
    EXPECT_NEAR(view.zoom(), kRoot2, 1e-9);
}

TEST(MCPreviewBitmapView, DraggingPansOnlyAZoomedPicture)
{
    FixedView<MCPreviewBitmapView> fixed;
    MCPreviewBitmapView &view = fixed.view;
    view.setBitmap(solidBitmap(2000, 1500, Qt::gray));
    drag(view, {100, 200}, {300, 200});
    EXPECT_EQ(view.location(), QPointF(0, 0)); // zoom 1: no panning

    // Zoom 2: 800 × 600, excess 400 × 200. Right by the whole excess: from one edge to the other.
    view.setZoom(2.0);
    view.setLocation({0.5, 0});
    EXPECT_EQ(view.imageRect(), QRectF(-400, -100, 800, 600));
    drag(view, {0, 200}, {400, 200});
    EXPECT_EQ(view.location(), QPointF(-0.5, 0));
    EXPECT_EQ(view.imageRect(), QRectF(0, -100, 800, 600));
    drag(view, {0, 200}, {100, 200});
    EXPECT_EQ(view.location(), QPointF(-0.5, 0));
    // Down on the screen by the whole height excess brings the top edge into view.
    drag(view, {200, 0}, {200, 200});
    EXPECT_EQ(view.location(), QPointF(-0.5, 0.5));
    EXPECT_EQ(view.imageRect(), QRectF(0, 0, 800, 600));

    view.setLocation({3, -3}); // clamped on every set
    EXPECT_EQ(view.location(), QPointF(0.5, -0.5));
}

TEST(MCPreviewBitmapView, KeysZoomAndPan)
{
    FixedView<MCPreviewBitmapView> fixed;
    MCPreviewBitmapView &view = fixed.view;
    EXPECT_EQ(view.focusPolicy(), Qt::StrongFocus);
    EXPECT_FALSE(view.accessibleName().isEmpty());
    view.setBitmap(solidBitmap(2000, 1500, Qt::gray));
    auto key = [&](int code) {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    };
    key(Qt::Key_Plus);
    EXPECT_NEAR(view.zoom(), kRoot2, 1e-9);
    key(Qt::Key_Right);
    EXPECT_NEAR(view.location().x(), 0.1, 1e-9);
    key(Qt::Key_Minus);
    EXPECT_EQ(view.zoom(), 1.0);
    key(Qt::Key_Plus);
    key(Qt::Key_0);
    EXPECT_EQ(view.zoom(), 1.0);
    EXPECT_EQ(view.location(), QPointF(0, 0));
}
