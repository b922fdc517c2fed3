#include "platform/color/ColorSyncProfile.h"
#include "platform/graphics/CGColorSpace.h"

#include <gtest/gtest.h>

TEST(ColorSyncProfile, EstimatesGammaFromCurvesOrThroughTheProfile)
{
    struct Case { QString space; double gamma; double tolerance; };
    const Case cases[] = {
        {kCGColorSpaceSRGB, 2.2, 0.1},
        {kCGColorSpaceAdobeRGB1998, 2.2, 0.02},
        {kCGColorSpaceGenericRGB, 1.8, 0.02},
        {kCGColorSpaceLinearSRGB, 1.0, 0.02},
        {kCGColorSpaceGenericGrayGamma2_2, 2.2, 0.02},
        {kCGColorSpaceGenericCMYK, 2.5, 1.5}, // tables only: measured through the profile
    };
    for (const Case &c : cases) {
        CGColorSpaceRef space = CGColorSpace::createWithName(c.space);
        ASSERT_TRUE(space);
        EXPECT_NEAR(ColorSyncProfileEstimateGamma(space->iccData()), c.gamma, c.tolerance) << c.space.toStdString();
    }
    EXPECT_EQ(ColorSyncProfileEstimateGamma(QByteArray()), 0.0);
    EXPECT_EQ(ColorSyncProfileEstimateGamma(QByteArray(500, 'x')), 0.0);
    // Lab has no device tone response worth a gamma.
    EXPECT_EQ(ColorSyncProfileEstimateGamma(CGColorSpace::createWithName(kCGColorSpaceGenericLab)->iccData()), 0.0);
}
