#include "platform/core/MCError.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(MCError, CarriesDomainCodeAndTexts)
{
    MCError error(MCErrorDomain, 1, QStringLiteral("“a.jpg” could not be converted."),
                  QStringLiteral("reason"), QStringLiteral("Make sure that the convert settings are proper."));
    EXPECT_EQ(error.domain(), QStringLiteral("MCErrorDomain"));
    EXPECT_EQ(error.code(), 1);
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("“a.jpg” could not be converted."));
    EXPECT_EQ(error.localizedFailureReason(), QStringLiteral("reason"));
    EXPECT_EQ(error.localizedRecoverySuggestion(), QStringLiteral("Make sure that the convert settings are proper."));
    EXPECT_TRUE(error.is(MCErrorDomain, 1));
    EXPECT_FALSE(error.isNull());
}

TEST(MCError, NullAndGenericDescription)
{
    MCError none;
    EXPECT_TRUE(none.isNull());
    EXPECT_FALSE(bool(none));
    MCError bare(QStringLiteral("X"), 7);
    EXPECT_TRUE(bare.localizedDescription().contains(QStringLiteral("X error 7")));
}

TEST(MCError, UnderlyingErrorIsKeptAndCompared)
{
    MCError outer(MCErrorDomain, 3, QStringLiteral("outer"));
    outer.setUnderlyingError(MCError::errorWithPOSIXCode(ENOENT, QStringLiteral("/x/y")));
    ASSERT_NE(outer.underlyingError(), nullptr);
    EXPECT_EQ(outer.underlyingError()->domain(), MCPOSIXErrorDomain);
    EXPECT_EQ(outer.underlyingError()->code(), ENOENT);
    EXPECT_TRUE(outer.underlyingError()->localizedDescription().startsWith(QStringLiteral("/x/y: ")));
    MCError copy = outer;
    EXPECT_EQ(copy, outer);
    copy.setUnderlyingError(MCError());
    EXPECT_FALSE(copy == outer);
    EXPECT_TRUE(outer.toString().contains(QStringLiteral("outer")));
}

TEST(MCError, SetErrorFillsOnlyWhenAsked)
{
    EXPECT_FALSE(MCSetError(nullptr, MCError(MCErrorDomain, 2)));
    MCError out;
    EXPECT_FALSE(MCSetError(&out, MCError(MCErrorDomain, 2)));
    EXPECT_EQ(out.code(), 2);
}
