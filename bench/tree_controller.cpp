// Tree controller: updating 1,000 changed items in a tree of 100,000 grouped by two rules
// (about 1,000 day groups, each split by six ratings), and inserting then removing 1,000.
#include "halvard/collections/MCTreeController.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using Node = MCTreeNode<int>;
using NodePtr = std::shared_ptr<Node>;

struct Values
{
    std::vector<int> day, rating;
};

class KeyNode : public Node
{
public:
    int key = 0;
};

class KeyRule : public MCTreeBuilderRule<int>
{
public:
    KeyRule(const std::vector<int> *key) : m_key(key) {}
    NodePtr newNode() const override { return std::make_shared<KeyNode>(); }
    NodePtr nodeWithItems(const QList<int> &items) const override
    {
        NodePtr node = MCTreeBuilderRule<int>::nodeWithItems(items);
        static_cast<KeyNode &>(*node).key = (*m_key)[items.first()];
        return node;
    }
    MCComparisonResult compare(const int &a, const int &b) const override { return order((*m_key)[a], (*m_key)[b]); }
    MCComparisonResult compareNode(const Node &a, const Node &b) const override
    {
        return order(static_cast<const KeyNode &>(a).key, static_cast<const KeyNode &>(b).key);
    }

private:
    static MCComparisonResult order(int x, int y)
    {
        return x < y ? MCOrderedAscending : x > y ? MCOrderedDescending : MCOrderedSame;
    }
    const std::vector<int> *m_key;
};

class CountingDelegate : public MCTreeControllerDelegate<int>
{
public:
    qint64 calls = 0;
    void controllerWillChangeContent(MCTreeController<int> *) override {}
    void controllerDidInsertNodes(MCTreeController<int> *, const QList<NodePtr> &, const MCIndexSet &, const NodePtr &) override { ++calls; }
    void controllerDidRemoveNodes(MCTreeController<int> *, const QList<NodePtr> &, const MCIndexSet &, const NodePtr &) override { ++calls; }
    void controllerDidInsertItems(MCTreeController<int> *, const QList<int> &, const MCIndexSet &, const NodePtr &) override { ++calls; }
    void controllerDidRemoveItems(MCTreeController<int> *, const QList<int> &, const MCIndexSet &, const NodePtr &) override { ++calls; }
    void controllerDidChangeContent(MCTreeController<int> *) override {}
};

constexpr int kItems = 100000;
constexpr int kChanged = 1000;

struct Fixture
{
    Values values;
    std::shared_ptr<MCTreeBuilder<int>> builder;
    std::unique_ptr<MCTreeController<int>> controller;
    CountingDelegate delegate;
    QList<int> changed;

    explicit Fixture(int total)
    {
        std::mt19937 random(7);
        values.day.resize(total + kChanged);
        values.rating.resize(total + kChanged);
        for (int i = 0; i < total + kChanged; ++i) {
            values.day[i] = int(random() % 1000);
            values.rating[i] = int(random() % 6);
        }
        builder = std::make_shared<MCTreeBuilder<int>>(QList<std::shared_ptr<MCTreeBuilderRule<int>>>{
            std::make_shared<KeyRule>(&values.day), std::make_shared<KeyRule>(&values.rating)});
        QList<int> items(total);
        for (int i = 0; i < total; ++i)
            items[i] = i;
        controller = std::make_unique<MCTreeController<int>>(builder, items);
        controller->setDelegate(&delegate);
        for (int k = 0; k < kChanged; ++k)
            changed.append(int(random() % total));
        changed.removeIf([seen = std::unordered_set<int>()](int i) mutable { return !seen.insert(i).second; });
    }
};

void BM_UpdateChangedItems(benchmark::State &state)
{
    Fixture f(kItems);
    std::mt19937 random(11);
    for (auto _ : state) {
        // Each changed photo moves to another day (and some to another rating).
        for (int i : f.changed) {
            f.values.day[i] = int(random() % 1000);
            f.values.rating[i] = int(random() % 6);
        }
        f.controller->updateItems(f.changed);
    }
    state.counters["delegate calls/batch"] = double(f.delegate.calls) / double(state.iterations());
}
BENCHMARK(BM_UpdateChangedItems)->Unit(benchmark::kMillisecond);

void BM_InsertThenRemoveItems(benchmark::State &state)
{
    Fixture f(kItems);
    QList<int> fresh;
    for (int i = kItems; i < kItems + kChanged; ++i)
        fresh.append(i);
    for (auto _ : state) {
        f.controller->insertItems(fresh);
        f.controller->removeItems(fresh);
    }
}
BENCHMARK(BM_InsertThenRemoveItems)->Unit(benchmark::kMillisecond);

void BM_BuildTree(benchmark::State &state)
{
    for (auto _ : state) {
        Fixture f(kItems);
        benchmark::DoNotOptimize(f.controller->root());
    }
}
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
