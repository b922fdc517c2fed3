#include "platform/desktop/MCDesktopEntry.h"

#include <gtest/gtest.h>

namespace {

std::string describe(const QStringList &list) { return ("[" + list.join("|") + "]").toStdString(); }

} // namespace

TEST(MCDesktopEntry, ReadsTheEntryGroupWithLocalisedNamesAndEscapes)
{
    const QByteArray text = "# comment\n"
                            "[Desktop Action New]\nName=Not this one\n\n"
                            "[Desktop Entry]\r\n"
                            "Type = Application\n"
                            "Name=Viewer\nName[de]=Betrachter\nName[de_CH]=Bildbetrachter\nName[sr@latin]=Pregled\n"
                            "Exec=view\\s%f\n"
                            "Icon=viewer\n"
                            "MimeType=image/jpeg;image/x\\;odd;;image/png\n"
                            "NoDisplay=true\nHidden=false\n"
                            "Name=duplicate keys keep the first\n"
                            "[Other Group]\nName=Other\n";
    struct Case {
        const char *locale;
        const char *name;
    } cases[] = {
        {"", "Viewer"},       {"C", "Viewer"},         {"de_DE.UTF-8", "Betrachter"}, {"de_CH", "Bildbetrachter"},
        {"de_CH@euro", "Bildbetrachter"}, {"sr_RS@latin", "Pregled"}, {"fr_FR", "Viewer"},
    };
    for (const Case &c : cases) {
        const auto entry = MCDesktopEntry::fromText(text, "viewer.desktop", "/apps/viewer.desktop", c.locale);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->name, QString::fromUtf8(c.name)) << c.locale;
    }
    const auto entry = MCDesktopEntry::fromText(text);
    EXPECT_EQ(entry->type, "Application");
    EXPECT_EQ(entry->exec, "view %f");
    EXPECT_EQ(entry->mimeTypes, (QStringList{"image/jpeg", "image/x;odd", "image/png"}));
    EXPECT_TRUE(entry->noDisplay);
    EXPECT_FALSE(entry->hidden);
    EXPECT_TRUE(entry->isLaunchable());

    EXPECT_FALSE(MCDesktopEntry::fromText("[Desktop Action X]\nExec=x\n"));
    EXPECT_FALSE(MCDesktopEntry::fromText(QByteArray()));

    // What keeps an entry from being started.
    const char *unlaunchable[] = {
        "[Desktop Entry]\nType=Link\nExec=x\n",
        "[Desktop Entry]\nType=Application\nExec=x\nHidden=true\n",
        "[Desktop Entry]\nType=Application\nExec=x\nTerminal=true\n",
        "[Desktop Entry]\nType=Application\nExec=\"x\n",
        "[Desktop Entry]\nType=Application\n",
        "[Desktop Entry]\nType=Application\nExec=x\nTryExec=/no/such/program\n",
        "[Desktop Entry]\nType=Application\nExec=x\nTryExec=no-such-program-on-this-machine\n",
    };
    for (const char *source : unlaunchable)
        EXPECT_FALSE(MCDesktopEntry::fromText(source)->isLaunchable()) << source;
    EXPECT_TRUE(MCDesktopEntry::fromText("[Desktop Entry]\nType=Application\nExec=x\nTryExec=sh\n")->isLaunchable());
}

TEST(MCDesktopEntry, ExecArgumentsFollowTheQuotingRules)
{
    struct Case {
        QString exec;
        std::optional<QStringList> arguments;
    } cases[] = {
        {"viewer %f", QStringList{"viewer", "%f"}},
        {"  viewer   --new\t%U ", QStringList{"viewer", "--new", "%U"}},
        {R"("/opt/My App/bin/viewer" --title "a \"b\" \$c \`d\` \\e" %F)",
         QStringList{"/opt/My App/bin/viewer", "--title", R"(a "b" $c `d` \e)", "%F"}},
        {R"(viewer "" x)", QStringList{"viewer", "", "x"}},
        {R"(viewer a"b c"d)", QStringList{"viewer", "ab cd"}},
        {R"(sh -c "echo; rm -rf ~" ;|&)", QStringList{"sh", "-c", "echo; rm -rf ~", ";|&"}}, // never a shell here
        {R"(viewer "unterminated)", std::nullopt},
        {"", std::nullopt},
        {R"("" %f)", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCDesktopExecArguments(c.exec), c.arguments) << c.exec.toStdString();

    // The general escapes come first, so a file's "\\\\" is one backslash inside quotes.
    EXPECT_EQ(MCDesktopUnescapeValue(R"(a\sb\\c\;d\q\)"), R"(a b\c\;d\q\)");
    EXPECT_EQ(MCDesktopExecArguments(MCDesktopUnescapeValue(R"(x "a\\\\b")")), (QStringList{"x", R"(a\b)"}));
    EXPECT_EQ(MCDesktopListValue("a;;b\\;c;\\s;"), (QStringList{"a", "b;c", " "}));
}

TEST(MCDesktopEntry, FieldCodesBecomeFilesUrlsAndProcesses)
{
    const QStringList two{"/p/a b.jpg", "/p/ü#2.png"};
    const QString aURL = "file:///p/a%20b.jpg", bURL = "file:///p/%C3%BC%232.png";
    struct Case {
        QString exec;
        QStringList files;
        QList<QStringList> commands;
    } cases[] = {
        {"view %f", two, {{"view", two[0]}, {"view", two[1]}}}, // one process per file
        {"view %u", two, {{"view", aURL}, {"view", bURL}}},
        {"view --files %F --end", two, {{"view", "--files", two[0], two[1], "--end"}}},
        {"view %U", two, {{"view", aURL, bURL}}},
        {"view %F", {}, {{"view"}}},
        {"view %f", {}, {{"view"}}},
        {"view --file=%f", {two[0]}, {{"view", "--file=" + two[0]}}},
        {"view \"%f\"", {two[0]}, {{"view", two[0]}}},
        {"view %i %c %k 100%% %d %D %n %N %v %m %F", {two[0]},
         {{"view", "--icon", "viewer", "Viewer", "/apps/viewer.desktop", "100%", two[0]}}},
        {"view --new-window", two, {{"view", "--new-window", two[0], two[1]}}}, // no file code: files at the end
        {"view \"unterminated", two, {}},
        {"%f", {}, {}},
    };
    for (const Case &c : cases) {
        MCDesktopEntry entry;
        entry.exec = c.exec;
        entry.name = "Viewer";
        entry.icon = "viewer";
        entry.path = "/apps/viewer.desktop";
        EXPECT_EQ(entry.commandsForFiles(c.files), c.commands) << c.exec.toStdString() << " " << describe(c.files);
    }
    MCDesktopEntry iconless;
    iconless.exec = "view %i %f";
    EXPECT_EQ(iconless.commandsForFiles({"/a"}), (QList<QStringList>{{"view", "/a"}}));
}
