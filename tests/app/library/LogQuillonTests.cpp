#include "app/library/MCLogQuillon.h"

#include <gtest/gtest.h>

TEST(LogQuillon, FiveChannels)
{
    const std::pair<MCLog &(*)(), const char *> channels[] = {
        {&MCLogQuillon::application, "Application"}, {&MCLogQuillon::converter, "Converter"},
        {&MCLogQuillon::fileSystem, "File System"},  {&MCLogQuillon::fileManager, "File Manager"},
        {&MCLogQuillon::import, "Import"},
    };
    for (const auto &[get, category] : channels) {
        EXPECT_EQ(&get(), &get()) << category; // one channel for the whole run
        EXPECT_EQ(get().category(), category);
        EXPECT_EQ(get().subsystem(), kMCQuillonBundleIdentifier);
    }
}
