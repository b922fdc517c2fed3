#include "app/library/MCFile.h"

#include "app/library/MCLogQuillon.h"
#include "app/library/MCResourceManager.h"
#include "app/library/MCStringQuillon.h"
#include "halvard/imageio/MCUTType.h"
#include "platform/types/UTType.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMimeData>
#include <QTimeZone>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCFile", text); }

const MCFileLabelSource &defaultLabelSource()
{
    static const MCFileLabelSource source;
    return source;
}
std::atomic<const MCFileLabelSource *> g_labelSource{nullptr};

QDateTime fromStatxTime(const struct statx_timestamp &t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000, Qt::LocalTime);
}

bool present(const QVariant &value) { return value.isValid() && !value.isNull(); }

} // namespace

std::optional<qint64> MCFileLabelSource::labelNumberAtPath(const QString &) const { return std::nullopt; }

MCFile::MCFile(quint64 fileID)
    : m_fileID(fileID), m_fileInfo(std::make_unique<MCFileInfo>(fileID)), m_facts(std::make_shared<const Facts>()),
      m_capture(std::make_shared<const Capture>())
{
}

MCFile::Facts MCFile::facts() const
{
    std::lock_guard guard(m_stateLock);
    return *m_facts;
}

MCFile::Capture MCFile::capture() const
{
    std::lock_guard guard(m_stateLock);
    return *m_capture;
}

qint64 MCFile::fileLabelFromLabelNumber(qint64 labelNumber)
{
    static constexpr qint64 kMap[8] = {0, 7, 4, 6, 5, 3, 1, 2};
    return labelNumber >= 0 && labelNumber < 8 ? kMap[labelNumber] : labelNumber;
}

void MCFile::setLabelSource(const MCFileLabelSource *source) { g_labelSource = source; }

bool MCFile::reloadFileInfo()
{
    struct statx st {};
    const QByteArray path = QFile::encodeName(m_filePath);
    if (m_filePath.isEmpty()
        || ::statx(AT_FDCWD, path.constData(), 0, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &st) != 0) {
        const int error = m_filePath.isEmpty() ? ENOENT : errno;
        MCLogQuillon::fileSystem().error(QStringLiteral("Couldn't get resource values at path: %1\nError: %2")
                                             .arg(m_filePath, QString::fromLocal8Bit(std::strerror(error))));
        return false;
    }
    auto next = std::make_shared<Facts>();
    next->fileType = platform::UTTypeOfFileAtPath(m_filePath);
    if (!S_ISDIR(st.stx_mode))
        next->fileSize = quint64(st.stx_size);
    const MCFileLabelSource *source = g_labelSource.load();
    if (const std::optional<qint64> label = (source ? *source : defaultLabelSource()).labelNumberAtPath(m_filePath))
        next->fileLabel = fileLabelFromLabelNumber(*label);
    if (st.stx_mask & STATX_BTIME)
        next->fileCreationDate = fromStatxTime(st.stx_btime);
    if (st.stx_mask & STATX_MTIME)
        next->fileModificationDate = fromStatxTime(st.stx_mtime);
    std::lock_guard guard(m_stateLock);
    m_facts = std::move(next);
    return true;
}

void MCFile::reloadMetadata()
{
    m_fileInfo->reloadAllPropertiesFromURL(m_filePath);
    reloadCaptureDate();
}

void MCFile::reloadCaptureDate() { reloadCaptureDate(m_fileInfo->values()); }

