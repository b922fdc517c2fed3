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

// One instance per desktop session: the socket lives in the session's runtime folder under the
// display's name, so a start on another display runs on its own; without a runtime folder the
// name is the user's (with the display), in the temporary folder.
TEST(MCApplicationInstance, ScopedToTheDesktopSession)
{
    const QString runtime = testsupport::makeTemporaryFolder(QStringLiteral("runtime"));
    const QString tooLong = testsupport::makeTemporaryFolder(QString(90, QLatin1Char('r')));
    struct Case {
        const char *name;
        QString runtime, wayland, x11, expected;
    };
    const Case cases[] = {
        {"wayland before x11", runtime, "wayland-0", ":0", runtime + "/quillonx-wayland-0"},
        {"wayland given as a path", runtime, "/run/user/5/wayland-1", "", runtime + "/quillonx-wayland-1"},
        {"x11", runtime, "", ":1", runtime + "/quillonx-:1"},
        {"x11 screen of that display", runtime, "", ":1.0", runtime + "/quillonx-:1"},
        {"forwarded x11", runtime, "", "localhost:10.0", runtime + "/quillonx-localhost:10"},
        {"odd characters", runtime, "", "a b/c:2", runtime + "/quillonx-a_b_c:2"},
        {"no display", runtime, "", "", runtime + "/quillonx"},
        {"no runtime folder", "", "", ":0", "quillonx-1000-:0"},
        {"runtime folder missing", runtime + "/gone", "wayland-0", "", "quillonx-1000-wayland-0"},
        {"relative runtime folder", "run", "", "", "quillonx-1000"},
        {"socket path too long", tooLong, "", ":0", "quillonx-1000-:0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCApplicationInstance::serverNameFor(c.runtime, c.wayland, c.x11, 1000), c.expected) << c.name;

    // The environment's session (the test's runtime folder) is the default.
    EXPECT_TRUE(MCApplicationInstance::defaultServerName().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/quillonx"));

    // Two displays of one user: two instances, each answering its own.
    MCApplicationInstance first(MCApplicationInstance::serverNameFor(runtime, "", ":0", 1000));
    MCApplicationInstance second(MCApplicationInstance::serverNameFor(runtime, "", ":1", 1000));
    ASSERT_TRUE(first.listen());
    EXPECT_TRUE(second.listen());
    MCApplicationInstance again(first.serverName());
    EXPECT_FALSE(again.listen());
}
