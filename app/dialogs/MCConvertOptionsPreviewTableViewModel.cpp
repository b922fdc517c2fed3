#include "app/dialogs/MCConvertOptionsPreviewTableViewModel.h"

#include "app/dialogs/MCPreviewTableImages.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCConvertOutputNames.h"
#include "app/library/MCFile.h"
#include "platform/core/MCUserDefaults.h"

#include <QCoreApplication>

#include <cmath>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCConvertOptionsPreviewTableViewModel", text); }

constexpr double kMaximumSide = 65500.0;
constexpr double kMaximumPixels = 1073741824.0; // 2^30

// The platform's path extension: what follows the last "." of the name, none when the name
// only begins with it.
QString pathExtension(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

QString profileOrNone(const QString &name) { return name.isEmpty() ? tr("None") : name; }

// "6000x4000"; a side that is not a finite number (a stage dividing by the 0 × 0 of a file
// that could not be read) shows as 0.
QString sizeText(const QSizeF &size)
{
    auto side = [](double value) { return std::isfinite(value) ? value : 0.0; };
    return QString::asprintf("%.0fx%.0f", side(size.width()), side(size.height()));
}

} // namespace

MCConvertOptionsPreviewTableViewModel::MCConvertOptionsPreviewTableViewModel(MCBitmapConverter &converter,
                                                                             const MCBatchRenamer *renamer)
    : m_converter(converter), m_renamer(renamer ? *renamer : MCBatchRenamer::defaultBatchRenamer()),
      m_queue(QStringLiteral("Convert preview"))
{
}

MCConvertOptionsPreviewTableViewModel::~MCConvertOptionsPreviewTableViewModel() = default;

MCConvertOptionsPreviewTableViewModel::SizeProblem MCConvertOptionsPreviewTableViewModel::sizeProblem(const QSizeF &size)
{
    // Written so that a side that is not a number fails the first test.
    if (!(size.width() >= 1.0) || !(size.height() >= 1.0))
        return SizeProblem::TooSmall;
    if (size.width() > kMaximumSide || size.height() > kMaximumSide || size.width() * size.height() > kMaximumPixels)
        return SizeProblem::TooLarge;
    return SizeProblem::None;
}

void MCConvertOptionsPreviewTableViewModel::recalculateInfo()
{
    const MCFileList files = items();
    const std::shared_ptr<const MCBitmapConverter> copy = MCPredictionCopyOfConverter(m_converter);
    const MCBitmapConverter *converter = copy.get();
    const bool autorotates = m_converter.userDefaults().boolForKey(kMCShouldAutorotateKey);
    const MCBatchRenamer *renamer = &m_renamer;
    m_queue.start([this, files, converter, autorotates, renamer](const MCPreviewRecalculationQueue::IsCancelled &isCancelled)
                      -> MCPreviewRecalculationQueue::Publish {
        const std::optional<QStringList> names = MCConvertOutputNames(files, *converter, *renamer, isCancelled);
        if (!names)
            return {};
        auto results = std::make_shared<Results>();
        bool sizesGood = true, namesGood = true;
        results->counts = countedNames(*names, &namesGood);
        results->sizes.reserve(files.size());
        results->names.reserve(files.size());
        for (qsizetype i = 0; i < files.size(); ++i) {
            const MCFile &file = *files[i];
            const quint64 orientation = autorotates ? file.browserItemImageOrientation().toULongLong() : 1;
            const QSizeF size = converter->sizeForOriginalSize(
                QSizeF(file.browserItemImageWidth().toDouble(), file.browserItemImageHeight().toDouble()), orientation);
            results->sizes.insert(file.fileID(), size);
            results->names.insert(file.fileID(), names->at(i));
            sizesGood = sizesGood && sizeProblem(size) == SizeProblem::None;
            if (isCancelled())
                return {};
        }
        return [this, results, sizesGood, namesGood] {
            m_results = results;
            m_containsBadNames = !namesGood;
            m_containsBadSizes = !sizesGood;
            postRecalculationDidFinish();
        };
    }, copy);
}

void MCConvertOptionsPreviewTableViewModel::cancelRecalculation() { m_queue.cancel(); }

QString MCConvertOptionsPreviewTableViewModel::fileNameForItem(const MCFile &file) const
{
    return m_results ? m_results->names.value(file.fileID()) : QStringLiteral("");
}

std::optional<QSizeF> MCConvertOptionsPreviewTableViewModel::imageSizeForItem(const MCFile &file) const
{
    if (!m_results)
        return std::nullopt;
    const auto found = m_results->sizes.constFind(file.fileID());
    return found == m_results->sizes.cend() ? std::nullopt : std::optional<QSizeF>(found.value());
}

QString MCConvertOptionsPreviewTableViewModel::stringValueForFile(const MCFile &file,
                                                                  const QString &columnIdentifier) const
{
    static const QString arrow = QStringLiteral(" \u2192 ");
    if (columnIdentifier == QLatin1String("FileName")) {
        const QString title = file.browserItemTitle();
        if (m_results) {
            const auto found = m_results->names.constFind(file.fileID());
            if (found != m_results->names.cend())
                return title + arrow + found.value();
        }
        return title;
    }
    if (columnIdentifier == QLatin1String("Format"))
        return pathExtension(file.filePath()).toLower() + arrow + m_converter.imageFileExtension();
    if (columnIdentifier == QLatin1String("ImageSize")) {
        QString text = sizeText(file.browserItemImageSize());
        if (const std::optional<QSizeF> size = imageSizeForItem(file))
            text += arrow + sizeText(*size);
        return text;
    }
    if (columnIdentifier == QLatin1String("Resolution")) {
        quint64 resolution = quint64(std::max(0.0, file.browserItemImageResolution().toDouble()));
        if (resolution == 0)
            resolution = 72;
        return QString::number(resolution) + arrow + QString::number(m_converter.resolutionForOriginalResolution(resolution));
    }
    if (columnIdentifier == QLatin1String("ColorProfile")) {
        const QString name = file.browserItemImageColorProfileName().toString();
        const QString predicted =
            m_converter.colorProfileNameForOriginalName(name, file.browserItemImageColorModel().toString());
        return profileOrNone(name) + arrow + profileOrNone(predicted);
    }
    return QString();
}

QImage MCConvertOptionsPreviewTableViewModel::imageValueForFile(const MCFile &file, QString *tooltip,
                                                                const QString &columnIdentifier) const
{
    if (columnIdentifier != QLatin1String("Icon") || !m_results)
        return QImage();
    const auto size = m_results->sizes.constFind(file.fileID());
    const auto name = m_results->names.constFind(file.fileID());
    if (size == m_results->sizes.cend() || name == m_results->names.cend())
        return QImage();
    QString text;
    switch (sizeProblem(size.value())) {
    case SizeProblem::TooSmall:
        text = tr("Image size is too small");
        break;
    case SizeProblem::TooLarge:
        text = tr("Image size is too large");
        break;
    case SizeProblem::None:
        if (m_results->counts.value(name.value()) >= 2)
            text = tr("Not unique name");
        break;
    }
    if (tooltip)
        *tooltip = text;
    return text.isEmpty() ? QImage() : MCPreviewTableImages::imageNamed(QStringLiteral("BadgeMissing"));
}
