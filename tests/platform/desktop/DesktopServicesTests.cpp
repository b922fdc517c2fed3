#include "platform/desktop/MCApplicationRegistry.h"
#include "platform/desktop/MCDesktopBus.h"
#include "platform/desktop/MCUserNotificationCenter.h"
#include "platform/desktop/MCWorkspace.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Readable failures.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

QByteArray application(const QByteArray &name, const QByteArray &mimeTypes, const QByteArray &extra = {})
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + name.toLower() + " %F\nMimeType=" +
           mimeTypes + "\n" + extra;
}

// XDG folders of the test's own, with a user and a system data folder and config folder,
// restored afterwards.
class XDGFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The desktop's MIME database lives in the data folders too: the test's own data
        // folder links to it, so file types are still known.
        const QString mime = QStandardPaths::locate(QStandardPaths::GenericDataLocation, "mime",
                                                    QStandardPaths::LocateDirectory);
        root = testsupport::makeTemporaryFolder("xdg");
        for (const char *name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_CURRENT_DESKTOP"})
            saved.append({name, qgetenv(name)});
        qputenv("XDG_DATA_HOME", (root + "/home-data").toUtf8());
        ASSERT_TRUE(QDir().mkpath(root + "/home-data"));
        if (!mime.isEmpty()) {
            ASSERT_TRUE(QFile::link(mime, root + "/home-data/mime"));
        }
        qputenv("XDG_DATA_DIRS", (root + "/system-data:relative/ignored").toUtf8());
        qputenv("XDG_CONFIG_HOME", (root + "/home-config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (root + "/system-config").toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
    }
    void TearDown() override
    {
        for (const auto &[name, value] : saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    QString userApps() const { return root + "/home-data/applications/"; }
    QString systemApps() const { return root + "/system-data/applications/"; }

    QString root;
    QList<std::pair<const char *, QByteArray>> saved;
};

// Records what the workspace would open or start instead of doing it.
class RecordingWorkspace : public MCWorkspace
{
public:
    using MCWorkspace::MCWorkspace;
    QList<QUrl> opened;
    QList<QStringList> started;
    bool startSucceeds = true;

protected:
    bool openURL(const QUrl &url) override
    {
        opened << url;
        return true;
    }
    bool startDetached(const QStringList &command, const QString &) override
    {
        started << command;
        return startSucceeds;
    }
};

// A bus that answers every call by script.
class FakeBus : public MCDesktopBus
{
public:
    bool connected = true;
    bool answerSucceeds = true;
    QList<MCDesktopBusCall> calls;

    bool isConnected() override { return connected; }
    void call(const MCDesktopBusCall &call, ReplyHandler reply) override
    {
        calls << call;
        if (reply) {
            MCDesktopBusReply answer;
            answer.succeeded = answerSucceeds;
            if (!answerSucceeds)
                answer.errorName = "org.freedesktop.DBus.Error.ServiceUnknown";
            reply(answer);
        }
    }
};

} // namespace

TEST_F(XDGFixture, DirectoriesComeFromTheEnvironmentWithTheStandardDefaults)
{
    const MCXDGDirectories directories = MCXDGDirectories::fromEnvironment();
    EXPECT_EQ(directories.dataDirs, QStringList{root + "/system-data"}); // relative entries are ignored
    EXPECT_EQ(directories.desktops, (QStringList{"test", "other"}));
    EXPECT_EQ(directories.mimeAppsListFiles(),
              (QStringList{root + "/home-config/test-mimeapps.list", root + "/home-config/other-mimeapps.list",
                           root + "/home-config/mimeapps.list", root + "/system-config/test-mimeapps.list",
                           root + "/system-config/other-mimeapps.list", root + "/system-config/mimeapps.list",
                           userApps() + "test-mimeapps.list", userApps() + "other-mimeapps.list",
                           userApps() + "mimeapps.list", systemApps() + "test-mimeapps.list",
                           systemApps() + "other-mimeapps.list", systemApps() + "mimeapps.list"}));
    qunsetenv("XDG_DATA_DIRS");
    qunsetenv("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_HOME", "relative");
    const MCXDGDirectories defaults = MCXDGDirectories::fromEnvironment();
    EXPECT_EQ(defaults.dataDirs, (QStringList{"/usr/local/share", "/usr/share"}));
    EXPECT_EQ(defaults.configDirs, QStringList{"/etc/xdg"});
    EXPECT_EQ(defaults.configHome, QDir::homePath() + "/.config");

    const MCMimeAppsList list = MCMimeAppsList::fromText("[Default Applications]\nimage/png=a.desktop;b.desktop;a.desktop\n"
                                                         "[Unknown]\nimage/png=x.desktop\n"
                                                         "[Removed Associations]\nimage/jpeg = c.desktop\n");
    EXPECT_EQ(list.defaultApplications.value("image/png"), (QStringList{"a.desktop", "b.desktop"}));
    EXPECT_EQ(list.removedAssociations.value("image/jpeg"), QStringList{"c.desktop"});
    EXPECT_TRUE(list.addedAssociations.isEmpty());
}

TEST_F(XDGFixture, DefaultsAndAssociationsFollowTheListsInTheirOrder)
{
    writeFile(systemApps() + "viewer.desktop", application("Viewer", "image/jpeg;image/png;"));
    writeFile(systemApps() + "editor.desktop", application("Editor", "image/jpeg;"));
    writeFile(systemApps() + "vendor/painter.desktop", application("Painter", "image/pjpeg;")); // an alias of JPEG
    writeFile(systemApps() + "gone.desktop", application("Gone", "image/png;"));
    writeFile(userApps() + "gone.desktop", application("Gone", "image/png;", "Hidden=true\n")); // the user deleted it
    writeFile(userApps() + "viewer.desktop", application("My Viewer", "image/jpeg;image/png;"));
    writeFile(systemApps() + "console.desktop", application("Console", "image/png;", "Terminal=true\n"));
    writeFile(systemApps() + "texts.desktop", application("Texts", "text/plain;"));
    writeFile(systemApps() + "mimeapps.list", "[Default Applications]\nimage/jpeg=editor.desktop\n");
    writeFile(root + "/home-config/mimeapps.list",
              "[Default Applications]\nimage/png=missing.desktop;vendor-painter.desktop\n"
              "[Added Associations]\nimage/png=vendor-painter.desktop;texts.desktop\n"
              "[Removed Associations]\nimage/jpeg=viewer.desktop\n");

    const MCApplicationRegistry registry;
    ASSERT_TRUE(registry.applicationForID("viewer.desktop"));
    EXPECT_EQ(registry.applicationForID("viewer.desktop")->name, "My Viewer"); // the user's file hides the system's
    EXPECT_EQ(registry.applicationForID("vendor-painter.desktop")->name, "Painter");
    EXPECT_FALSE(registry.applicationForID("gone.desktop"));
    EXPECT_FALSE(registry.applicationForID("console.desktop"));

    struct Case {
        const char *type;
        const char *preferred;
        QStringList all;
    } cases[] = {
        // The system list's default; the user's list removed the viewer for JPEG.
        {"image/jpeg", "editor.desktop", {"editor.desktop", "vendor-painter.desktop"}},
        {"image/pjpeg", "editor.desktop", {"editor.desktop", "vendor-painter.desktop"}},
        // The first installed default of the user's list; added associations before the files.
        {"image/png", "vendor-painter.desktop", {"vendor-painter.desktop", "texts.desktop", "viewer.desktop"}},
        // No list names a default: the first associated application, then parent types'.
        {"text/plain", "texts.desktop", {"texts.desktop"}},
        {"text/x-csrc", "texts.desktop", {"texts.desktop"}},
        {"image/tiff", "", {}},
        {"", "", {}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(registry.defaultApplicationForMimeType(c.type), QString(c.preferred)) << c.type;
        EXPECT_EQ(registry.applicationsForMimeType(c.type), c.all) << c.type;
    }

    // A desktop's own list is read before the plain one.
    writeFile(root + "/home-config/test-mimeapps.list", "[Default Applications]\nimage/jpeg=viewer.desktop\n");
    EXPECT_EQ(MCApplicationRegistry().defaultApplicationForMimeType("image/jpeg"), "viewer.desktop");
}

TEST_F(XDGFixture, OpeningWithAnApplicationStartsItsCommandDetached)
{
    writeFile(systemApps() + "viewer.desktop", application("Viewer", "image/jpeg;"));
    writeFile(systemApps() + "single.desktop",
              "[Desktop Entry]\nType=Application\nName=Single\nExec=single --open %u\n");
    const QString folder = testsupport::makeTemporaryFolder("open");
    const QString a = folder + "/a b.jpg", b = folder + "/c.jpg";

    FakeBus bus;
    RecordingWorkspace workspace(&bus);
    EXPECT_TRUE(workspace.openFiles({a, b}, "viewer.desktop"));
    EXPECT_TRUE(workspace.openFiles({a, b}, "single.desktop"));
    EXPECT_EQ(workspace.started,
              (QList<QStringList>{{"viewer", a, b},
                                  {"single", "--open", "file://" + folder + "/a%20b.jpg"},
                                  {"single", "--open", "file://" + folder + "/c.jpg"}}));

    MCError error;
    EXPECT_FALSE(workspace.openFiles({a}, "missing.desktop", &error));
    EXPECT_TRUE(error.localizedDescription().contains("missing.desktop"));
    workspace.startSucceeds = false;
    error = MCError();
    EXPECT_FALSE(workspace.openFiles({a}, "viewer.desktop", &error));
    EXPECT_EQ(error.localizedDescription(), "“Viewer” could not be started.");

    EXPECT_TRUE(workspace.openFiles({a, "", b}));
    EXPECT_EQ(workspace.opened, (QList<QUrl>{QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}));
}

TEST_F(XDGFixture, ALaunchedProgramGetsItsArgumentsWithoutAShell)
{
    // A real program: a script that writes its arguments one per line. The file name carries
    // shell syntax that would create a file if anything ran it through a shell.
    const QString folder = testsupport::makeTemporaryFolder("launch");
    const QString script = folder + "/record.sh", output = folder + "/arguments.txt";
    writeFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\" && mv \"$0.tmp\" " +
                          output.toUtf8() + "\n");
    ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    writeFile(systemApps() + "recorder.desktop",
              "[Desktop Entry]\nType=Application\nName=Recorder\nExec=\"" + script.toUtf8() + "\" --title \"%c\" %F\n");
    const QString odd = folder + "/it's $(touch " + folder + "/pwned) `x`;.jpg";

    MCWorkspace workspace;
    ASSERT_TRUE(workspace.openFiles({odd}, "recorder.desktop"));
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return QFileInfo::exists(output); }, 10000));
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), "--title\nRecorder\n" + odd + "\n");
    EXPECT_FALSE(QFileInfo::exists(folder + "/pwned"));
}

