#include "halvard/ui/MCPromptLayer.h"

#include "tests/support/TestSupport.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <ostream>

// Readable failures.
static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

QAbstractItemView *listOf(QFileDialog &dialog)
{
    return dialog.findChild<QAbstractItemView *>(QStringLiteral("listView"));
}

QPushButton *acceptButtonOf(QFileDialog &dialog)
{
    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    return buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
}

// A folder holding a sub-folder "trip", a photo and a text file.
QString folderWithFilesAndFolders()
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("panel"));
    QDir(folder).mkdir(QStringLiteral("trip"));
    for (const char *name : {"a.jpg", "notes.txt"}) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    return folder;
}

// Selects the rows named `names` in the dialog's list once the folder has been read.
bool selectInList(QFileDialog &dialog, const QStringList &names)
{
    QAbstractItemView *view = listOf(dialog);
    if (!view || !view->model() || !view->selectionModel())
        return false;
    QList<QModelIndex> rows;
    const bool listed = testsupport::processEventsUntil([&] {
        rows.clear();
        const QAbstractItemModel *model = view->model();
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = model->index(row, 0, view->rootIndex());
            if (names.contains(index.data().toString()))
                rows.append(index);
        }
        return rows.size() == names.size();
    });
    if (!listed)
        return false;
    view->selectionModel()->clearSelection();
    for (const QModelIndex &row : rows)
        view->selectionModel()->select(row, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    return true;
}

} // namespace

// What a request asks for reaches the dialog: modes, selection, start folder, accept title
// and the filter of file types.
TEST(MCPromptLayer, OpenPanelRequestShapesTheDialog)
{
    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("start"));
    struct Case {
        const char *name;
        bool files, folders, multiple;
        QFileDialog::FileMode mode;
        bool dirsOnly;
        QAbstractItemView::SelectionMode selection;
    } cases[] = {
        {"one file", true, false, false, QFileDialog::ExistingFile, false, QAbstractItemView::SingleSelection},
        {"files", true, false, true, QFileDialog::ExistingFiles, false, QAbstractItemView::ExtendedSelection},
        {"a folder", false, true, false, QFileDialog::Directory, true, QAbstractItemView::SingleSelection},
        {"files and folders", true, true, true, QFileDialog::ExistingFiles, false,
         QAbstractItemView::ExtendedSelection},
        {"a file or a folder", true, true, false, QFileDialog::ExistingFile, false,
         QAbstractItemView::SingleSelection},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MCOpenPanelRequest request;
        request.title = QStringLiteral("Add Photos");
        request.prompt = QStringLiteral("Add");
        request.directory = folder;
        request.canChooseFiles = c.files;
        request.canChooseDirectories = c.folders;
        request.allowsMultipleSelection = c.multiple;
        request.allowedFileTypes = {QStringLiteral("public.jpeg"), QStringLiteral("CR2")};
        const std::unique_ptr<QFileDialog> dialog = MCPromptLayer::newOpenPanel(request);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog->fileMode(), c.mode);
        EXPECT_EQ(dialog->testOption(QFileDialog::ShowDirsOnly), c.dirsOnly);
        EXPECT_EQ(dialog->windowTitle(), "Add Photos");
        EXPECT_EQ(QDir::cleanPath(dialog->directory().absolutePath()), QDir::cleanPath(folder));
        ASSERT_NE(listOf(*dialog), nullptr);
        EXPECT_EQ(listOf(*dialog)->selectionMode(), c.selection);
        ASSERT_NE(acceptButtonOf(*dialog), nullptr);
        EXPECT_EQ(acceptButtonOf(*dialog)->text(), "Add");
        if (c.files) {
            ASSERT_EQ(dialog->nameFilters().size(), 1);
            const QString filter = dialog->nameFilters().first();
            for (const char *pattern : {"*.jpg", "*.jpeg", "*.cr2"})
                EXPECT_TRUE(filter.contains(QLatin1String(pattern))) << filter.toStdString();
            EXPECT_FALSE(filter.contains(QLatin1String("*.png"))) << filter.toStdString();
        }
    }

    // No types named: every file can be chosen.
    MCOpenPanelRequest open;
    const std::unique_ptr<QFileDialog> dialog = MCPromptLayer::newOpenPanel(open);
    EXPECT_FALSE(dialog->nameFilters().join(QString()).contains(QLatin1String("*.")));
}

