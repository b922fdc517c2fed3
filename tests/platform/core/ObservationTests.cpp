#include "platform/core/MCObservable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// A small observable model: two numbers, a derived area, a derived label derived from the area,
// and a to-many list.
class Sheet : public MCObservable
{
public:
    Sheet()
    {
        addDependentKey(QStringLiteral("area"), {QStringLiteral("width"), QStringLiteral("height")});
        addDependentKey(QStringLiteral("label"), {QStringLiteral("area")});
    }

    QVariant valueForKey(const QString &key) const override
    {
        if (key == QLatin1String("width"))
            return width;
        if (key == QLatin1String("height"))
            return height;
        if (key == QLatin1String("area"))
            return width * height;
        if (key == QLatin1String("label"))
            return QStringLiteral("%1 px").arg(width * height);
        if (key == QLatin1String("items"))
            return items;
        return MCObservable::valueForKey(key);
    }

    void setValueForKey(const QString &key, const QVariant &value) override
    {
        if (key == QLatin1String("width")) {
            if (!value.isValid())
                return setNilValueForKey(key);
            return setWidth(value.toLongLong());
        }
        MCObservable::setValueForKey(key, value);
    }

    void setWidth(qint64 value) { changeValueForKey(QStringLiteral("width"), width, value); }
    void setHeight(qint64 value) { changeValueForKey(QStringLiteral("height"), height, value); }
    void setItems(const QVariantList &value) { changeValueForKey(QStringLiteral("items"), items, value); }

    void append(const QVariantList &values)
    {
        QList<qint64> indexes;
        for (qsizetype i = 0; i < values.size(); ++i)
            indexes.append(items.size() + i);
        willChange(MCKeyValueChangeKind::Insertion, indexes, QStringLiteral("items"));
        items += values;
        didChange(MCKeyValueChangeKind::Insertion, indexes, QStringLiteral("items"));
    }

    void removeAt(const QList<qint64> &indexes)
    {
        willChange(MCKeyValueChangeKind::Removal, indexes, QStringLiteral("items"));
        for (auto it = indexes.crbegin(); it != indexes.crend(); ++it)
            items.removeAt(*it);
        didChange(MCKeyValueChangeKind::Removal, indexes, QStringLiteral("items"));
    }

    void replaceAt(qint64 index, const QVariant &value)
    {
        willChange(MCKeyValueChangeKind::Replacement, {index}, QStringLiteral("items"));
        items[index] = value;
        didChange(MCKeyValueChangeKind::Replacement, {index}, QStringLiteral("items"));
    }

    qint64 width = 2;
    qint64 height = 3;
    QVariantList items;
};

struct Notice
{
    QString key;
    MCKeyValueChange change;
};

// Collects the notices a callback receives.
struct Recorder
{
    std::vector<Notice> notices;
    MCObserverCallback callback()
    {
        return [this](MCObservable &, const QString &key, const MCKeyValueChange &change) {
            notices.push_back({key, change});
        };
    }
};

} // namespace

TEST(Observation, SettingAValueNotifiesWithTheValuesAskedFor)
{
    Sheet sheet;
    Recorder both, newOnly, prior;
    MCObservation a = sheet.observe(QStringLiteral("width"), both.callback());
    MCObservation b = sheet.observe(QStringLiteral("width"), newOnly.callback(),
                                    MCKeyValueObservingOptionNew | MCKeyValueObservingOptionInitial);
    MCObservation c = sheet.observe(QStringLiteral("width"), prior.callback(),
                                    MCKeyValueObservingOptionOld | MCKeyValueObservingOptionPrior);
    ASSERT_EQ(newOnly.notices.size(), 1u); // the initial notice
    EXPECT_EQ(newOnly.notices[0].change.newValue, QVariant(qint64(2)));
    EXPECT_FALSE(newOnly.notices[0].change.oldValue.isValid());

    sheet.setValueForKey(QStringLiteral("width"), qint64(5));
    sheet.setWidth(5); // unchanged: no notice
    sheet.setHeight(7); // another key
    ASSERT_EQ(both.notices.size(), 1u);
    EXPECT_EQ(both.notices[0].key, QStringLiteral("width"));
    EXPECT_EQ(both.notices[0].change.kind, MCKeyValueChangeKind::Setting);
    EXPECT_EQ(both.notices[0].change.oldValue, QVariant(qint64(2)));
    EXPECT_EQ(both.notices[0].change.newValue, QVariant(qint64(5)));
    EXPECT_TRUE(both.notices[0].change.indexes.isEmpty());
    ASSERT_EQ(newOnly.notices.size(), 2u);
    EXPECT_FALSE(newOnly.notices[1].change.oldValue.isValid());
    EXPECT_EQ(newOnly.notices[1].change.newValue, QVariant(qint64(5)));
    // The prior notice comes first and carries the old value only.
    ASSERT_EQ(prior.notices.size(), 2u);
    EXPECT_TRUE(prior.notices[0].change.isPrior);
    EXPECT_EQ(prior.notices[0].change.oldValue, QVariant(qint64(2)));
    EXPECT_FALSE(prior.notices[1].change.isPrior);
    EXPECT_FALSE(prior.notices[1].change.newValue.isValid());
    EXPECT_EQ(sheet.valueForKey(QStringLiteral("width")), QVariant(qint64(5)));

    // Nested announcements of one key pair up innermost first.
    both.notices.clear();
    sheet.willChangeValueForKey(QStringLiteral("width"));
    sheet.width = 6;
    sheet.willChangeValueForKey(QStringLiteral("width"));
    sheet.width = 7;
    sheet.didChangeValueForKey(QStringLiteral("width"));
    sheet.didChangeValueForKey(QStringLiteral("width"));
    ASSERT_EQ(both.notices.size(), 2u);
    EXPECT_EQ(both.notices[0].change.oldValue, QVariant(qint64(6)));
    EXPECT_EQ(both.notices[1].change.oldValue, QVariant(qint64(5)));
}

