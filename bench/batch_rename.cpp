// Cost of naming a selection with the batch renamer: 10,000 library files with camera
// metadata named by a pattern of a capture date, camera and IPTC texts and a counter, on
// one thread and split over four (as preview tables on their own queues do), with and
// without a converter predicting size, resolution and extension.
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFile.h"
#include "app/library/MCFileContainer.h"
#include "bench/BenchMain.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

constexpr int kFileCount = 10'000;

struct Fixture
{
    Fixture()
    {
        defaults = std::make_unique<MCUserDefaults>(folder.filePath(QStringLiteral("Preferences.plist")));
        QVariantMap registered = MCBitmapConverter::userDefaultsDictionary();
        registered.insert(kMCShouldAutorotateKey, true);
        defaults->registerDefaults(registered);
        renamer = std::make_unique<MCBatchRenamer>(defaults.get());
        converter = std::make_unique<MCBitmapConverter>(defaults.get());
        converter->setImageFormat(MCImageFormatPNG);

        for (int i = 0; i < kFileCount; ++i) {
            auto file = MCFileContainer::newFileWithURL(QStringLiteral("/Photos/Day %1/IMG_%2.JPG").arg(i / 500).arg(i, 4, 10, QLatin1Char('0')));
            file->fileInfo().reloadAllPropertiesFromImageInfo({
                {kCGImagePropertyPixelWidth, 6000},
                {kCGImagePropertyPixelHeight, 4000},
                {kCGImagePropertyOrientation, i % 3 ? 1 : 6},
                {kCGImagePropertyDPIWidth, 300.0},
                {kCGImagePropertyExifDictionary,
                 QVariantMap{{kCGImagePropertyExifDateTimeOriginal,
                              QStringLiteral("2021:05:%1 10:%2:%3").arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                  .arg(i % 60, 2, 10, QLatin1Char('0')).arg((i * 7) % 60, 2, 10, QLatin1Char('0'))}}},
                {kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFModel, QStringLiteral("EOS R5")}}},
                {kCGImagePropertyExifAuxDictionary,
                 QVariantMap{{kCGImagePropertyExifAuxLensModel, QStringLiteral("RF 24-70mm f/2.8L")}}},
                {kCGImagePropertyIPTCDictionary,
                 QVariantMap{{kCGImagePropertyIPTCKeywords, QStringList{"travel", "coast"}},
                             {kCGImagePropertyIPTCCity, QStringLiteral("Bergen")}}},
            });
            file->reloadCaptureDate();
            files.append(file);
        }
        const auto token = [](quint64 kind, const QVariantMap &settings = {}) {
            return MCBatchRenameElement(MCBatchRenameToken(kind, settings));
        };
        const auto text = [](const char *literal) { return MCBatchRenameElement(QVariant(QString::fromUtf8(literal))); };
        metadataPattern = MCBatchRenameSettings({
            token(MCBatchRenameTokenKindCaptureDate, {{kMCRenameDateFormatIDKey, 5}, {kMCRenameTimeFormatIDKey, 9}}),
            text("_"), token(MCBatchRenameTokenKindCameraModel, {{kMCRenameCaseKindKey, 2}}),
            text("_"), token(MCBatchRenameTokenKindLensModel),
            text("_"), token(MCBatchRenameTokenKindKeywords),
            text("_"), token(MCBatchRenameTokenKindIPTCCity),
            text("_"), token(MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, 1}, {kMCRenameNumberOfDigitsKey, 5}}),
        });
        predictedPattern = metadataPattern;
        predictedPattern.tokens() << text("_") << token(MCBatchRenameTokenKindImageWidth) << text("x")
                                  << token(MCBatchRenameTokenKindImageHeight) << text("_")
                                  << token(MCBatchRenameTokenKindImageDPI);
    }

    QTemporaryDir folder;
    std::unique_ptr<MCUserDefaults> defaults;
    std::unique_ptr<MCBatchRenamer> renamer;
    std::unique_ptr<MCBitmapConverter> converter;
    QList<std::shared_ptr<MCFile>> files;
    MCBatchRenameSettings metadataPattern;
    MCBatchRenameSettings predictedPattern;
};

Fixture &fixture()
{
    static Fixture shared;
    return shared;
}

// Each of the benchmark's threads names its own share of the 10,000 files, so one
// iteration names the whole selection however many threads share it.
void nameSelection(benchmark::State &state, bool withConverter)
{
    Fixture &f = fixture();
    const int share = kFileCount / state.threads();
    const QList<std::shared_ptr<MCFile>> mine = f.files.mid(qsizetype(state.thread_index()) * share, share);
    const MCBatchRenameSettings &pattern = withConverter ? f.predictedPattern : f.metadataPattern;
    const MCBitmapConverter *converter = withConverter ? f.converter.get() : nullptr;
    for (auto _ : state) {
        const std::optional<QStringList> names = f.renamer->provideNamesForItems(mine, pattern, converter);
        benchmark::DoNotOptimize(names->constData());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * share);
}

void BM_NameSelection(benchmark::State &state) { nameSelection(state, false); }
BENCHMARK(BM_NameSelection)->Threads(1)->Threads(4)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_NameSelectionWithConverter(benchmark::State &state) { nameSelection(state, true); }
BENCHMARK(BM_NameSelectionWithConverter)->Threads(1)->Threads(4)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    fixture(); // built before the timed threads start
    return bench::runRegistered(argc, argv);
}
