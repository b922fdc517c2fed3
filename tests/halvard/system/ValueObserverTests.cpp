#include "halvard/system/MCValueObserver.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// An object with an ordered to-many key "items".
class Album : public MCObservable
{
public:
    QVariantList items;

    QVariant valueForKey(const QString &key) const override
    {
        return key == QLatin1String("items") ? QVariant(items) : MCObservable::valueForKey(key);
    }
    void setItems(const QVariantList &list) { changeValueForKey(QStringLiteral("items"), items, list); }
    void append(const QVariantList &more)
    {
        QList<qint64> indexes;
        for (qsizetype i = 0; i < more.size(); ++i)
            indexes.append(items.size() + i);
        change(MCKeyValueChangeKind::Insertion, indexes, [&] { items += more; });
    }
    void removeAt(qint64 index)
    {
        change(MCKeyValueChangeKind::Removal, {index}, [&] { items.removeAt(index); });
    }
    void replaceAt(qint64 index, const QVariant &value)
    {
        change(MCKeyValueChangeKind::Replacement, {index}, [&] { items[index] = value; });
    }

private:
    template<typename F> void change(MCKeyValueChangeKind kind, const QList<qint64> &indexes, F edit)
    {
        willChange(kind, indexes, QStringLiteral("items"));
        edit();
        didChange(kind, indexes, QStringLiteral("items"));
    }
};

struct Calls
{
    QStringList log;
};

std::unique_ptr<MCValueObserver> makeObserver(const Album &album, Calls &calls)
{
    auto observer = std::make_unique<MCValueObserver>(&album, QStringLiteral("items"));
    auto list = [](const QVariant &v) { return v.toStringList().join(QLatin1Char(',')); };
    auto indexes = [](const QList<qint64> &i) {
        QStringList s;
        for (qint64 n : i)
            s << QString::number(n);
        return s.join(QLatin1Char(','));
    };
    observer->setOnSet([&calls, list](const QVariant &o, const QVariant &n) {
        calls.log << QStringLiteral("set %1 -> %2").arg(list(o), list(n));
    });
    observer->setOnInsert([&calls, list, indexes](const QVariant &n, const QList<qint64> &i) {
        calls.log << QStringLiteral("insert %1 at %2").arg(list(n), indexes(i));
    });
    observer->setOnRemove([&calls, list, indexes](const QVariant &o, const QList<qint64> &i) {
        calls.log << QStringLiteral("remove %1 at %2").arg(list(o), indexes(i));
    });
    observer->setOnReplace([&calls, list, indexes](const QVariant &o, const QVariant &n, const QList<qint64> &i) {
        calls.log << QStringLiteral("replace %1 by %2 at %3").arg(list(o), list(n), indexes(i));
    });
    return observer;
}

} // namespace

TEST(ValueObserver, EachKindOfChangeCallsItsBlockOnce)
{
    Album album;
    Calls calls;
    auto observer = makeObserver(album, calls);
    EXPECT_EQ(observer->object(), &album);
    EXPECT_EQ(observer->keyPath(), QStringLiteral("items"));

    album.setItems({QStringLiteral("a")});
    album.append({QStringLiteral("b"), QStringLiteral("c")});
    album.replaceAt(0, QStringLiteral("A"));
    album.removeAt(1);
    EXPECT_EQ(calls.log, (QStringList{QStringLiteral("set  -> a"), QStringLiteral("insert b,c at 1,2"),
                                      QStringLiteral("replace a by A at 0"), QStringLiteral("remove b at 1")}));
}

TEST(ValueObserver, ReleasingStopsAndAGoneObjectIsSafe)
{
    Calls calls;
    auto album = std::make_unique<Album>();
    auto observer = makeObserver(*album, calls);
    observer.reset();
    album->setItems({QStringLiteral("x")});
    EXPECT_TRUE(calls.log.isEmpty());

    // Blocks that were never set are skipped.
    MCValueObserver bare(album.get(), QStringLiteral("items"));
    album->append({QStringLiteral("y")});

    auto late = makeObserver(*album, calls);
    album.reset();
    EXPECT_EQ(late->object(), nullptr);
    late.reset(); // outliving the object is harmless

    MCValueObserver nothing(nullptr, QStringLiteral("items"));
    EXPECT_EQ(nothing.object(), nullptr);
    EXPECT_TRUE(calls.log.isEmpty());
}
