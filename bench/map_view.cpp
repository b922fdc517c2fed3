// The offline map's full repaint: the world drawn into a palette-sized picture (520 × 400) at
// the widest zoom (the whole world, coarse outlines, three copies side by side) and at the
// closest (Europe, medium outlines culled to what the view shows), in both styles. One repaint
// should stay well under a frame (aim: 8 ms).
#include "BenchMain.h"
#include "platform/map/MCWorldMap.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void BM_RepaintWorld(benchmark::State &state)
{
    const std::shared_ptr<const MCWorldMap> world = MCWorldMap::sharedWorld();
    if (!world) {
        state.SkipWithError("the world map was not found; set QUILLONX_RESOURCES");
        return;
    }
    const double zoom = double(state.range(0));
    const qint64 mapType = state.range(1);
    // Paris at the closest zoom: the densest coastlines and borders of the medium scale.
    const MCMapViewport viewport{zoom > 0 ? CLLocationCoordinate2DMake(48.85, 2.35) : CLLocationCoordinate2D{}, zoom,
                                 QSizeF(520, 400)};
    const MCMapStyle style = MCMapStyleForMapType(mapType);
    QImage image(520, 400, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        MCWorldMapDraw(painter, world.get(), viewport, style);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RepaintWorld)
    ->ArgNames({"zoom", "type"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({4, 0})
    ->Args({8, 0})
    ->Args({8, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()
