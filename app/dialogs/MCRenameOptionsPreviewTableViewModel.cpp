#include "app/dialogs/MCRenameOptionsPreviewTableViewModel.h"

#include "app/dialogs/MCPreviewTableImages.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFile.h"

#include <QFileInfo>

MCRenameOptionsPreviewTableViewModel::MCRenameOptionsPreviewTableViewModel(const MCBatchRenamer *renamer)
    : m_renamer(renamer ? *renamer : MCBatchRenamer::defaultBatchRenamer()), m_queue(QStringLiteral("Rename preview"))
{
}

MCRenameOptionsPreviewTableViewModel::~MCRenameOptionsPreviewTableViewModel() = default;

void MCRenameOptionsPreviewTableViewModel::recalculateInfo()
{
    const MCFileList files = items();
    const MCBatchRenameSettings settings = m_renameSettings;
    std::shared_ptr<const MCBitmapConverter> copy;
    if (m_converter)
        copy = MCPredictionCopyOfConverter(*m_converter);
    const MCBitmapConverter *converter = copy.get();
    const MCBatchRenamer *renamer = &m_renamer;
    m_queue.start([this, files, settings, converter, renamer](const MCPreviewRecalculationQueue::IsCancelled &isCancelled)
                      -> MCPreviewRecalculationQueue::Publish {
        const std::optional<QStringList> names =
            renamer->provideNamesForItems(files, settings, converter, isCancelled);
        if (!names)
            return {};
        auto results = std::make_shared<Results>();
        bool namesGood = true;
        results->counts = countedNames(*names, &namesGood);
        results->names.reserve(files.size());
        for (qsizetype i = 0; i < files.size(); ++i)
            results->names.insert(files[i]->fileID(), names->at(i));
        return [this, results, namesGood] {
            m_results = results;
            m_containsBadNames = !namesGood;
            postRecalculationDidFinish();
        };
    }, copy);
}

void MCRenameOptionsPreviewTableViewModel::cancelRecalculation() { m_queue.cancel(); }

QString MCRenameOptionsPreviewTableViewModel::stringValueForFile(const MCFile &file,
                                                                 const QString &columnIdentifier) const
{
    if (columnIdentifier == QLatin1String("Old"))
        return QFileInfo(file.filePath()).fileName();
    if (columnIdentifier == QLatin1String("New"))
        return m_results ? m_results->names.value(file.fileID()) : QString();
    return QString();
}

QImage MCRenameOptionsPreviewTableViewModel::imageValueForFile(const MCFile &file, QString *,
                                                               const QString &columnIdentifier) const
{
    if (columnIdentifier != QLatin1String("Icon") || !m_results)
        return QImage();
    const auto name = m_results->names.constFind(file.fileID());
    if (name == m_results->names.cend() || m_results->counts.value(name.value()) < 2)
        return QImage();
    return MCPreviewTableImages::imageNamed(QStringLiteral("BadgeMissing"));
}