TEST(MCWorkspace, RevealAsksTheFileManagerAndFallsBackToOpeningTheFolders)
{
    FakeBus bus;
    RecordingWorkspace workspace(&bus);
    workspace.activateFileViewerSelectingURLs({"/p/a b.jpg", "/p/c.jpg", "/q/d.jpg"});
    ASSERT_EQ(bus.calls.size(), 1);
    const MCDesktopBusCall &call = bus.calls.first();
    EXPECT_EQ(call.service, "org.freedesktop.FileManager1");
    EXPECT_EQ(call.path, "/org/freedesktop/FileManager1");
    EXPECT_EQ(call.interface, "org.freedesktop.FileManager1");
    EXPECT_EQ(call.method, "ShowItems");
    EXPECT_EQ(call.arguments, (QVariantList{QStringList{"file:///p/a%20b.jpg", "file:///p/c.jpg", "file:///q/d.jpg"}, QString()}));
    EXPECT_TRUE(workspace.opened.isEmpty());

    const QList<QUrl> folders{QUrl::fromLocalFile("/p"), QUrl::fromLocalFile("/q")};
    bus.answerSucceeds = false; // no file manager on the bus
    workspace.activateFileViewerSelectingURLs({"/p/a b.jpg", "/p/c.jpg", "/q/d.jpg"});
    EXPECT_EQ(workspace.opened, folders);

    workspace.opened.clear();
    bus.connected = false; // no bus at all: nothing is called
    workspace.activateFileViewerSelectingURLs({"/p/a b.jpg", "/p/c.jpg", "/q/d.jpg"});
    EXPECT_EQ(bus.calls.size(), 2);
    EXPECT_EQ(workspace.opened, folders);

    workspace.opened.clear();
    workspace.activateFileViewerSelectingURLs({});
    EXPECT_TRUE(workspace.opened.isEmpty());
}