// The accept button of a files-and-folders panel takes a selected folder with a file, and
// keeps its title while a folder is selected; a panel for files only still opens a folder
// instead of choosing it.
TEST(MCPromptLayer, FilesAndFoldersPanelChoosesBoth)
{
    const QString folder = folderWithFilesAndFolders();
    MCOpenPanelRequest request;
    request.prompt = QStringLiteral("Add");
    request.directory = folder;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = true;
    request.allowedFileTypes = {QStringLiteral("public.jpeg")};
    {
        const std::unique_ptr<QFileDialog> dialog = MCPromptLayer::newOpenPanel(request);
        dialog->open();
        ASSERT_TRUE(selectInList(*dialog, {QStringLiteral("trip"), QStringLiteral("a.jpg")}));
        QPushButton *accept = acceptButtonOf(*dialog);
        ASSERT_NE(accept, nullptr);
        EXPECT_TRUE(accept->isEnabled());
        EXPECT_EQ(accept->text(), "Add");
        accept->click();
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        QStringList chosen = dialog->selectedFiles();
        chosen.sort();
        EXPECT_EQ(chosen, QStringList({folder + "/a.jpg", folder + "/trip"}));
    }
    {
        // A file alone is chosen the ordinary way.
        const std::unique_ptr<QFileDialog> dialog = MCPromptLayer::newOpenPanel(request);
        dialog->open();
        ASSERT_TRUE(selectInList(*dialog, {QStringLiteral("a.jpg")}));
        acceptButtonOf(*dialog)->click();
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->selectedFiles(), QStringList{folder + "/a.jpg"});
    }
    {
        request.canChooseDirectories = false;
        const std::unique_ptr<QFileDialog> dialog = MCPromptLayer::newOpenPanel(request);
        dialog->open();
        ASSERT_TRUE(selectInList(*dialog, {QStringLiteral("trip")}));
        acceptButtonOf(*dialog)->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(QDir::cleanPath(dialog->directory().absolutePath()), folder + "/trip");
        dialog->reject();
    }
}

// A scripted answer naming a folder and a file comes back whole; an accepted answer without
// paths counts as cancelled.
TEST(MCPromptLayer, ScriptedOpenPanelAnswersFoldersAndFiles)
{
    const QString folder = folderWithFilesAndFolders();
    MCOpenPanelRequest seen;
    MCOpenPanelAnswer answer{true, {folder + "/trip", folder + "/a.jpg", QString()}, folder};
    MCScopedOpenPanelResponder responder([&](const MCOpenPanelRequest &request) {
        seen = request;
        return answer;
    });
    MCOpenPanelRequest request;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = true;
    request.allowedFileTypes = {QStringLiteral("public.jpeg")};
    MCOpenPanelAnswer got = MCPromptLayer::runOpenPanel(request);
    EXPECT_TRUE(seen.canChooseFiles && seen.canChooseDirectories && seen.allowsMultipleSelection);
    EXPECT_EQ(seen.allowedFileTypes, QStringList{"public.jpeg"});
    EXPECT_TRUE(got.accepted);
    EXPECT_EQ(got.paths, QStringList({folder + "/trip", folder + "/a.jpg"}));
    EXPECT_EQ(got.directory, folder);

    answer = MCOpenPanelAnswer{true, {}};
    got = MCPromptLayer::runOpenPanel(request);
    EXPECT_FALSE(got.accepted);
    EXPECT_TRUE(got.paths.isEmpty());
}