void MCFile::reloadCaptureDate(const std::shared_ptr<const MCFileInfo::Values> &values)
{
    std::optional<QDateTime> date;
    if (values->dateTimeOriginal.isValid() && !values->dateTimeOriginal.isNull())
        date = values->dateTimeOriginal.toDateTime();
    else if (values->dateTimeDigitized.isValid() && !values->dateTimeDigitized.isNull())
        date = values->dateTimeDigitized.toDateTime();
    auto next = std::make_shared<Capture>();
    next->captureDate = date;
    next->generation = values->generation;
    if (date) {
        const QDateTime local = date->toLocalTime();
        next->captureYear = local.date().year();
        next->captureMonth = local.date().month();
        next->captureDay = local.date().day();
        next->captureHour = local.time().hour();
    }
    // Compared and swapped in one step: a reload that read older properties never replaces
    // what a reload of newer ones stored, however the two overlap.
    std::lock_guard guard(m_stateLock);
    if (values->generation < m_capture->generation)
        return;
    m_capture = std::move(next);
}

QString MCFile::fileNameString() const { return m_fileName.isEmpty() ? tr("Unknown") : m_fileName; }

QString MCFile::fileTypeString() const
{
    const QString type = fileType();
    if (type.isEmpty() || !platform::UTTypeIsDeclared(type))
        return tr("Unknown");
    // A dynamic type (an extension nobody declared) has no description either.
    const QString description = MCUTType::typeWithIdentifier(type)->typeDescription();
    return description.isEmpty() ? tr("Unknown") : description;
}

QString MCFile::fileSizeString() const
{
    const std::optional<quint64> size = fileSize();
    return size ? MCStringQuillon::stringFromFileSize(*size, 2) : tr("Unknown");
}

QString MCFile::fileLabelString() const
{
    static const char *const kNames[] = {nullptr, QT_TRANSLATE_NOOP("MCFile", "\"Red\""), QT_TRANSLATE_NOOP("MCFile", "\"Orange\""),
                                         QT_TRANSLATE_NOOP("MCFile", "\"Yellow\""), QT_TRANSLATE_NOOP("MCFile", "\"Green\""),
                                         QT_TRANSLATE_NOOP("MCFile", "\"Blue\""), QT_TRANSLATE_NOOP("MCFile", "\"Purple\""),
                                         QT_TRANSLATE_NOOP("MCFile", "\"Gray\"")};
    const std::optional<qint64> label = fileLabel();
    if (!label || *label < 1 || *label > 7)
        return tr("Not defined");
    // The string table is keyed by the quoted name; without a translation show it plain.
    const QString text = tr(kNames[*label]);
    return text.startsWith(QLatin1Char('"')) ? text.mid(1, text.size() - 2) : text;
}

QString MCFile::creationDateString() const
{
    const std::optional<QDateTime> date = fileCreationDate();
    return date ? stringFromDate(date) : tr("Not defined");
}

QString MCFile::modificationDateString() const
{
    const std::optional<QDateTime> date = fileModificationDate();
    return date ? stringFromDate(date) : tr("Not defined");
}

std::optional<QDateTime> MCFile::browserItemCaptureDate() const
{
    if (std::optional<QDateTime> date = m_fileInfo->dateTimeOriginal())
        return date;
    return m_fileInfo->dateTimeDigitized();
}

std::optional<QDateTime> MCFile::browserItemDate() const
{
    if (std::optional<QDateTime> date = browserItemCaptureDate())
        return date;
    const Facts f = facts();
    return f.fileCreationDate ? f.fileCreationDate : f.fileModificationDate;
}

QStringList MCFile::browserItemThumbnailPaths() const
{
    return m_filePath.isEmpty() ? QStringList() : QStringList{m_filePath};
}

QString MCFile::browserItemSubtitleWithMask(quint64 mask) const
{
    QString text;
    auto append = [&text](const QString &piece) {
        if (!text.isEmpty())
            text += QStringLiteral("  ");
        text += piece;
    };
    if (mask & 8) {
        if (const std::optional<QDateTime> date = browserItemDate())
            append(MCFileInfo::mediumDateString(date->date()));
    }
    if (mask & 2) {
        const QSizeF size = browserItemImageSize();
        if (size.width() > 0 && size.height() > 0)
            append(QString::asprintf("%.0fx%.0f", size.width(), size.height()));
    }
    if (mask & 32)
        append(MCStringQuillon::stringFromFileSize(fileSize().value_or(0), 1));
    if (mask & 16) {
        const qint64 rating = m_fileInfo->rating().toLongLong();
        if (rating >= 1 && rating <= 5)
            append(QString::number(rating) + QChar(0x2605));
    }
    return text;
}

