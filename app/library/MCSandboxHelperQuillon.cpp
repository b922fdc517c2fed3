#include "app/library/MCSandboxHelperQuillon.h"

#include "halvard/system/MCSandboxHelper.h"

#include <QFileInfo>

namespace MCSandboxHelperQuillon {

void prepareForAccessingFiles(MCSandboxHelper &helper, const QList<std::shared_ptr<MCFile>> &files)
{
    qsizetype index = 0;
    helper.prepareForAccessingURLs([&files, &index]() -> QString {
        while (index < files.size()) {
            const std::shared_ptr<MCFile> &file = files.at(index++);
            if (file && !file->filePath().isEmpty())
                return QFileInfo(file->filePath()).path();
        }
        return {};
    });
}

void prepareForAccessingFiles(const QList<std::shared_ptr<MCFile>> &files)
{
    prepareForAccessingFiles(MCSandboxHelper::sharedInstance(), files);
}

} // namespace MCSandboxHelperQuillon
