// Cost of a text watermark the way the text stage draws it on a full-size photo: a line of text
// with outline and drop shadow, turned and tiled over a 24-megapixel photo, 8-bit and float;
// and, as its floor, the same text drawn once.
#include "app/engine/bitmap/MCBitmap.h"
#include "bench/BenchMain.h"
#include "bench/BenchPhotos.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using bench::kHeight;
using bench::kWidth;

std::unique_ptr<MCBitmap> photo(bool isFloat) { return bench::noisePhoto(isFloat); }

// The text stage's defaults for a 6000 × 4000 photo: 7 % of the smaller side, white at 75 %
// opacity, a black shadow of 3 % blur at 4 % distance, here with a 3 % outline.
MCAttributedString watermarkText(double points)
{
    MCTextAttributes attributes;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    attributes.font = font;
    attributes.foregroundColor = Qt::white;
    attributes.strokeColor = Qt::black;
    attributes.strokeWidth = points * 0.03;
    MCAttributedString text;
    text.append(QStringLiteral("\u00a9 2026 Quillon X"), attributes);
    return text;
}

MCShadow shadow(double points)
{
    MCShadow s;
    s.shadowColor = QColor::fromRgbF(0, 0, 0, 0.75);
    s.shadowBlurRadius = points * 0.03;
    s.shadowOffset = QSizeF(points * 0.04 * 0.5, -points * 0.04 * 0.866);
    return s;
}

// Arguments: float (0 or 1), tiled (0 or 1).
void BM_TextWatermark24MP(benchmark::State &state)
{
    const bool isFloat = state.range(0) == 1, tiled = state.range(1) == 1;
    auto bitmap = photo(isFloat);
    const double points = 0.07 * double(kHeight);
    const MCAttributedString text = watermarkText(points);
    const MCShadow s = shadow(points);
    for (auto _ : state)
        benchmark::DoNotOptimize(bitmap->drawText(text, 0.75, s, 10, QPointF(120, 80), tiled ? 30 : 0, tiled,
                                                  QPointF(120, 80), false, 1));
    state.SetItemsProcessed(int64_t(state.iterations() * kWidth * kHeight));
}
BENCHMARK(BM_TextWatermark24MP)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv); // fonts need the GUI application
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    return bench::runRegistered(argc, argv);
}
