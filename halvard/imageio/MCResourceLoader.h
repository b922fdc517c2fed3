#pragma once

// Loads full images and thumbnails of image files in the background and hands each result
// to its requester on the main thread.
//
// A request names what to load (a descriptor), how (load options, which carry a load
// strategy) and who receives the result. It is identified by a string through which it can
// be cancelled: a new UUID for the public request calls, a cache key inside the caches.
// A loader runs one request at a time, first in, first out. A request cancelled before it
// starts never calls back; one cancelled while it runs still delivers, so a requester keeps
// the identifier of its latest request and drops results carrying any other.
#include "halvard/imageio/MCImage.h"
#include "halvard/imageio/MCResourceDescriptor.h"
#include "platform/core/MCError.h"
#include "platform/core/MCOperationQueue.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QUuid>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class MCResourceLoadOptions;

// What a load gives.
class MCResource
{
public:
    virtual ~MCResource();
    // 0 for an image, 1 for a thumbnail.
    virtual qint64 resourceType() const = 0;
    virtual MCError error() const = 0;
};

class MCImageResource : public MCResource
{
public:
    MCImageResource(std::shared_ptr<MCImage> image, QVariantMap metadata, MCError error)
        : m_image(std::move(image)), m_metadata(std::move(metadata)), m_error(std::move(error))
    {
    }
    qint64 resourceType() const override { return 0; }
    MCError error() const override { return m_error; }
    const std::shared_ptr<MCImage> &image() const { return m_image; }
    const QVariantMap &metadata() const { return m_metadata; }

private:
    std::shared_ptr<MCImage> m_image;
    QVariantMap m_metadata;
    MCError m_error;
};

// An immutable thumbnail; its image is null when none could be loaded.
class MCThumbnail
{
public:
    explicit MCThumbnail(QImage image) : m_image(std::move(image)) {}
    const QImage &image() const { return m_image; }

private:
    QImage m_image;
};

class MCThumbnailResource : public MCResource
{
public:
    MCThumbnailResource(std::shared_ptr<const MCThumbnail> thumbnail, qint64 requestedPixelSize,
                        MCError error)
        : m_thumbnail(std::move(thumbnail)), m_requestedPixelSize(requestedPixelSize), m_error(std::move(error))
    {
    }
    qint64 resourceType() const override { return 1; }
    MCError error() const override { return m_error; }
    const std::shared_ptr<const MCThumbnail> &thumbnail() const { return m_thumbnail; }
    qint64 requestedPixelSize() const { return m_requestedPixelSize; }

private:
    std::shared_ptr<const MCThumbnail> m_thumbnail;
    qint64 m_requestedPixelSize = 0;
    MCError m_error;
};

// How a resource is loaded; called on a loader's worker thread.
class MCResourceLoadStrategy
{
public:
    virtual ~MCResourceLoadStrategy();
    virtual std::shared_ptr<MCResource> loadResourceForDescriptor(const MCResourceDescriptor &descriptor,
                                                                  const MCResourceLoadOptions &options) const = 0;
};

// The full image and its property dictionary through the image loader. A file that cannot be
// decoded gives no resource.
class MCImageLoadStrategy : public MCResourceLoadStrategy
{
public:
    std::shared_ptr<MCResource> loadResourceForDescriptor(const MCResourceDescriptor &descriptor,
                                                          const MCResourceLoadOptions &options) const override;
};

class MCThumbnailLoadOptions;

// A thumbnail chosen among the image's thumbnail files and what the image file itself gives.
// It always answers a resource; a failure shows as a thumbnail without image.
class MCThumbnailLoadStrategy : public MCResourceLoadStrategy
{
public:
    std::shared_ptr<MCResource> loadResourceForDescriptor(const MCResourceDescriptor &descriptor,
                                                          const MCResourceLoadOptions &options) const override;

