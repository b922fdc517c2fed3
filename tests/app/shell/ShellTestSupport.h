#pragma once

// Helpers of the shell's tests: small photos on disk, a photo list that records what reaches
// it, and the library emptied between tests.
#include "app/library/MCFileContainer.h"
#include "app/shell/MCPhotoListScreen.h"
#include "tests/support/TestSupport.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QMimeData>
#include <QStringList>
#include <QUrl>

namespace shelltest {

// `count` small JPEG photos in a new folder; answers the folder.
inline QString folderWithPhotos(int count, const QString &prefix = QStringLiteral("photos"))
{
    const QString folder = testsupport::makeTemporaryFolder(prefix);
    for (int i = 0; i < count; ++i) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((i * 47) % 360, 160, 200));
        image.save(QDir(folder).filePath(QStringLiteral("IMG_%1.jpg").arg(1000 + i)), "JPEG", 85);
    }
    return folder;
}

// What a drag of these files and folders carries.
inline QMimeData *dropOf(const QStringList &paths)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

inline void emptyLibrary()
{
    MCFileContainer &container = MCFileContainer::sharedContainer();
    container.removeFiles(container.allFiles());
}

// A photo list that only records the calls it receives.
class RecordingPhotoList : public MCPhotoListScreen
{
public:
    QList<QStringList> imports;
    QList<MCFileList> updates;
    int clears = 0;
    int adds = 0;

    bool importItemsAtURLs(const QStringList &paths) override
    {
        imports.append(paths);
        return !paths.isEmpty();
    }
    void updatePhotos(const MCFileList &files) override { updates.append(files); }
    void clearPhotosList() override
    {
        ++clears;
        emptyLibrary();
    }
    void addPhotosToList() override { ++adds; }
    bool isLoading() const override { return false; }
};

// Installs the recording photo list for the lifetime of this object.
class ScopedRecordingPhotoList
{
public:
    ScopedRecordingPhotoList()
    {
        MCPhotoListScreen::setFactory([this](MCMainWindowController *) {
            auto screen = std::make_shared<RecordingPhotoList>();
            made.append(screen);
            return screen;
        });
    }
    ~ScopedRecordingPhotoList() { MCPhotoListScreen::setFactory({}); }
    RecordingPhotoList *last() const { return made.isEmpty() ? nullptr : made.last().get(); }
    QList<std::shared_ptr<RecordingPhotoList>> made;
};

} // namespace shelltest
