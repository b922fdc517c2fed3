// Filtering a library of 50,000 photos through a typical filter panel predicate: captured
// within the last 3 years, JPEG or RAW, larger than 1.5 MB and with a keyword containing
// "beach". The files are empty files on disk with capture dates, types and keywords spread
// over them; sizes come from the file system (0), so the size row fails and every other row
// is evaluated only while the earlier ones pass, as in the browser.
#include "app/library/MCFileContainer.h"
#include "app/library/MCFilterPredicate.h"
#include "bench/BenchMain.h"
#include "platform/imageio/MCImageProperties.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kFiles = 50000;

const QList<MCGroupItemPtr> &library()
{
    static QTemporaryDir folder;
    static const QList<MCGroupItemPtr> files = [] {
        const char *const extensions[] = {"jpg", "png", "tiff", "heic"};
        const char *const keywords[] = {"beach", "family", "city", "Beach house"};
        QList<MCGroupItemPtr> list;
        quint32 state = 2024;
        const auto next = [&state](quint32 n) {
            state = state * 1664525u + 1013904223u;
            return (state >> 8) % n;
        };
        const int thisYear = QDate::currentDate().year();
        for (int i = 0; i < kFiles; ++i) {
            const QString path = QDir(folder.path()).filePath(QStringLiteral("IMG_%1.%2").arg(i).arg(extensions[next(4)]));
            QFile(path).open(QIODevice::WriteOnly);
            auto file = MCFileContainer::newFileWithURL(path);
            file->reloadFileInfo();
            const QString date = QStringLiteral("%1:%2:%3 %4:00:00")
                                     .arg(thisYear - 6 + int(next(7)))
                                     .arg(1 + next(12), 2, 10, QLatin1Char('0'))
                                     .arg(1 + next(28), 2, 10, QLatin1Char('0'))
                                     .arg(next(24), 2, 10, QLatin1Char('0'));
            QVariantMap properties = {
                {kCGImagePropertyPixelWidth, 1000 + int(next(5000))},
                {kCGImagePropertyPixelHeight, 1000 + int(next(4000))},
                {kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, date}}},
            };
            if (next(2))
                properties.insert(kCGImagePropertyIPTCDictionary,
                                  QVariantMap{{kCGImagePropertyIPTCKeywords,
                                               QStringList{keywords[next(4)], keywords[next(4)]}}});
            file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
            file->reloadCaptureDate();
            list.append(file);
        }
        return list;
    }();
    return files;
}

MCFilterPredicatePtr typicalPredicate(bool withSize)
{
    using namespace MCFilterRowPredicates;
    const QDateTime now = QDateTime::currentDateTime();
    QList<MCFilterPredicatePtr> rows = {
        datePredicate(QStringLiteral("filteredCaptureDate"), MCDateRowWithinLast, QStringLiteral("3"), 3, {}, now),
        fileTypePredicate(QString(), MCEqualToPredicateOperatorType, 2, 0),
        keywordsPredicate(MCContainsPredicateOperatorType, QStringLiteral("beach"), MCCaseInsensitivePredicateOption),
    };
    if (withSize)
        rows.insert(2, fileSizePredicate(QStringLiteral("filteredFileSize"), MCGreaterThanPredicateOperatorType,
                                         QStringLiteral("1.5"), 2, 0));
    return MCFilterPredicate::andPredicate(rows);
}

// range(0): 0 without the size row (date, type, keyword), 1 with it.
void BM_FilterLibrary(benchmark::State &state)
{
    const QList<MCGroupItemPtr> &files = library();
    const MCFilterPredicatePtr predicate = typicalPredicate(state.range(0) != 0);
    state.SetLabel(predicate->description().left(60).toStdString());
    qint64 passed = 0;
    for (auto _ : state) {
        passed = 0;
        for (const MCGroupItemPtr &file : files)
            passed += predicate->evaluate(*file);
        benchmark::DoNotOptimize(passed);
    }
    state.counters["passed"] = double(passed);
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FilterLibrary)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()