TEST(Observation, ToManyChangesCarryKindElementsAndIndexes)
{
    Sheet sheet;
    sheet.items = {QStringLiteral("a")};
    Recorder recorder;
    MCObservation token = sheet.observe(QStringLiteral("items"), recorder.callback());

    sheet.append({QStringLiteral("b"), QStringLiteral("c")});
    sheet.removeAt({0, 2});
    sheet.replaceAt(0, QStringLiteral("B"));
    sheet.setItems({QStringLiteral("x")});

    struct Expected {
        MCKeyValueChangeKind kind;
        QVariant oldValue;
        QVariant newValue;
        QList<qint64> indexes;
    };
    const Expected expected[] = {
        {MCKeyValueChangeKind::Insertion, {}, QVariantList{QStringLiteral("b"), QStringLiteral("c")}, {1, 2}},
        {MCKeyValueChangeKind::Removal, QVariantList{QStringLiteral("a"), QStringLiteral("c")}, {}, {0, 2}},
        {MCKeyValueChangeKind::Replacement, QVariantList{QStringLiteral("b")}, QVariantList{QStringLiteral("B")}, {0}},
        {MCKeyValueChangeKind::Setting, QVariantList{QStringLiteral("B")}, QVariantList{QStringLiteral("x")}, {}},
    };
    ASSERT_EQ(recorder.notices.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const MCKeyValueChange &change = recorder.notices[i].change;
        EXPECT_EQ(change.kind, expected[i].kind) << i;
        EXPECT_EQ(change.oldValue, expected[i].oldValue) << i;
        EXPECT_EQ(change.newValue, expected[i].newValue) << i;
        EXPECT_EQ(change.indexes, expected[i].indexes) << i;
    }
}

TEST(Observation, DerivedKeysAnnounceTheChangesOfTheirSources)
{
    Sheet sheet;
    // A cycle in the declarations must not loop.
    sheet.addDependentKey(QStringLiteral("width"), {QStringLiteral("label")});
    Recorder area, label, both;
    MCObservation a = sheet.observe(QStringLiteral("area"), area.callback());
    MCObservation b = sheet.observe(QStringLiteral("label"), label.callback());
    const auto tokens = sheet.observeKeys({QStringLiteral("width"), QStringLiteral("label")}, both.callback());
    EXPECT_TRUE(sheet.hasObservers(QStringLiteral("height")));
    EXPECT_FALSE(sheet.hasObservers(QStringLiteral("items")));

    sheet.setWidth(4);
    sheet.setHeight(10);
    ASSERT_EQ(area.notices.size(), 2u);
    EXPECT_EQ(area.notices[0].change.oldValue, QVariant(qint64(6)));
    EXPECT_EQ(area.notices[0].change.newValue, QVariant(qint64(12)));
    EXPECT_EQ(area.notices[1].change.newValue, QVariant(qint64(40)));
    ASSERT_EQ(label.notices.size(), 2u);
    EXPECT_EQ(label.notices[1].change.oldValue, QVariant(QStringLiteral("12 px")));
    EXPECT_EQ(label.notices[1].change.newValue, QVariant(QStringLiteral("40 px")));
    std::vector<QString> keys;
    for (const Notice &notice : both.notices)
        keys.push_back(notice.key);
    // The height change reaches "width" too, through the declared cycle label -> width.
    EXPECT_EQ(keys, (std::vector<QString>{QStringLiteral("width"), QStringLiteral("label"), QStringLiteral("label"),
                                          QStringLiteral("width")}));
}