    // The choice itself (an owned image, or null): the target size is the smaller of the asked
    // and the estimated size where both are known; thumbnail files that reach it come first,
    // then the file's own thumbnail (its embedded one only when that reaches the target or the
    // image's estimated size, else one made from the image by the decoder's reduced decoding),
    // then any thumbnail file; a later candidate wins only when strictly larger on both sides.
    static CGImageRef newThumbnailForImageDescriptor(const MCImageDescriptor &descriptor,
                                                     const MCThumbnailLoadOptions &options);
    static CGImageRef newThumbnailForThumbnailDescriptors(const QList<MCThumbnailDescriptor> &descriptors,
                                                          quint64 maxPixelSize);
    static CGImageRef newThumbnailForImageDescriptor(const MCImageDescriptor &descriptor, quint64 maxPixelSize,
                                                     bool createFromImageAlways);
};

class MCResourceLoadOptions
{
public:
    virtual ~MCResourceLoadOptions();
    virtual const MCResourceLoadStrategy &strategy() const = 0;
};

class MCImageLoadOptions : public MCResourceLoadOptions
{
public:
    const MCResourceLoadStrategy &strategy() const override { return m_strategy; }

private:
    MCImageLoadStrategy m_strategy;
};

class MCThumbnailLoadOptions : public MCResourceLoadOptions
{
public:
    const MCResourceLoadStrategy &strategy() const override { return m_strategy; }

    // Make the thumbnail from the full image even when the file embeds one.
    bool createThumbnailFromImageAlways = false;
    // The asked larger side in pixels; 0: take the descriptor's estimated size.
    quint64 thumbnailMaxPixelSize = 0;

private:
    MCThumbnailLoadStrategy m_strategy;
};

// One request: runs the strategy on the worker, then posts the completion to the main thread.
// It never looks at its own cancelled state once running: a started request delivers.
class MCResourceLoadOperation : public MCOperation
{
public:
    using Completion = std::function<void(const std::shared_ptr<MCResource> &)>;
    MCResourceLoadOperation(QString identifier, std::shared_ptr<MCResourceDescriptor> descriptor,
                            std::shared_ptr<const MCResourceLoadOptions> options, Completion completion);

protected:
    void main() override;

private:
    std::shared_ptr<MCResourceDescriptor> m_descriptor;
    std::shared_ptr<const MCResourceLoadOptions> m_options;
    Completion m_completion;
};

// Receives the result of requestImage on the main thread (null image and empty metadata
// when the file could not be read).
class MCResourceImageReceiver
{
public:
    virtual ~MCResourceImageReceiver();
    virtual void receiveImage(const std::shared_ptr<MCImage> &image, const QVariantMap &metadata,
                              const QUuid &uuid) = 0;
};

// Receives the result of requestThumbnail on the main thread (a null image on failure).
class MCResourceThumbnailReceiver
{
public:
    virtual ~MCResourceThumbnailReceiver();
    virtual void receiveThumbnail(const QImage &thumbnail, const QUuid &uuid) = 0;
};

class MCResourceLoader
{
public:
    // One load at a time, in the order requested.
    MCResourceLoader();
    // Cancels every request; a running load finishes on its worker and its result is dropped
    // by the requester's identifier check.
    ~MCResourceLoader();
    MCResourceLoader(const MCResourceLoader &) = delete;
    MCResourceLoader &operator=(const MCResourceLoader &) = delete;

    // The process-wide loader of previews and panels.
    static MCResourceLoader &sharedInstance();

    void requestResourceForIdentifier(const QString &identifier, std::shared_ptr<MCResourceDescriptor> descriptor,
                                      std::shared_ptr<const MCResourceLoadOptions> options,
                                      MCResourceLoadOperation::Completion completion);
    // The receiver is kept alive until its result is delivered or the request dropped.
    QUuid requestImage(std::shared_ptr<MCImageDescriptor> descriptor,
                       std::shared_ptr<MCResourceImageReceiver> receiver);
    QUuid requestThumbnail(std::shared_ptr<MCImageDescriptor> descriptor, quint64 maxPixelSize,
                           std::shared_ptr<MCResourceThumbnailReceiver> receiver);

    void cancelRequestWithID(const QString &identifier);
    void cancelRequestWithID(const QUuid &uuid) { cancelRequestWithID(uuid.toString(QUuid::WithoutBraces)); }
    void cancelRequestsWithIDs(const QStringList &identifiers);
    void cancelAllRequests();

    // Waits until every request has run (tests and shutdown only; never from the main thread
    // while a delivery is needed to make progress).
    void waitUntilAllRequestsAreFinished();

private:
    MCOperationQueue m_operationQueue;
};
