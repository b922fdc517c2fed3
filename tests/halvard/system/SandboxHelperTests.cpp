#include "halvard/system/MCSandboxHelper.h"

#include "halvard/ui/MCPromptLayer.h"
#include "halvard/ui/MCSandboxAccessoryView.h"
#include "platform/core/MCDispatch.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QString makeFolder(const QString &path)
{
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

QStringList storedPaths(const MCUserDefaults &defaults)
{
    QStringList paths;
    for (const QVariant &entry : defaults.arrayForKey(kMCSecurityScopedURLsKey))
        paths << entry.toMap().value("path").toString();
    return paths;
}

QStringList listedPaths(const MCSandboxHelper &helper)
{
    QStringList paths;
    for (const auto &entry : helper.sandboxURLs())
        paths << entry->securityScopedURL();
    return paths;
}

} // namespace

TEST(SandboxURLExtensions, CommonFoldersBookmarksAndContainment)
{
    struct Case
    {
        QStringList paths;
        QString common;
    } cases[] = {
        {{}, QString()},
        {{"/a/b"}, "/a/b"},
        {{"/a/b/c", "/a/b/d/e", "/a/b/c/f"}, "/a/b"},
        {{"/a/Photos/x", "/a/photos/y"}, "/a"}, // names differ by case: different folders here
        {{"/x/1", "/y/2"}, "/"},
        {{"/p/2020", "/p/2020-01/x", "/p/2020/y"}, "/p"}, // '-' sorts before '/': every path counts
        {{"/p/a b/1", "/p/a/2", "/p/a"}, "/p"},
        {{"/a/b/", "/a/b/c"}, "/a/b"},
        {{"/a/b", "/a/b"}, "/a/b"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCURLExtensions::commonURLForURLs(c.paths), c.common) << c.paths.join(',').toStdString();

    EXPECT_TRUE(MCURLExtensions::isDescendantOfURL("/a/b/./c", "/a/b/"));
    EXPECT_TRUE(MCURLExtensions::isDescendantOfURL("/a/b", "/a/b"));
    EXPECT_FALSE(MCURLExtensions::isDescendantOfURL("/a/bc", "/a/b"));
    EXPECT_FALSE(MCURLExtensions::isDescendantOfURL("/a", "/a/b"));

    const QString root = testsupport::makeTemporaryFolder();
    const QString folder = makeFolder(root + "/Pictures");
    ASSERT_TRUE(QFile::link(folder, root + "/Link"));
    EXPECT_TRUE(MCURLExtensions::isEqualFileURL(folder, root + "/Link"));
    EXPECT_FALSE(MCURLExtensions::isEqualFileURL(folder, root));
    EXPECT_FALSE(MCURLExtensions::isEqualFileURL(QString(), QString()));

    const QByteArray bookmark = MCURLExtensions::securityScopedBookmark(folder);
    EXPECT_EQ(MCURLExtensions::URLWithSecurityScopedBookmark(bookmark), folder);
    MCError error;
    EXPECT_TRUE(MCURLExtensions::securityScopedBookmark("relative/path", &error).isEmpty());
    EXPECT_FALSE(error.isNull());
    EXPECT_TRUE(MCURLExtensions::URLWithSecurityScopedBookmark(QByteArray()).isNull());
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_TRUE(MCURLExtensions::URLWithSecurityScopedBookmark(bookmark).isNull()); // no longer resolves
    EXPECT_EQ(MCURLExtensions::URLPathFromSecurityScopedBookmark(bookmark), folder);

    // One common folder per file system; a path with nothing there is left out.
    const QSet<QString> volumes = MCURLExtensions::commonForVolumeURLs(
        {makeFolder(root + "/a/x"), makeFolder(root + "/b/y"), root + "/missing", "/proc/sys"});
    EXPECT_EQ(volumes, (QSet<QString>{root, "/proc/sys"}));
}

TEST(SandboxURLExtensions, MissingAndObsoleteGrantsAsTables)
{
    struct Missing {
        QStringList granted, offered, missing;
    } missingCases[] = {
        {{}, {"/a", "/b", "/a"}, {"/a", "/b"}},
        {{"/a"}, {"/a", "/a/b/c", "/ab", "/a/../ab"}, {"/ab", "/a/../ab"}}, // each path text once
        {{"/a/b", "/c"}, {"/a", "/a/b/x", "/c/d", "/d"}, {"/a", "/d"}},
        {{"/"}, {"/x", "/y/z"}, {}},
        {{"/a"}, {}, {}},
    };
    for (const Missing &c : missingCases)
        EXPECT_EQ(MCURLExtensions::missingURLs(c.granted, c.offered), c.missing) << c.offered.join(',').toStdString();

    struct Obsolete {
        QStringList granted, added;
        QList<qsizetype> obsolete;
    } obsoleteCases[] = {
        {{"/a/x", "/b", "/a/y", "/a"}, {"/a"}, {0, 2, 3}}, // the same folder is replaced too
        {{"/a/x", "/b"}, {"/c", "/b/deeper"}, {}},
        {{"/a/x", "/b/y"}, {"/"}, {0, 1}},                 // the root covers the whole volume
        {{"/ab"}, {"/a"}, {}},
        {{}, {"/a"}, {}},
    };
    for (const Obsolete &c : obsoleteCases)
        EXPECT_EQ(MCURLExtensions::obsoleteGrants(c.granted, c.added), c.obsolete) << c.granted.join(',').toStdString();
}

TEST(SandboxHelper, GrantsAreMergedAndStored)
{
    const QString root = testsupport::makeTemporaryFolder();
    MCUserDefaults defaults(root + "/Preferences.plist");
    MCSandboxHelper helper(defaults);
    EXPECT_TRUE(helper.sandboxURLs().isEmpty());

    const QString x = makeFolder(root + "/Photos/Pictures/x"), y = makeFolder(root + "/Photos/Desktop/y");
    helper.addSecurityScopedURLs({x, y, x});
    EXPECT_EQ(listedPaths(helper), (QStringList{x, y}));
    EXPECT_EQ(storedPaths(defaults), (QStringList{x, y}));
    const auto oldX = helper.sandboxURLs().first();
    EXPECT_EQ(oldX->securityScopedResourceRetainCount(), 1);

    // Paths inside granted folders need nothing and write nothing.
    defaults.setObject(QVariantList{"untouched"}, kMCSecurityScopedURLsKey);
    helper.addSecurityScopedURLs({x + "/deeper", y});
    helper.prepareForAccessingFileURLs({x + "/1.jpg", y + "/sub/2.jpg"});
    EXPECT_EQ(defaults.arrayForKey(kMCSecurityScopedURLsKey), QVariantList{"untouched"});

    // A grant of the folder holding earlier grants replaces them and releases them once.
    const QString photos = root + "/Photos";
    helper.addSecurityScopedURLs({photos});
    EXPECT_EQ(listedPaths(helper), QStringList{photos});
    EXPECT_EQ(oldX->securityScopedResourceRetainCount(), 0);
    EXPECT_EQ(storedPaths(defaults), QStringList{photos});

    // A new entry for a folder already listed replaces the old entry.
    const auto oldPhotos = helper.sandboxURLs().first();
    helper.addSandboxURLs({MCSandboxURL::fromURL(photos)});
    ASSERT_EQ(helper.sandboxURLs().size(), 1);
    EXPECT_NE(helper.sandboxURLs().first(), oldPhotos);
    EXPECT_EQ(oldPhotos->securityScopedResourceRetainCount(), 0);
    EXPECT_EQ(helper.sandboxURLs().first()->securityScopedResourceRetainCount(), 1);

    // Retains and releases balance; extra releases do nothing.
    MCSandboxURL entry(photos);
    EXPECT_TRUE(entry.retainSecurityScopedResource());
    EXPECT_TRUE(entry.retainSecurityScopedResource());
    entry.releaseSecurityScopedResource();
    entry.releaseSecurityScopedResource();
    entry.releaseSecurityScopedResource();
    EXPECT_EQ(entry.securityScopedResourceRetainCount(), 0);
    EXPECT_FALSE(MCSandboxURL(root + "/gone").retainSecurityScopedResource());
    EXPECT_EQ(MCSandboxURL::fromURL(QString()), nullptr);
}

// Answers the grant dialog's open panels by script and records what they asked.
struct PanelScript {
    QList<MCOpenPanelRequest> requests;
    QStringList accessoryTitles;
    QList<MCOpenPanelAnswer> answers; // taken in order; cancel when none is left
    MCScopedOpenPanelResponder responder{[this](const MCOpenPanelRequest &request) {
        requests << request;
        auto *accessory = qobject_cast<MCSandboxAccessoryView *>(request.accessoryView);
        accessoryTitles << (accessory ? accessory->titleLabel()->text() : QString());
        return answers.isEmpty() ? MCOpenPanelAnswer{} : answers.takeFirst();
    }};
};

TEST(SandboxHelper, PreparingAsksForOneCommonFolderPerVolumeAndRestores)
{
    const QString root = testsupport::makeTemporaryFolder();
    MCUserDefaults defaults(root + "/Preferences.plist");
    MCSandboxHelper helper(defaults);

    const QString home = makeFolder(root + "/home/a");
    const QString pictures = makeFolder(home + "/Pictures/x"), desktop = makeFolder(home + "/Desktop/y");
    {
        PanelScript panels;
        panels.answers = {{true, {home}}};
        helper.prepareForAccessingFileURLs({pictures + "/1.jpg", desktop + "/2.jpg", pictures + "/3.jpg"});
        ASSERT_EQ(panels.requests.size(), 1); // one dialog suggesting the common folder
        EXPECT_EQ(panels.requests[0].directory, home);
        EXPECT_EQ(panels.requests[0].title, "Grant access to “a”");
        EXPECT_EQ(panels.accessoryTitles, QStringList{"Grant access to “a”"});
        EXPECT_EQ(panels.requests[0].prompt, "Allow");
        EXPECT_EQ(panels.requests[0].message, "Click the “Allow” button to grant access to your media files.");
        EXPECT_TRUE(panels.requests[0].canChooseDirectories);
        EXPECT_FALSE(panels.requests[0].canChooseFiles);
    }
    EXPECT_EQ(listedPaths(helper), QStringList{home});
    EXPECT_EQ(storedPaths(defaults), QStringList{home});

    // A folder that does not exist is not asked for; nothing else changes.
    {
        PanelScript panels;
        EXPECT_EQ(helper.grantAccessToFolderAtURL(root + "/missing"), nullptr);
        helper.prepareForAccessingFileURLs({root + "/missing/1.jpg"});
        EXPECT_TRUE(panels.requests.isEmpty());
    }
    EXPECT_EQ(listedPaths(helper), QStringList{home});

    // A later run reads the stored grants back; entries that no longer resolve are skipped.
    const QString other = makeFolder(root + "/other");
    helper.addSecurityScopedURLs({other});
    ASSERT_TRUE(QDir(other).removeRecursively());
    MCSandboxHelper next(defaults);
    next.restore();
    EXPECT_EQ(listedPaths(next), QStringList{home});
    EXPECT_EQ(next.sandboxURLs().first()->securityScopedResourceRetainCount(), 1);

    QStringList missing{"not called"};
    const QStringList offered{home + "/inside", root + "/elsewhere", root + "/elsewhere"};
    qsizetype index = 0;
    next.enumerateURLs([&]() { return index < offered.size() ? offered[index++] : QString(); },
                       [&](const QStringList &result) { missing = result; });
    EXPECT_EQ(missing, QStringList{root + "/elsewhere"});
}

TEST(SandboxHelper, TheGrantDialogAcceptsTheFolderOrAParentAndAsksAgainForAnother)
{
    const QString root = testsupport::makeTemporaryFolder();
    const QString suggested = makeFolder(root + "/Photos/2026"), sibling = makeFolder(root + "/Photos/2025");
    MCUserDefaults defaults(root + "/Preferences.plist");
    MCSandboxHelper helper(defaults);

    struct Case {
        QList<MCOpenPanelAnswer> panels;
        QList<int> alerts;
        QString granted; // null: no grant
        int panelsShown;
    } cases[] = {
        {{{true, {suggested}}}, {}, suggested, 1},
        {{{true, {suggested + "/"}}}, {}, suggested, 1},
        {{{true, {root + "/Photos"}}}, {}, root + "/Photos", 1}, // a folder higher up is granted as chosen
        {{{false, {}}}, {}, QString(), 1},
        {{{true, {}}}, {}, QString(), 1},                        // accepted with nothing chosen: cancelled
        {{{true, {sibling}}, {true, {suggested}}}, {MCAlertFirstButtonReturn}, suggested, 2},
        {{{true, {sibling}}}, {MCAlertSecondButtonReturn}, QString(), 1},
        {{{true, {suggested + "/deeper"}}}, {MCAlertSecondButtonReturn}, QString(), 1}, // inside is not enough
    };
    for (const Case &c : cases) {
        PanelScript panels;
        panels.answers = c.panels;
        QList<int> alerts = c.alerts;
        QList<MCAlertRequest> alertRequests;
        MCScopedAlertResponder alertScript([&](const MCAlertRequest &request) {
            alertRequests << request;
            return MCAlertAnswer{alerts.isEmpty() ? MCAlertSecondButtonReturn : alerts.takeFirst(), false};
        });
        const auto granted = helper.grantAccessToFolderAtURL(suggested);
        EXPECT_EQ(granted ? granted->securityScopedURL() : QString(), c.granted);
        EXPECT_EQ(panels.requests.size(), c.panelsShown);
        for (const MCOpenPanelRequest &request : panels.requests)
            EXPECT_EQ(request.directory, suggested); // a fresh panel at the suggested folder each time
        EXPECT_EQ(alertRequests.size(), c.alerts.size());
        for (const MCAlertRequest &request : alertRequests) {
            EXPECT_EQ(request.alertStyle, MCAlertStyleCritical);
            EXPECT_EQ(request.messageText, "The wrong folder was chosen.");
            EXPECT_EQ(request.informativeText,
                      "Please choose the suggested folder “2026” to allow Quillon to get access to your photos.");
            EXPECT_EQ(request.buttonTitles, (QStringList{"Choose Again", "Cancel"}));
        }
    }

    // The accessory explains the request with the application's name.
    const auto accessory = MCSandboxAccessoryView::accessoryViewWithTitle("Grant access to “2026”");
    EXPECT_EQ(accessory->titleLabel()->text(), "Grant access to “2026”");
    EXPECT_TRUE(accessory->descriptionLabel()->text().contains("Quillon does not have the necessary rights"));
    EXPECT_TRUE(accessory->descriptionLabel()->text().contains("To give " + QCoreApplication::applicationName() + " access"));
}

TEST(SandboxHelper, AWorkerWaitsForTheDialogsOnTheMainThread)
{
    const QString root = testsupport::makeTemporaryFolder();
    const QString a = makeFolder(root + "/a"), b = makeFolder(root + "/b");
    MCUserDefaults defaults(root + "/Preferences.plist");
    MCSandboxHelper helper(defaults);
    QList<bool> onMainThread;
    MCScopedOpenPanelResponder script([&](const MCOpenPanelRequest &request) {
        onMainThread << platform::isMainThread();
        return MCOpenPanelAnswer{true, {request.directory}};
    });
    bool done = false;
    QThread *worker = QThread::create([&] {
        helper.prepareForAccessingFileURLs({a + "/1.jpg", b + "/2.jpg"});
        done = true;
    });
    worker->start();
    EXPECT_TRUE(testsupport::processEventsUntil([&] { return worker->isFinished(); }));
    worker->wait();
    delete worker;
    EXPECT_TRUE(done);
    EXPECT_EQ(onMainThread, QList<bool>{true});
    EXPECT_EQ(listedPaths(helper), QStringList{root});
}

TEST(SandboxHelper, ABadStoredGrantIsLoggedAndSkipped)
{
    const QString root = testsupport::makeTemporaryFolder();
    const QString kept = makeFolder(root + "/kept");
    MCUserDefaults defaults(root + "/Preferences.plist");
    defaults.setObject(QVariantList{QVariantMap{{"path", "/gone"}, {"bookmark", QByteArray("/no/such/folder")}},
                                    QVariantMap{{"path", kept}},
                                    QVariantMap{{"path", kept}, {"bookmark", kept.toUtf8()}},
                                    QString("not a dictionary")},
                       kMCSecurityScopedURLsKey);
    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        messages << text;
    });
    MCSandboxHelper helper(defaults);
    helper.restore();
    qInstallMessageHandler(previous);
    EXPECT_EQ(listedPaths(helper), QStringList{kept});
    EXPECT_EQ(messages.filter("Couldn't resolve bookmark: ").size(), 3) << messages.join('\n').toStdString();
}