TEST(Observation, RegistrationsEndWithTheirTokenEvenDuringANotice)
{
    Sheet sheet;
    int first = 0, second = 0, late = 0;
    MCObservation secondToken;
    MCObservation lateToken;
    MCObservation firstToken = sheet.observe(QStringLiteral("width"), [&](MCObservable &object, const QString &,
                                                                          const MCKeyValueChange &) {
        ++first;
        secondToken.invalidate(); // removes an observer that would be called next
        firstToken.invalidate();  // and itself, while its callback runs
        lateToken = object.observe(QStringLiteral("width"), [&](MCObservable &, const QString &,
                                                                const MCKeyValueChange &) { ++late; });
    });
    secondToken = sheet.observe(QStringLiteral("width"), [&](MCObservable &, const QString &,
                                                            const MCKeyValueChange &) { ++second; });
    sheet.setWidth(10);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(late, 0); // added during the notice: sees only later changes
    EXPECT_FALSE(firstToken.isActive());
    sheet.setWidth(11);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(late, 1);

    // Moving a token keeps the registration; assigning over one ends the old registration.
    MCObservation moved = std::move(lateToken);
    EXPECT_FALSE(lateToken.isActive());
    EXPECT_TRUE(moved.isActive());
    EXPECT_EQ(moved.key(), QStringLiteral("width"));
    EXPECT_EQ(moved.object(), &sheet);
    moved = MCObservation();
    sheet.setWidth(12);
    EXPECT_EQ(late, 1);
    EXPECT_FALSE(sheet.hasObservers(QStringLiteral("width")));
}

TEST(Observation, TokensOutliveTheObjectAndCopiesStartUnobserved)
{
    int calls = 0;
    MCObservation token;
    {
        auto sheet = std::make_unique<Sheet>();
        token = sheet->observe(QStringLiteral("width"),
                               [&](MCObservable &, const QString &, const MCKeyValueChange &) { ++calls; });
        Sheet copy(*sheet);
        copy.setWidth(9);
        EXPECT_EQ(calls, 0);
        *sheet = copy; // assignment keeps the target's observers
        sheet->setWidth(8);
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(token.isActive());
    }
    EXPECT_FALSE(token.isActive());
    EXPECT_EQ(token.object(), nullptr);
    token.invalidate();
    token.invalidate();
}

TEST(Observation, KeyValueCodingFailuresThrowThePlatformMessages)
{
    Sheet sheet;
    struct Case {
        const char *name;
        std::function<void()> call;
        const char *message;
    };
    const Case cases[] = {
        {"unknown key read", [&] { (void)sheet.valueForKey(QStringLiteral("depth")); },
         "valueForUndefinedKey:]: this class is not key value coding-compliant for the key depth."},
        {"unknown key write", [&] { sheet.setValueForKey(QStringLiteral("depth"), 1); },
         "setValue:forUndefinedKey:]: this class is not key value coding-compliant for the key depth."},
        {"nil for a number", [&] { sheet.setValueForKey(QStringLiteral("width"), QVariant()); },
         "setNilValueForKey]: could not set nil as the value for the key width."},
    };
    for (const Case &c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const std::invalid_argument &e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("[<"), std::string::npos) << c.name;
            EXPECT_NE(std::string(e.what()).find("Sheet>"), std::string::npos) << c.name << ": " << e.what();
        }
    }
    EXPECT_THROW(sheet.observe(QStringLiteral("width"), nullptr), std::invalid_argument);
}

TEST(Observation, NotifiesOnTheChangingThreadWhileOthersRegister)
{
    constexpr int kThreads = 4;
    constexpr int kChanges = 2000;
    struct Counter : MCObservable
    {
        std::atomic<qint64> values[kThreads] = {};
        QVariant valueForKey(const QString &key) const override { return values[key.toInt()].load(); }
        void bump(int slot)
        {
            const QString key = QString::number(slot);
            willChangeValueForKey(key);
            ++values[slot];
            didChangeValueForKey(key);
        }
    } counter;

    std::vector<int> seen(kThreads, 0);
    std::vector<bool> rightThread(kThreads, true);
    std::vector<bool> rightValues(kThreads, true);
    std::vector<std::thread::id> threadIds(kThreads);
    std::vector<MCObservation> tokens;
    for (int slot = 0; slot < kThreads; ++slot) {
        tokens.push_back(counter.observe(QString::number(slot), [&, slot](MCObservable &, const QString &,
                                                                          const MCKeyValueChange &change) {
            ++seen[slot];
            rightThread[slot] = rightThread[slot] && std::this_thread::get_id() == threadIds[slot];
            rightValues[slot] = rightValues[slot] && change.newValue.toLongLong() == change.oldValue.toLongLong() + 1;
        }));
    }
    std::atomic<bool> stop = false;
    std::thread churn([&] { // registers and drops observers of the same keys meanwhile
        std::atomic<int> noise = 0;
        while (!stop) {
            MCObservation token = counter.observe(QStringLiteral("0"), [&](MCObservable &, const QString &,
                                                                          const MCKeyValueChange &) { ++noise; });
        }
    });
    std::vector<std::thread> workers;
    for (int slot = 0; slot < kThreads; ++slot) {
        workers.emplace_back([&, slot] {
            threadIds[slot] = std::this_thread::get_id();
            for (int i = 0; i < kChanges; ++i)
                counter.bump(slot);
        });
    }
    for (auto &worker : workers)
        worker.join();
    stop = true;
    churn.join();
    for (int slot = 0; slot < kThreads; ++slot) {
        EXPECT_EQ(seen[slot], kChanges) << slot;
        EXPECT_TRUE(rightThread[slot]) << slot;
        EXPECT_TRUE(rightValues[slot]) << slot;
    }
}
