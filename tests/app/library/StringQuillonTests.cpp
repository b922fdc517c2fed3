#include "app/library/MCStringQuillon.h"

#include <gtest/gtest.h>

using namespace MCStringQuillon;

TEST(StringQuillon, FileSizes)
{
    struct Case
    {
        quint64 bytes, precision;
        const char *text;
    } cases[] = {
        {0, 1, "0.0 B"},         {999, 1, "999.0 B"},        {1000, 1, "1.0 KB"},
        {1536000, 2, "1.54 MB"}, {2500000, 1, "2.5 MB"},     {999999999, 1, "1000.0 MB"},
        {1000000000, 0, "1 GB"}, {2000000000000000ull, 1, "2000.0 TB"},
        {~quint64(0), 1, "18446744.1 TB"}, {1, ~quint64(0), "1.00000000000000000 B"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(stringFromFileSize(c.bytes, c.precision), QString(c.text)) << c.bytes;
}

TEST(StringQuillon, PathPrefixesAndSubPaths)
{
    struct Case
    {
        const char *path, *other;
        bool hasPrefix, contains;
    } cases[] = {
        {"/a/b/c", "/a/b", true, true},  {"/a/bc", "/a/b", false, false}, {"/a/b", "/a/b/c", false, true},
        {"/a/b", "/a/b", true, true},    {"/a/b/", "/a/b", true, true},   {"/a/b", "", false, false},
        {"/x/y", "/a", false, false},    {"a/b", "a", true, true},        {"/a", "a", false, false},
        {"/", "/", true, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(hasPrefixPath(c.path, c.other), c.hasPrefix) << c.path << " " << c.other;
        EXPECT_EQ(containsSubPath(c.path, c.other), c.contains) << c.path << " " << c.other;
    }
}

TEST(StringQuillon, TrailingIndexOfNames)
{
    struct Case
    {
        const char *name, *index, *before, *suffix;
    } cases[] = {
        {"IMG_0012 copy", "0012", "IMG_", " copy"}, {"no digits", "", "no digits", ""}, {"12", "12", "", ""},
        {"a1b22c", "22", "a1b", "c"},             {"", "", "", ""},                    {"2019-05 trip 7.", "7", "2019-05 trip ", "."},
    };
    for (const Case &c : cases) {
        QString before = "unset", suffix = "unset";
        EXPECT_EQ(indexStringFromName(c.name, &before, &suffix), QString(c.index)) << c.name;
        EXPECT_EQ(before, QString(c.before)) << c.name;
        EXPECT_EQ(suffix, QString(c.suffix)) << c.name;
    }
    EXPECT_EQ(indexStringFromName("x9"), "9");
}