TEST(MCUserNotificationCenter, NotifiesOverTheBusAndDoesNothingWithoutOne)
{
    FakeBus bus;
    MCUserNotificationCenter center(&bus);
    center.deliverNotification({"Converting complete", "Successfully converted 3 images", {}});
    ASSERT_EQ(bus.calls.size(), 1);
    const MCDesktopBusCall &call = bus.calls.first();
    EXPECT_EQ(call.service, "org.freedesktop.Notifications");
    EXPECT_EQ(call.path, "/org/freedesktop/Notifications");
    EXPECT_EQ(call.method, "Notify");
    ASSERT_EQ(call.arguments.size(), 8);
    EXPECT_EQ(call.arguments[0].toString(), QCoreApplication::applicationName());
    EXPECT_EQ(call.arguments[1].typeId(), QMetaType::UInt);
    EXPECT_EQ(call.arguments[3].toString(), "Converting complete");
    EXPECT_EQ(call.arguments[4].toString(), "Successfully converted 3 images");
    EXPECT_EQ(call.arguments[5].toStringList(), QStringList());
    EXPECT_EQ(call.arguments[6].typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(call.arguments[7].toInt(), -1);

    bus.connected = false;
    center.deliverNotification({"Converting complete", {}, {}});
    EXPECT_EQ(bus.calls.size(), 1);
}

TEST(MCDesktopBus, WithoutASessionBusRevealOpensTheFolderAndNotificationsAreDropped)
{
    // Point the session bus at nothing before anything in this process has connected to it,
    // as on a build machine.
    const QString folder = testsupport::makeTemporaryFolder("nobus");
    qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder + "/no-bus-here").toUtf8());
    MCDesktopBus &bus = MCDesktopBus::sessionBus();
    if (bus.isConnected())
        GTEST_SKIP() << "a session bus was connected before this test";

    bool answered = false;
    bus.call({"org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
              "GetServerInformation", {}, 1000},
             [&](const MCDesktopBusReply &reply) {
                 EXPECT_FALSE(reply.succeeded);
                 EXPECT_FALSE(reply.errorName.isEmpty());
                 answered = true;
             });
    EXPECT_FALSE(answered); // replies come later, never inside the call
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return answered; }));

    RecordingWorkspace workspace;
    workspace.activateFileViewerSelectingURLs({folder + "/photo.jpg"});
    EXPECT_EQ(workspace.opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
    MCUserNotificationCenter().deliverNotification({"Converting complete", "Successfully converted 1 image", {}});
}
