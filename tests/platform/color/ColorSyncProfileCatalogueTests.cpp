// The catalogue of installed profiles: what it finds below the folders, how it sorts, and the
// shared instance's folders (system folders replaced, our own resource folder kept).
#include "platform/color/ColorSyncProfileCatalogue.h"
#include "platform/graphics/CGColorSpace.h"
#include "tests/support/TestProfiles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

QStringList descriptions(const ColorSyncProfileCatalogue &catalogue)
{
    QStringList names;
    for (const ColorSyncProfileInfo &info : catalogue.sortedProfiles())
        names.append(info.description);
    return names;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Puts QUILLONX_RESOURCES back when a test has pointed it elsewhere.
struct ResourceFolder
{
    explicit ResourceFolder(const QString &path) : saved(qgetenv("QUILLONX_RESOURCES"))
    {
        qputenv("QUILLONX_RESOURCES", path.toUtf8());
    }
    ~ResourceFolder()
    {
        qputenv("QUILLONX_RESOURCES", saved);
        ColorSyncProfileCatalogue::setSystemFolders(std::nullopt);
    }
    QByteArray saved;
};

} // namespace

TEST(ColorSyncProfileCatalogue, FindsProfilesBelowTheFoldersSortedByDescription)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("icc"));
    const QString sub = root + QStringLiteral("/vendor/nested");
    ASSERT_TRUE(QDir().mkpath(sub));
    ASSERT_TRUE(testsupport::writeProfile(root + "/zeta.icc", kCGColorSpaceSRGB, "zeta RGB"));
    ASSERT_TRUE(testsupport::writeProfile(root + "/upper.ICM", kCGColorSpaceAdobeRGB1998, "Alpha RGB"));
    ASSERT_TRUE(testsupport::writeProfile(sub + "/beta.icc", kCGColorSpaceDisplayP3, "beta RGB"));
    ASSERT_TRUE(testsupport::writeProfile(sub + "/press.icc", kCGColorSpaceGenericCMYK, "Press CMYK"));
    ASSERT_TRUE(testsupport::writeProfile(root + "/nameless.icc", kCGColorSpaceGenericGrayGamma2_2, ""));
    ASSERT_TRUE(testsupport::writeProfile(root + "/link.icc", kCGColorSpaceSRGB, "A link", kColorSyncSigLinkClass));
    // Not profiles, or not named like one: skipped without harm.
    ASSERT_TRUE(writeBytes(root + "/garbage.icc", QByteArray(300, 'x')));
    ASSERT_TRUE(writeBytes(root + "/empty.icm", QByteArray()));
    ASSERT_TRUE(testsupport::writeProfile(root + "/measurements.ti3", kCGColorSpaceSRGB, "Not a profile name"));
    // A second way to the same file lists it once.
    ASSERT_TRUE(QFile::link(root + "/zeta.icc", root + "/vendor/zeta-link.icc"));

    const ColorSyncProfileCatalogue catalogue = ColorSyncProfileCatalogue::build({root, root + "/missing"});
    EXPECT_EQ(descriptions(catalogue),
              (QStringList{"", "A link", "Alpha RGB", "beta RGB", "Press CMYK", "zeta RGB"}));

    const ColorSyncProfileInfo *press = catalogue.profileForURL(sub + "/press.icc");
    ASSERT_NE(press, nullptr);
    EXPECT_EQ(press->colorSpace, kColorSyncSigCmykData);
    EXPECT_EQ(press->profileClass, kColorSyncSigOutputClass);
    const ColorSyncProfileInfo *link = catalogue.profileForURL(root + "/link.icc");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->profileClass, kColorSyncSigLinkClass);
    EXPECT_EQ(catalogue.profileForURL(root + "/vendor/zeta-link.icc"), catalogue.profileForURL(root + "/zeta.icc"));
    EXPECT_EQ(catalogue.profileForURL(root + "/garbage.icc"), nullptr);

    EXPECT_TRUE(ColorSyncProfileCatalogue::build({}).isEmpty());
}

TEST(ColorSyncProfileCatalogue, SharedCatalogueScansTheSystemFoldersAndOurs)
{
    // Defaults: the system's colour folders, then our resources.
    const QStringList defaults = ColorSyncProfileCatalogue::searchFolders();
    EXPECT_TRUE(defaults.contains(QStringLiteral("/usr/share/color/icc")));
    EXPECT_TRUE(defaults.contains(QStringLiteral("/var/lib/colord/icc")));
    EXPECT_TRUE(defaults.contains(QDir::homePath() + QStringLiteral("/.local/share/icc")));
    EXPECT_TRUE(defaults.last().endsWith(QStringLiteral("/ColorProfiles")));

    const QString system = testsupport::makeTemporaryFolder(QStringLiteral("system"));
    const QString ours = testsupport::makeTemporaryFolder(QStringLiteral("resources"));
    ASSERT_TRUE(QDir().mkpath(ours + "/ColorProfiles"));
    ASSERT_TRUE(testsupport::writeProfile(ours + "/ColorProfiles/ours.icc", kCGColorSpaceGenericCMYK, "Our CMYK"));
    ResourceFolder resources(ours);

    // A machine without installed profiles lists ours only.
    ColorSyncProfileCatalogue::setSystemFolders(QStringList{system});
    std::shared_ptr<const ColorSyncProfileCatalogue> catalogue = ColorSyncProfileCatalogue::installed();
    ASSERT_TRUE(catalogue);
    EXPECT_EQ(descriptions(*catalogue), QStringList{"Our CMYK"});
    // Built once: a profile installed later is not seen, and every call shares the one object.
    ASSERT_TRUE(testsupport::writeProfile(system + "/later.icc", kCGColorSpaceSRGB, "Later"));
    EXPECT_EQ(ColorSyncProfileCatalogue::installed(), catalogue);

    // Nothing anywhere: no catalogue is kept, so the next call looks again.
    qputenv("QUILLONX_RESOURCES", testsupport::makeTemporaryFolder(QStringLiteral("bare")).toUtf8());
    ColorSyncProfileCatalogue::setSystemFolders(QStringList{});
    EXPECT_FALSE(ColorSyncProfileCatalogue::installed());
    ColorSyncProfileCatalogue::setSystemFolders(QStringList{system});
    catalogue = ColorSyncProfileCatalogue::installed();
    ASSERT_TRUE(catalogue);
    EXPECT_EQ(descriptions(*catalogue), QStringList{"Later"});
}
