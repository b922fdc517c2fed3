#include "halvard/imageio/MCResourceLoader.h"

#include "halvard/imageio/MCImageFunctions.h"
#include "halvard/imageio/MCImageLoader.h"
#include "platform/core/MCDispatch.h"
#include "platform/graphics/CGImage.h"

#include <algorithm>

MCResource::~MCResource() = default;
MCResourceLoadStrategy::~MCResourceLoadStrategy() = default;
MCResourceLoadOptions::~MCResourceLoadOptions() = default;
MCResourceImageReceiver::~MCResourceImageReceiver() = default;
MCResourceThumbnailReceiver::~MCResourceThumbnailReceiver() = default;

// ---------------------------------------------------------------- strategies

std::shared_ptr<MCResource> MCImageLoadStrategy::loadResourceForDescriptor(const MCResourceDescriptor &descriptor,
                                                                           const MCResourceLoadOptions &) const
{
    const auto *image = dynamic_cast<const MCImageDescriptor *>(&descriptor);
    if (!image)
        return nullptr;
    QVariantMap metadata;
    const CGImageRef decoded = MCImageLoader::newImageWithURL(image->fileURL(), &metadata);
    if (!decoded)
        return nullptr;
    MCError error;
    std::shared_ptr<MCImage> wrapped = MCImage::create(decoded, &error);
    return std::make_shared<MCImageResource>(std::move(wrapped), std::move(metadata), std::move(error));
}

namespace {

bool reaches(const CGImageRef &image, quint64 size)
{
    return image && (image->width() >= size || image->height() >= size);
}

// A candidate replaces the best so far only when strictly larger on both sides.
void keepLarger(CGImageRef &best, const CGImageRef &candidate)
{
    if (!candidate || candidate->width() == 0 || candidate->height() == 0)
        return;
    if (!best || (candidate->width() > best->width() && candidate->height() > best->height()))
        best = candidate;
}

MCThumbnailReadingOptions readingOptions(quint64 maxPixelSize, bool fromImageAlways)
{
    MCThumbnailReadingOptions options;
    options.createThumbnailFromImageAlways = fromImageAlways;
    options.createThumbnailFromImageIfAbsent = false;
    options.createThumbnailWithTransform = true;
    options.thumbnailMaxPixelSize = maxPixelSize;
    return options;
}

} // namespace

CGImageRef MCThumbnailLoadStrategy::newThumbnailForThumbnailDescriptors(
    const QList<MCThumbnailDescriptor> &descriptors, quint64 maxPixelSize)
{
    const MCThumbnailReadingOptions options = readingOptions(maxPixelSize, true);
    CGImageRef best;
    for (const MCThumbnailDescriptor &descriptor : descriptors) {
        const CGImageRef image = MCImageLoader::newThumbnailWithURL(descriptor.fileURL, &options);
        if (!image)
            continue;
        keepLarger(best, image);
        if (reaches(best, maxPixelSize))
            break;
    }
    return best;
}

CGImageRef MCThumbnailLoadStrategy::newThumbnailForImageDescriptor(const MCImageDescriptor &descriptor,
                                                                   quint64 maxPixelSize, bool createFromImageAlways)
{
    MCThumbnailReadingOptions options = readingOptions(maxPixelSize, createFromImageAlways);
    const CGImageRef image = MCImageLoader::newThumbnailWithURL(descriptor.fileURL(), &options);
    if (createFromImageAlways)
        return image;
    // The thumbnail embedded in the file serves when it reaches the asked size or the image's
    // own size; otherwise one is made from the image (the decoders read it reduced).
    if (image && (reaches(image, maxPixelSize) || reaches(image, descriptor.estimatedPixelSize())))
        return image;
    options.createThumbnailFromImageAlways = true;
    return MCImageLoader::newThumbnailWithURL(descriptor.fileURL(), &options);
}

CGImageRef MCThumbnailLoadStrategy::newThumbnailForImageDescriptor(const MCImageDescriptor &descriptor,
                                                                   const MCThumbnailLoadOptions &options)
{
    const quint64 asked = options.thumbnailMaxPixelSize, estimated = descriptor.estimatedPixelSize();
    const quint64 target = asked && estimated ? std::min(asked, estimated) : asked ? asked : estimated;

    QList<MCThumbnailDescriptor> candidates;
    for (const MCThumbnailDescriptor &thumbnail : descriptor.thumbnailDescriptors())
        if (thumbnail.estimatedPixelSize == 0 || thumbnail.estimatedPixelSize >= target)
            candidates.append(thumbnail);
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const auto &a, const auto &b) { return a.estimatedPixelSize < b.estimatedPixelSize; });

    CGImageRef best;
    if (!candidates.isEmpty()) {
        keepLarger(best, newThumbnailForThumbnailDescriptors(candidates, target));
        if (reaches(best, target))
            return best;
    }
    keepLarger(best, newThumbnailForImageDescriptor(descriptor, target, options.createThumbnailFromImageAlways));
    if (reaches(best, target))
        return best;

    QList<MCThumbnailDescriptor> all = descriptor.thumbnailDescriptors();
    if (!all.isEmpty()) {
        std::stable_sort(all.begin(), all.end(),
                         [](const auto &a, const auto &b) { return a.estimatedPixelSize > b.estimatedPixelSize; });
        keepLarger(best, newThumbnailForThumbnailDescriptors(all, target));
    }
    return best;
}