MCMutableOrderedDictionary MCFile::browserItemMetadata() const
{
    MCMutableOrderedDictionary metadata;
    metadata.addObject(fileNameString(), tr("File name"));
    metadata.addObject(fileTypeString(), tr("Document type"));
    metadata.addObject(fileSizeString(), tr("File size"));
    metadata.addObject(fileLabelString(), tr("Label"));
    metadata.addObject(creationDateString(), tr("File creation"));
    metadata.addObject(modificationDateString(), tr("File modification"));
    const MCMutableOrderedDictionary properties = m_fileInfo->properties();
    for (qint64 i = 0; i < properties.count(); ++i)
        metadata.addObject(properties.objectAtIndex(i), properties.keyAtIndex(i));
    return metadata;
}

QDateTime MCFile::distantPast()
{
    static const QDateTime past(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    return past;
}

QDateTime MCFile::filteredCaptureDate() const { return captureDate().value_or(distantPast()); }
qint64 MCFile::filteredRating() const { return m_fileInfo->rating().toLongLong(); }
qint64 MCFile::filteredLabel() const { return fileLabel().value_or(0); }
QStringList MCFile::filteredKeywords() const { return m_fileInfo->keywords().toStringList(); }
quint64 MCFile::filteredFileSize() const { return fileSize().value_or(0); }
QDateTime MCFile::filteredFileCreationDate() const { return fileCreationDate().value_or(distantPast()); }
QDateTime MCFile::filteredFileModificationDate() const { return fileModificationDate().value_or(distantPast()); }

QString MCFile::filteredParentFolderName() const
{
    const QStringList components = MCStringQuillon::pathComponents(m_folderPath);
    return components.isEmpty() ? QString() : components.last();
}

quint64 MCFile::filteredImageWidth() const { return quint64(std::max(0.0, browserItemImageSize().width())); }
quint64 MCFile::filteredImageHeight() const { return quint64(std::max(0.0, browserItemImageSize().height())); }

qint64 MCFile::filteredCanvasFormat() const
{
    const QSizeF size = browserItemImageSize();
    if (size.width() == size.height())
        return 2;
    return size.height() > size.width() ? 1 : 0;
}

double MCFile::filteredImageDPI() const
{
    const double dpi = m_fileInfo->resolutionX().toDouble();
    return dpi > 0 ? dpi : 72.0;
}

QString MCFile::filteredImageColorMode() const
{
    const QVariant model = m_fileInfo->colorModel();
    return present(model) ? model.toString() : QStringLiteral("RGB");
}

qint64 MCFile::filteredImageColorDepth() const
{
    const QVariant depth = m_fileInfo->depth();
    return present(depth) ? depth.toLongLong() : 8;
}

bool MCFile::filteredImageHasAlpha() const { return m_fileInfo->hasAlpha().toBool(); }
double MCFile::filteredImageExposureTime() const { return m_fileInfo->exposureTime().toDouble(); }

namespace {
double roundedToTenth(double value) { return std::round(value * 10.0) / 10.0; } // half away from zero
} // namespace

double MCFile::filteredImageFNumber() const { return roundedToTenth(m_fileInfo->FNumber().toDouble()); }
double MCFile::filteredImageFocalLength() const { return roundedToTenth(m_fileInfo->focalLength().toDouble()); }
double MCFile::filteredImageISOSpeedRating() const { return m_fileInfo->ISOSpeedRating().toDouble(); }
qint64 MCFile::filteredImageIsFlashFired() const { return m_fileInfo->flash().toLongLong() & 1; }

bool MCFile::filteredImageIsGPSLocationSet() const
{
    const auto v = m_fileInfo->values();
    return present(v->GPSLatitude) && present(v->GPSLatitudeRef) && present(v->GPSLongitude) && present(v->GPSLongitudeRef);
}

namespace {
QString textOf(const QVariant &value) { return present(value) ? value.toString() : QStringLiteral(""); }
} // namespace

QString MCFile::filteredEditingSoftware() const { return textOf(m_fileInfo->values()->editingSoftware); }
QString MCFile::filteredCameraMaker() const { return textOf(m_fileInfo->values()->cameraMaker); }
QString MCFile::filteredCameraModel() const { return textOf(m_fileInfo->values()->cameraModel); }
QString MCFile::filteredCameraLensModel() const { return textOf(m_fileInfo->values()->cameraLensModel); }
QString MCFile::filteredProfileName() const { return textOf(m_fileInfo->values()->profileName); }
QString MCFile::filteredCopyright() const { return textOf(m_fileInfo->values()->copyright); }
QString MCFile::filteredOwner() const { return textOf(m_fileInfo->values()->owner); }
QString MCFile::filteredIPTCTitle() const { return textOf(m_fileInfo->values()->IPTCTitle); }
QString MCFile::filteredIPTCCaption() const { return textOf(m_fileInfo->values()->IPTCCaption); }
QString MCFile::filteredIPTCCity() const { return textOf(m_fileInfo->values()->IPTCCity); }
QString MCFile::filteredIPTCCountry() const { return textOf(m_fileInfo->values()->IPTCCountry); }
QString MCFile::filteredIPTCProvince() const { return textOf(m_fileInfo->values()->IPTCProvince); }
QString MCFile::filteredIPTCLocation() const { return textOf(m_fileInfo->values()->IPTCLocation); }

double MCFile::groupItemMegapixels() const
{
    const auto v = m_fileInfo->values();
    const double pixels = v->width.toDouble() * v->height.toDouble();
    return std::ceil(pixels / 100000.0) / 10.0;
}

bool MCFile::filteredIsRAWFile() const { return MCResourceManager::isRAWImageType(fileType()); }
bool MCFile::filteredIsJPEGFile() const { return MCResourceManager::isJPEGImageType(fileType()); }
bool MCFile::filteredIsBMPFile() const { return MCResourceManager::isBMPImageType(fileType()); }
bool MCFile::filteredIsGIFFile() const { return MCResourceManager::isGIFImageType(fileType()); }
bool MCFile::filteredIsJPEG2000File() const { return MCResourceManager::isJPEG2000ImageType(fileType()); }
bool MCFile::filteredIsPDFFile() const { return MCResourceManager::isPDFImageType(fileType()); }
bool MCFile::filteredIsPNGFile() const { return MCResourceManager::isPNGImageType(fileType()); }
bool MCFile::filteredIsTIFFFile() const { return MCResourceManager::isTIFFImageType(fileType()); }
bool MCFile::filteredIsHEICFile() const { return MCResourceManager::isHEICImageType(fileType()); }

const QString MCFile::kFileURLType = QStringLiteral("public.file-url");

std::shared_ptr<MCImageDescriptor> MCFile::imageDescriptor() const
{
    const QSizeF size = browserItemImageSize();
    const double larger = std::max(size.width(), size.height());
    return std::make_shared<MCImageDescriptor>(m_filePath, larger > 0 ? quint64(larger) : 0);
}

QVariant MCFile::pasteboardPropertyListForType(const QString &type) const
{
    if (type != kFileURLType || m_filePath.isEmpty())
        return {};
    return previewItemURL().toString(QUrl::FullyEncoded);
}

std::unique_ptr<QMimeData> MCFile::newMimeDataForFiles(const QList<std::shared_ptr<MCFile>> &files)
{
    QList<QUrl> urls;
    for (const std::shared_ptr<MCFile> &file : files)
        if (file && !file->filePath().isEmpty())
            urls.append(file->previewItemURL());
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

namespace {

template<typename T>
QVariant variantOf(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

using KeyReader = QVariant (*)(const MCFile &);

const QHash<QString, KeyReader> &keyReaders()
{
    static const QHash<QString, KeyReader> readers = {
        {"filteredFileName", [](const MCFile &f) { return QVariant(f.filteredFileName()); }},
        {"filteredCaptureDate", [](const MCFile &f) { return QVariant(f.filteredCaptureDate()); }},
        {"filteredIsFlagged", [](const MCFile &f) { return QVariant(f.filteredIsFlagged()); }},
        {"filteredIsRejected", [](const MCFile &f) { return QVariant(f.filteredIsRejected()); }},
        {"filteredIsMarked", [](const MCFile &f) { return QVariant(f.filteredIsMarked()); }},
        {"filteredIsLocked", [](const MCFile &f) { return QVariant(f.filteredIsLocked()); }},
        {"filteredRating", [](const MCFile &f) { return QVariant(f.filteredRating()); }},
        {"filteredLabel", [](const MCFile &f) { return QVariant(f.filteredLabel()); }},
        {"filteredKeywords", [](const MCFile &f) { return QVariant(f.filteredKeywords()); }},
        {"filteredIsJPEGFile", [](const MCFile &f) { return QVariant(f.filteredIsJPEGFile()); }},
        {"filteredIsRAWFile", [](const MCFile &f) { return QVariant(f.filteredIsRAWFile()); }},
        {"filteredIsBMPFile", [](const MCFile &f) { return QVariant(f.filteredIsBMPFile()); }},
        {"filteredIsGIFFile", [](const MCFile &f) { return QVariant(f.filteredIsGIFFile()); }},
        {"filteredIsJPEG2000File", [](const MCFile &f) { return QVariant(f.filteredIsJPEG2000File()); }},
        {"filteredIsPDFFile", [](const MCFile &f) { return QVariant(f.filteredIsPDFFile()); }},
        {"filteredIsPNGFile", [](const MCFile &f) { return QVariant(f.filteredIsPNGFile()); }},
        {"filteredIsTIFFFile", [](const MCFile &f) { return QVariant(f.filteredIsTIFFFile()); }},
        {"filteredIsHEICFile", [](const MCFile &f) { return QVariant(f.filteredIsHEICFile()); }},
        {"filteredFileSize", [](const MCFile &f) { return QVariant(f.filteredFileSize()); }},
        {"filteredFileCreationDate", [](const MCFile &f) { return QVariant(f.filteredFileCreationDate()); }},
        {"filteredFileModificationDate", [](const MCFile &f) { return QVariant(f.filteredFileModificationDate()); }},
        {"filteredParentFolderName", [](const MCFile &f) { return QVariant(f.filteredParentFolderName()); }},
        {"filteredImageWidth", [](const MCFile &f) { return QVariant(f.filteredImageWidth()); }},
        {"filteredImageHeight", [](const MCFile &f) { return QVariant(f.filteredImageHeight()); }},
        {"filteredCanvasFormat", [](const MCFile &f) { return QVariant(f.filteredCanvasFormat()); }},
        {"filteredImageDPI", [](const MCFile &f) { return QVariant(f.filteredImageDPI()); }},
        {"filteredImageColorMode", [](const MCFile &f) { return QVariant(f.filteredImageColorMode()); }},
        {"filteredImageColorDepth", [](const MCFile &f) { return QVariant(f.filteredImageColorDepth()); }},
        {"filteredImageHasAlpha", [](const MCFile &f) { return QVariant(f.filteredImageHasAlpha()); }},
        {"filteredImageExposureTime", [](const MCFile &f) { return QVariant(f.filteredImageExposureTime()); }},
        {"filteredImageFNumber", [](const MCFile &f) { return QVariant(f.filteredImageFNumber()); }},
        {"filteredImageFocalLength", [](const MCFile &f) { return QVariant(f.filteredImageFocalLength()); }},
        {"filteredImageISOSpeedRating", [](const MCFile &f) { return QVariant(f.filteredImageISOSpeedRating()); }},
        {"filteredImageIsFlashFired", [](const MCFile &f) { return QVariant(f.filteredImageIsFlashFired()); }},
        {"filteredImageIsGPSLocationSet", [](const MCFile &f) { return QVariant(f.filteredImageIsGPSLocationSet()); }},
        {"filteredEditingSoftware", [](const MCFile &f) { return QVariant(f.filteredEditingSoftware()); }},
        {"filteredCameraMaker", [](const MCFile &f) { return QVariant(f.filteredCameraMaker()); }},
        {"filteredCameraModel", [](const MCFile &f) { return QVariant(f.filteredCameraModel()); }},
        {"filteredCameraLensModel", [](const MCFile &f) { return QVariant(f.filteredCameraLensModel()); }},
        {"filteredProfileName", [](const MCFile &f) { return QVariant(f.filteredProfileName()); }},
        {"filteredCopyright", [](const MCFile &f) { return QVariant(f.filteredCopyright()); }},
        {"filteredOwner", [](const MCFile &f) { return QVariant(f.filteredOwner()); }},
        {"filteredIPTCTitle", [](const MCFile &f) { return QVariant(f.filteredIPTCTitle()); }},
        {"filteredIPTCCaption", [](const MCFile &f) { return QVariant(f.filteredIPTCCaption()); }},
        {"filteredIPTCCity", [](const MCFile &f) { return QVariant(f.filteredIPTCCity()); }},
        {"filteredIPTCCountry", [](const MCFile &f) { return QVariant(f.filteredIPTCCountry()); }},
        {"filteredIPTCProvince", [](const MCFile &f) { return QVariant(f.filteredIPTCProvince()); }},
        {"filteredIPTCLocation", [](const MCFile &f) { return QVariant(f.filteredIPTCLocation()); }},
        {"groupItemFileType", [](const MCFile &f) { return f.groupItemFileType().isEmpty() ? QVariant() : QVariant(f.groupItemFileType()); }},
        {"groupItemFileSize", [](const MCFile &f) { return variantOf(f.groupItemFileSize()); }},
        {"groupItemAlpha", [](const MCFile &f) { return f.groupItemAlpha(); }},
        {"groupItemColorModel", [](const MCFile &f) { return f.groupItemColorModel(); }},
        {"groupItemDepth", [](const MCFile &f) { return f.groupItemDepth(); }},
        {"groupItemOrientation", [](const MCFile &f) { return f.groupItemOrientation(); }},
        {"groupItemMegapixels", [](const MCFile &f) { return QVariant(f.groupItemMegapixels()); }},
        {"groupItemImageAspectRatio", [](const MCFile &f) { return variantOf(f.groupItemImageAspectRatio()); }},
        {"groupItemCaptureDate", [](const MCFile &f) { return variantOf(f.groupItemCaptureDate()); }},
        {"groupItemCaptureYear", [](const MCFile &f) { return variantOf(f.groupItemCaptureYear()); }},
        {"groupItemCaptureMonth", [](const MCFile &f) { return variantOf(f.groupItemCaptureMonth()); }},
        {"groupItemCaptureDay", [](const MCFile &f) { return variantOf(f.groupItemCaptureDay()); }},
        {"groupItemCaptureHour", [](const MCFile &f) { return variantOf(f.groupItemCaptureHour()); }},
    };
    return readers;
}

} // namespace

QVariant MCFile::valueForKey(const QString &key) const
{
    const KeyReader reader = keyReaders().value(key);
    return reader ? reader(*this) : QVariant();
}
