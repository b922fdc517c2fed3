#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

// What the resource loader and the thumbnail cache are asked to load, and the interface of
// the objects that describe themselves that way (the application's library files).

// Marks an object that a load strategy can load.
class MCResourceDescriptor
{
public:
    virtual ~MCResourceDescriptor();
};

// A separate, smaller rendition of an image (a thumbnail file).
struct MCThumbnailDescriptor
{
    QString fileURL;
    // The larger side in pixels; 0 when not known.
    quint64 estimatedPixelSize = 0;
};

// An image file to load: its path and, when known, the larger side of the image as shown
// (after rotation), from which a thumbnail size is chosen; 0 when not known.
class MCImageDescriptor : public MCResourceDescriptor
{
public:
    MCImageDescriptor() = default;
    MCImageDescriptor(const QString &fileURL, quint64 estimatedPixelSize)
        : m_fileURL(fileURL), m_estimatedPixelSize(estimatedPixelSize)
    {
    }

    QString fileURL() const { return m_fileURL; }
    void setFileURL(const QString &path) { m_fileURL = path; }
    quint64 estimatedPixelSize() const { return m_estimatedPixelSize; }
    void setEstimatedPixelSize(quint64 size) { m_estimatedPixelSize = size; }
    // Separate thumbnail files of the image, if any; the thumbnail strategy prefers one that
    // is large enough over reading the image file.
    const QList<MCThumbnailDescriptor> &thumbnailDescriptors() const { return m_thumbnailDescriptors; }
    void setThumbnailDescriptors(QList<MCThumbnailDescriptor> descriptors)
    {
        m_thumbnailDescriptors = std::move(descriptors);
    }

private:
    QString m_fileURL;
    quint64 m_estimatedPixelSize = 0;
    QList<MCThumbnailDescriptor> m_thumbnailDescriptors;
};

// An object that can say what to load for it and under which stable identity its results
// are cached.
class MCResourceDescriptorProvider
{
public:
    virtual ~MCResourceDescriptorProvider();
    // A new descriptor of what to load.
    virtual std::shared_ptr<MCResourceDescriptor> resourceDescriptor() const = 0;
    // The identity of the resource for the run; the key of its cached renditions.
    virtual QVariant resourceID() const = 0;
};

// A provider whose resource is an image file.
class MCImageDescriptorProvider : public MCResourceDescriptorProvider
{
public:
    // A new image descriptor; resourceDescriptor() answers the same.
    virtual std::shared_ptr<MCImageDescriptor> imageDescriptor() const = 0;
    std::shared_ptr<MCResourceDescriptor> resourceDescriptor() const final { return imageDescriptor(); }
};