std::shared_ptr<MCResource> MCThumbnailLoadStrategy::loadResourceForDescriptor(const MCResourceDescriptor &descriptor,
                                                                               const MCResourceLoadOptions &options) const
{
    const auto *thumbnailOptions = dynamic_cast<const MCThumbnailLoadOptions *>(&options);
    const quint64 asked = thumbnailOptions ? thumbnailOptions->thumbnailMaxPixelSize : 0;
    QImage image;
    if (const auto *imageDescriptor = dynamic_cast<const MCImageDescriptor *>(&descriptor)) {
        const MCThumbnailLoadOptions defaults;
        const CGImageRef thumbnail =
            newThumbnailForImageDescriptor(*imageDescriptor, thumbnailOptions ? *thumbnailOptions : defaults);
        if (thumbnail) {
            const CGImageRef display = MCCreateImageFromImageWithScreenColorSpace(thumbnail);
            if (display)
                image = MCImageLoader::imageFromCGImage(display);
            // Converted here, on the loader's thread, to the format the raster paint engine
            // draws directly: a grid repainting hundreds of thumbnails a frame then converts none.
            if (!image.isNull())
                image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        }
    }
    return std::make_shared<MCThumbnailResource>(std::make_shared<const MCThumbnail>(std::move(image)), qint64(asked),
                                                 MCError());
}

// ---------------------------------------------------------------- operation and loader

MCResourceLoadOperation::MCResourceLoadOperation(QString identifier, std::shared_ptr<MCResourceDescriptor> descriptor,
                                                 std::shared_ptr<const MCResourceLoadOptions> options,
                                                 Completion completion)
    : MCOperation(std::move(identifier)), m_descriptor(std::move(descriptor)), m_options(std::move(options)),
      m_completion(std::move(completion))
{
}

void MCResourceLoadOperation::main()
{
    std::shared_ptr<MCResource> resource;
    if (m_descriptor && m_options) {
        // A photo too large for memory or a decoder's failed allocation is an unreadable file,
        // not the end of the process.
        try {
            resource = m_options->strategy().loadResourceForDescriptor(*m_descriptor, *m_options);
        } catch (const std::bad_alloc &) {
            resource = nullptr;
        }
    }
    if (!m_completion)
        return;
    platform::dispatchMain([completion = std::move(m_completion), resource = std::move(resource)] {
        completion(resource);
    });
}

MCResourceLoader::MCResourceLoader()
{
    m_operationQueue.setName(QStringLiteral("MCResourceLoader"));
    m_operationQueue.setMaxConcurrentOperationCount(1);
}

MCResourceLoader::~MCResourceLoader()
{
    m_operationQueue.cancelAllOperations();
}

MCResourceLoader &MCResourceLoader::sharedInstance()
{
    static MCResourceLoader *loader = new MCResourceLoader(); // lives for the process
    return *loader;
}

void MCResourceLoader::requestResourceForIdentifier(const QString &identifier,
                                                    std::shared_ptr<MCResourceDescriptor> descriptor,
                                                    std::shared_ptr<const MCResourceLoadOptions> options,
                                                    MCResourceLoadOperation::Completion completion)
{
    m_operationQueue.addOperation(std::make_shared<MCResourceLoadOperation>(
        identifier, std::move(descriptor), std::move(options), std::move(completion)));
}

QUuid MCResourceLoader::requestImage(std::shared_ptr<MCImageDescriptor> descriptor,
                                     std::shared_ptr<MCResourceImageReceiver> receiver)
{
    const QUuid uuid = QUuid::createUuid();
    requestResourceForIdentifier(uuid.toString(QUuid::WithoutBraces), std::move(descriptor),
                                 std::make_shared<MCImageLoadOptions>(),
                                 [receiver = std::move(receiver), uuid](const std::shared_ptr<MCResource> &resource) {
                                     const auto image = std::dynamic_pointer_cast<MCImageResource>(resource);
                                     if (receiver)
                                         receiver->receiveImage(image ? image->image() : nullptr,
                                                                image ? image->metadata() : QVariantMap(), uuid);
                                 });
    return uuid;
}

QUuid MCResourceLoader::requestThumbnail(std::shared_ptr<MCImageDescriptor> descriptor, quint64 maxPixelSize,
                                         std::shared_ptr<MCResourceThumbnailReceiver> receiver)
{
    const QUuid uuid = QUuid::createUuid();
    auto options = std::make_shared<MCThumbnailLoadOptions>();
    options->thumbnailMaxPixelSize = maxPixelSize;
    requestResourceForIdentifier(uuid.toString(QUuid::WithoutBraces), std::move(descriptor), std::move(options),
                                 [receiver = std::move(receiver), uuid](const std::shared_ptr<MCResource> &resource) {
                                     const auto thumbnail = std::dynamic_pointer_cast<MCThumbnailResource>(resource);
                                     if (receiver)
                                         receiver->receiveThumbnail(thumbnail && thumbnail->thumbnail()
                                                                        ? thumbnail->thumbnail()->image()
                                                                        : QImage(),
                                                                    uuid);
                                 });
    return uuid;
}

void MCResourceLoader::cancelRequestWithID(const QString &identifier)
{
    m_operationQueue.cancelOperationWithIdentifier(identifier);
}

void MCResourceLoader::cancelRequestsWithIDs(const QStringList &identifiers)
{
    m_operationQueue.cancelOperationsWithIdentifiers(identifiers);
}

void MCResourceLoader::cancelAllRequests()
{
    m_operationQueue.cancelAllOperations();
}

void MCResourceLoader::waitUntilAllRequestsAreFinished()
{
    m_operationQueue.waitUntilAllOperationsAreFinished();
}
