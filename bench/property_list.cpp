// Costs of the settings layer: reading and writing a preset-sized XML property list (a list of
// forty stage dictionaries), and announcing a changed value with and without an observer.
#include "platform/core/MCObservable.h"
#include "platform/core/MCPropertyList.h"

#include <benchmark/benchmark.h>

namespace {

QVariantMap presetSizedDictionary()
{
    QVariantList stages;
    for (int i = 0; i < 40; ++i) {
        stages.append(QVariantMap{{QStringLiteral("stageID"), qint64(i)},
                                  {QStringLiteral("stageIsActive"), true},
                                  {QStringLiteral("stageIsExpanded"), i % 2 == 0},
                                  {QStringLiteral("gamma"), 1.8 + i / 100.0},
                                  {QStringLiteral("text"), QStringLiteral("© <Photographer> & Co. %1").arg(i)},
                                  {QStringLiteral("color"), QByteArray(64, char(i))}});
    }
    return {{QStringLiteral("name"), QStringLiteral("Web export")}, {QStringLiteral("stages"), stages}};
}

void BM_WritePropertyList(benchmark::State &state)
{
    const QVariantMap preset = presetSizedDictionary();
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray data = platform::dataFromPropertyList(preset);
        bytes += data.size();
        benchmark::DoNotOptimize(data.constData());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WritePropertyList);

void BM_ReadPropertyList(benchmark::State &state)
{
    const QByteArray data = platform::dataFromPropertyList(presetSizedDictionary());
    for (auto _ : state) {
        const QVariant value = platform::propertyListFromData(data);
        benchmark::DoNotOptimize(value.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * data.size());
}
BENCHMARK(BM_ReadPropertyList);

class Setting : public MCObservable
{
public:
    QVariant valueForKey(const QString &key) const override
    {
        return key == QLatin1String("value") ? QVariant(value) : MCObservable::valueForKey(key);
    }
    void setValue(double v) { changeValueForKey(QStringLiteral("value"), value, v); }
    double value = 0;
};

// range(0): number of observers of the changed key (0 = nobody listens).
void BM_ChangeObservedValue(benchmark::State &state)
{
    Setting setting;
    std::vector<MCObservation> tokens;
    double sum = 0;
    for (int i = 0; i < state.range(0); ++i) {
        tokens.push_back(setting.observe(QStringLiteral("value"), [&sum](MCObservable &, const QString &,
                                                                         const MCKeyValueChange &change) {
            sum += change.newValue.toDouble();
        }));
    }
    double v = 0;
    for (auto _ : state)
        setting.setValue(v += 1);
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_ChangeObservedValue)->Arg(0)->Arg(1)->Arg(8);

} // namespace

BENCHMARK_MAIN();