TEST(SandboxHelper, PathsChosenInAnOpenPanelAreGrantedWhenTheCompletionKeepsThem)
{
    const QString root = testsupport::makeTemporaryFolder();
    const QString chosen = makeFolder(root + "/Imports");
    MCUserDefaults defaults(root + "/Preferences.plist");
    MCSandboxHelper helper(defaults);
    MCOpenPanelRequest seen;
    MCScopedOpenPanelResponder script([&](const MCOpenPanelRequest &request) {
        seen = request;
        return MCOpenPanelAnswer{true, {chosen}};
    });
    const auto configure = [](MCOpenPanelRequest &request) {
        request.canChooseDirectories = true;
        request.prompt = "Import";
    };
    helper.runModalOpenPanel(configure, [](const MCOpenPanelRequest &, const MCOpenPanelAnswer &) { return QStringList(); });
    EXPECT_EQ(seen.prompt, "Import");
    EXPECT_TRUE(helper.sandboxURLs().isEmpty()); // nothing kept: nothing granted

    helper.runModalOpenPanel(configure, [](const MCOpenPanelRequest &, const MCOpenPanelAnswer &answer) {
        return answer.paths;
    });
    EXPECT_EQ(listedPaths(helper), QStringList{chosen});
    EXPECT_EQ(storedPaths(defaults), QStringList{chosen});
    helper.runModalOpenPanel({}, {}); // neither block: the panel still runs, nothing changes
    EXPECT_EQ(listedPaths(helper), QStringList{chosen});
}
