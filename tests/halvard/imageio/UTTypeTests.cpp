#include "halvard/imageio/MCUTType.h"

#include "platform/types/UTType.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {
class DerivedType : public MCUTType
{
public:
    using MCUTType::MCUTType;
};
} // namespace

TEST(MCUTType, OneInstancePerIdentifier)
{
    const auto before = MCUTType::typesContainer().size();
    const auto jpeg = MCUTType::typeWithIdentifier(kUTTypeJPEG);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(MCUTType::typeWithIdentifier(kUTTypeJPEG), jpeg);
    const auto fresh = MCUTType::typeWithIdentifier(QStringLiteral("org.example.registry-growth"));
    EXPECT_GE(MCUTType::typesContainer().size(), before + 1);
    EXPECT_EQ(MCUTType::typesContainer().value(QStringLiteral("org.example.registry-growth")), fresh);
    EXPECT_EQ(MCUTType::typeForExtension(QStringLiteral("JPEG")), jpeg);
    EXPECT_THROW(MCUTType::typeWithIdentifier(QString()), std::invalid_argument);
}

TEST(MCUTType, FieldsAndDescription)
{
    const auto jpeg = MCUTType::typeWithIdentifier(kUTTypeJPEG);
    EXPECT_EQ(jpeg->typeIdentifier(), kUTTypeJPEG);
    EXPECT_EQ(jpeg->typeDescription(), QStringLiteral("JPEG image"));
    EXPECT_EQ(jpeg->description(), QStringLiteral("JPEG image (jpeg, jpg, jpe)"));
    EXPECT_EQ(MCUTType::typeWithIdentifier(kUTTypeImage)->description(), QStringLiteral("image"));

    const auto bare = MCUTType::typeWithIdentifier(QStringLiteral("org.example.bare"));
    EXPECT_TRUE(bare->typeDescription().isNull());
    EXPECT_TRUE(bare->typeExtensions().isEmpty());
    EXPECT_EQ(bare->description(), QStringLiteral("org.example.bare"));

    const auto unknown = MCUTType::typeForExtension(QStringLiteral("qqz"));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->description(), unknown->typeIdentifier() + QStringLiteral(" (qqz)"));
    EXPECT_FALSE(MCUTType::typeForExtension(QString()));
}

TEST(MCUTType, AvailabilityStartsOffAndFeedsTheAllowedSet)
{
    const QString id = QStringLiteral("org.example.availability");
    const auto type = MCUTType::typeWithIdentifier(id);
    EXPECT_FALSE(type->isAvailable());
    EXPECT_FALSE(MCUTType::allowedTypeIdentifiers().contains(id));
    type->setIsAvailable(true);
    EXPECT_TRUE(MCUTType::allowedTypeIdentifiers().contains(id));
    type->setIsAvailable(false);
    EXPECT_FALSE(MCUTType::allowedTypeIdentifiers().contains(id));
}

TEST(MCUTType, EqualityAndConformance)
{
    const auto cr2 = MCUTType::typeWithIdentifier(QStringLiteral("com.canon.cr2-raw-image"));
    const auto raw = MCUTType::typeWithIdentifier(kUTTypeRawImage);
    EXPECT_TRUE(cr2->comformsToType(*raw));
    EXPECT_FALSE(raw->comformsToType(*cr2));
    EXPECT_TRUE(cr2->comformsToIdentifier(kUTTypeImage));
    EXPECT_FALSE(cr2->comformsToIdentifier(kUTTypeMovie));

    const MCUTType sameClass(QStringLiteral("COM.CANON.CR2-RAW-IMAGE"));
    const DerivedType derived(QStringLiteral("com.canon.cr2-raw-image"));
    EXPECT_TRUE(cr2->isEqual(cr2.get()));
    EXPECT_TRUE(cr2->isEqual(&sameClass));
    EXPECT_FALSE(cr2->isEqual(&derived));
    EXPECT_FALSE(derived.isEqual(cr2.get()));
    EXPECT_FALSE(cr2->isEqual(raw.get()));
    EXPECT_FALSE(cr2->isEqual(nullptr));
}

TEST(MCUTType, TypeOfFilesOnDisk)
{
    const QString folder = testsupport::makeTemporaryFolder();
    QFile file(folder + QStringLiteral("/DSC_0001.NEF"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const auto nef = MCUTType::typeForURL(file.fileName());
    ASSERT_TRUE(nef);
    EXPECT_EQ(nef->typeIdentifier(), QStringLiteral("com.nikon.raw-image"));
    EXPECT_EQ(MCUTType::typeForURL(folder)->typeIdentifier(), kUTTypeFolder);
    EXPECT_FALSE(MCUTType::typeForURL(folder + QStringLiteral("/missing.nef")));
}
