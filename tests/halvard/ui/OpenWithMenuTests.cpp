#include "halvard/ui/MCMenuExtensions.h"
#include "halvard/ui/MCWorkspaceExtensions.h"
#include "platform/desktop/MCWorkspace.h"

#include "tests/support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QMenu>

#include <gtest/gtest.h>

// Readable failures.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Installed applications and a user's mimeapps.list in XDG folders of the test's own; two JPEG
// files and a PNG file to open.
class OpenWithFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The desktop's MIME database lives in the data folders too: the test's own data
        // folder links to it, so file types are still known.
        const QString mime = QStandardPaths::locate(QStandardPaths::GenericDataLocation, "mime",
                                                    QStandardPaths::LocateDirectory);
        root = testsupport::makeTemporaryFolder("openwith");
        for (const char *name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_CURRENT_DESKTOP"})
            saved.append({name, qgetenv(name)});
        qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
        ASSERT_TRUE(QDir().mkpath(root + "/data"));
        if (!mime.isEmpty()) {
            ASSERT_TRUE(QFile::link(mime, root + "/data/mime"));
        }
        qputenv("XDG_DATA_DIRS", (root + "/system").toUtf8());
        qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (root + "/system-config").toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        const QString apps = root + "/data/applications/";
        writeFile(apps + "viewer.desktop", application("Viewer", "image/jpeg;image/png;"));
        writeFile(apps + "zoom.desktop", application("Zoom", "image/jpeg;image/png;"));
        writeFile(apps + "albums.desktop", application("albums", "image/jpeg;image/png;"));
        writeFile(apps + "Batch.desktop", application("Batch", "image/jpeg;image/png;"));
        writeFile(apps + "jpegonly.desktop", application("JPEG Only", "image/jpeg;"));
        writeFile(root + "/config/mimeapps.list",
                  "[Default Applications]\nimage/jpeg=viewer.desktop\nimage/png=viewer.desktop\n");
        photos = testsupport::makeTemporaryFolder("photos");
        jpeg1 = photos + "/1.jpg";
        jpeg2 = photos + "/2.jpeg";
        png = photos + "/3.png";
        writeFile(jpeg1, QByteArray("\xFF\xD8\xFF\xE0", 4));
        writeFile(jpeg2, QByteArray("\xFF\xD8\xFF\xE0", 4));
        writeFile(png, QByteArray("\x89PNG\r\n\x1A\n", 8));
    }
    void TearDown() override
    {
        for (const auto &[name, value] : saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    static QByteArray application(const QByteArray &name, const QByteArray &types)
    {
        return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=app %F\nMimeType=" + types + "\n";
    }
    static QStringList titles(const QMenu &menu)
    {
        QStringList result;
        for (const QAction *item : menu.actions())
            result << (item->isSeparator() ? QStringLiteral("---") : item->text());
        return result;
    }

    QString root, photos, jpeg1, jpeg2, png;
    QList<std::pair<const char *, QByteArray>> saved;
};

} // namespace

TEST_F(OpenWithFixture, TheSharedDefaultAndTheApplicationsEveryFileOpensWith)
{
    QStringList others{"stale"};
    EXPECT_EQ(MCWorkspaceExtensions::applicationBundleIDForPaths({jpeg1, jpeg2, png}, &others), "viewer.desktop");
    EXPECT_EQ(others, (QStringList{"Batch.desktop", "albums.desktop", "zoom.desktop"})); // not the JPEG-only one
    EXPECT_EQ(MCWorkspaceExtensions::applicationBundleIDForPaths({jpeg1}, &others), "viewer.desktop");
    EXPECT_TRUE(others.contains("jpegonly.desktop"));

    // Different defaults: no shared default, the others are still offered.
    writeFile(root + "/config/mimeapps.list",
              "[Default Applications]\nimage/jpeg=viewer.desktop\nimage/png=zoom.desktop\n");
    EXPECT_EQ(MCWorkspaceExtensions::applicationBundleIDForPaths({jpeg1, png}, &others), QString());
    EXPECT_EQ(others, (QStringList{"viewer.desktop", "Batch.desktop", "albums.desktop", "zoom.desktop"}));

    // Files whose type cannot be read are ignored; with none left there is nothing.
    EXPECT_EQ(MCWorkspaceExtensions::applicationBundleIDForPaths({photos + "/missing.jpg", jpeg1}), "viewer.desktop");
    EXPECT_EQ(MCWorkspaceExtensions::applicationBundleIDForPaths({photos + "/missing.jpg"}, &others), QString());
    EXPECT_TRUE(others.isEmpty());

    // A type no application opens: nothing at all, not even the others of the other files.
    writeFile(photos + "/notes.xyz-unknown", "\x01\x02\x03");
    EXPECT_EQ(MCWorkspaceExtensions::applicationBundleIDForPaths({jpeg1, photos + "/notes.xyz-unknown"}, &others), QString());
    EXPECT_TRUE(others.isEmpty());
}

TEST_F(OpenWithFixture, TheMenuListsTheDefaultThenTheOthersByNameOrNone)
{
    QMenu menu;
    menu.addAction("left over from last time");
    QStringList chosen;
    MCMenuExtensions::buildOpenWithMenuForPaths(&menu, {jpeg1, png}, [&](const QString &id) { chosen << id; });
    // Names compare case-sensitively, as the platform's menus sort them.
    EXPECT_EQ(titles(menu), (QStringList{"Viewer", "---", "Batch", "Zoom", "albums"}));
    EXPECT_EQ(menu.actions().first()->data().toString(), "viewer.desktop");
    menu.actions().at(3)->trigger();
    EXPECT_EQ(chosen, QStringList{"zoom.desktop"});

    writeFile(root + "/config/mimeapps.list",
              "[Default Applications]\nimage/jpeg=viewer.desktop\nimage/png=zoom.desktop\n");
    MCMenuExtensions::buildOpenWithMenuForPaths(&menu, {jpeg1, png}, {});
    EXPECT_EQ(titles(menu), (QStringList{"Batch", "Viewer", "Zoom", "albums"})); // starts with the others

    for (const QStringList &paths : {QStringList{}, QStringList{photos + "/missing.jpg"}}) {
        MCMenuExtensions::buildOpenWithMenuForPaths(&menu, paths, {});
        ASSERT_EQ(titles(menu), QStringList{"<NONE>"});
        EXPECT_FALSE(menu.actions().first()->isEnabled());
    }
}

TEST(MCMenuExtensions, ItemsAreRemovedByTag)
{
    QMenu menu;
    QAction *untagged = menu.addAction("untagged");
    QAction *open = menu.addAction("Open With");
    MCMenuExtensions::setTag(open, 202);
    EXPECT_EQ(MCMenuExtensions::tag(open), 202);
    EXPECT_EQ(MCMenuExtensions::tag(untagged), 0);
    EXPECT_FALSE(MCMenuExtensions::removeItemWithTag(&menu, 7));
    EXPECT_FALSE(MCMenuExtensions::removeItemWithTag(&menu, 0)); // an untagged item has no tag to match
    EXPECT_EQ(menu.actions().size(), 2);
    EXPECT_TRUE(MCMenuExtensions::removeItemWithTag(&menu, 202));
    EXPECT_EQ(menu.actions(), QList<QAction *>{untagged});
    EXPECT_FALSE(MCMenuExtensions::removeItemWithTag(nullptr, 202));
}
