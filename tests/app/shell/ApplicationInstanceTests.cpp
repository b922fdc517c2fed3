#include "platform/desktop/MCApplicationInstance.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>

#include <gtest/gtest.h>

#include <thread>

namespace {

QString temporaryServerName()
{
    return QStringLiteral("quillonx-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

// Sends from another thread, as a second process would, while this thread's loop answers.
bool sendFromAnotherThread(const QString &name, const QStringList &paths, QStringList *received,
                           MCApplicationInstance &instance)
{
    QStringList got;
    bool gotAny = false;
    auto connection = QObject::connect(&instance, &MCApplicationInstance::pathsReceived,
                                       [&](const QStringList &list) { got = list, gotAny = true; });
    bool sent = false;
    std::atomic<bool> done{false};
    std::thread sender([&] {
        sent = MCApplicationInstance::sendPaths(name, paths, 5000);
        done = true;
    });
    testsupport::processEventsUntil([&] { return done.load() && gotAny; }, 8000);
    sender.join();
    QObject::disconnect(connection);
    if (received)
        *received = got;
    return sent && gotAny;
}

} // namespace

TEST(MCApplicationInstance, HandsFilesOfALaterStartToTheRunningOne)
{
    const QString name = temporaryServerName();
    MCApplicationInstance running(name);
    ASSERT_TRUE(running.listen());
    // A second start finds the first one running.
    MCApplicationInstance second(name);
    EXPECT_FALSE(second.listen());

    const QStringList paths{"/photos/a b.jpg", QString::fromUtf8("/photos/ünïcode\nline.nef"), "/photos/folder"};
    QStringList received;
    ASSERT_TRUE(sendFromAnotherThread(name, paths, &received, running));
    EXPECT_EQ(received, paths);
    // A start without files only brings the running one to the front.
    ASSERT_TRUE(sendFromAnotherThread(name, {}, &received, running));
    EXPECT_TRUE(received.isEmpty());
}

TEST(MCApplicationInstance, NobodyListeningMeansNotSent)
{
    EXPECT_FALSE(MCApplicationInstance::sendPaths(temporaryServerName(), {"/a.jpg"}, 300));
}

// A socket file left behind by a program that crashed (nobody answers on it) is taken over.
TEST(MCApplicationInstance, TakesOverASocketNobodyAnswersOn)
{
    const QString name = temporaryServerName();
    QFile left(QDir::tempPath() + QLatin1Char('/') + name);
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    MCApplicationInstance instance(name);
    EXPECT_TRUE(instance.listen());
    EXPECT_TRUE(instance.isListening());
}

TEST(MCApplicationInstance, MessagesSurviveBeingCutAndRejectGarbage)
{
    const QByteArray message = MCApplicationInstance::encodeMessage({"/x.jpg", "/y.jpg"});
    QStringList paths;
    for (int cut = 0; cut < message.size(); ++cut) {
        QByteArray partial = message.left(cut);
        EXPECT_FALSE(MCApplicationInstance::decodeMessage(partial, &paths)) << cut;
    }
    QByteArray twice = message + message;
    ASSERT_TRUE(MCApplicationInstance::decodeMessage(twice, &paths));
    EXPECT_EQ(paths, (QStringList{"/x.jpg", "/y.jpg"}));
    EXPECT_EQ(twice, message);

    QByteArray huge("\xff\xff\xff\xff garbage", 12);
    ASSERT_TRUE(MCApplicationInstance::decodeMessage(huge, &paths));
    EXPECT_TRUE(paths.isEmpty());
    EXPECT_TRUE(huge.isEmpty());
}
