#include "platform/types/UTType.h"

#include <QFileInfo>
#include <cctype>
#include <QHash>
#include <QReadWriteLock>

const QString kUTTagClassFilenameExtension = QStringLiteral("public.filename-extension");
const QString kUTTagClassMIMEType = QStringLiteral("public.mime-type");

const QString kUTTypeItem = QStringLiteral("public.item");
const QString kUTTypeContent = QStringLiteral("public.content");
const QString kUTTypeData = QStringLiteral("public.data");
const QString kUTTypeDirectory = QStringLiteral("public.directory");
const QString kUTTypeFolder = QStringLiteral("public.folder");
const QString kUTTypeText = QStringLiteral("public.text");
const QString kUTTypePlainText = QStringLiteral("public.plain-text");
const QString kUTTypeXML = QStringLiteral("public.xml");
const QString kUTTypeJSON = QStringLiteral("public.json");
const QString kUTTypePropertyList = QStringLiteral("com.apple.property-list");

const QString kUTTypeImage = QStringLiteral("public.image");
const QString kUTTypeJPEG = QStringLiteral("public.jpeg");
const QString kUTTypeJPEG2000 = QStringLiteral("public.jpeg-2000");
const QString kUTTypePNG = QStringLiteral("public.png");
const QString kUTTypeTIFF = QStringLiteral("public.tiff");
const QString kUTTypeGIF = QStringLiteral("com.compuserve.gif");
const QString kUTTypeBMP = QStringLiteral("com.microsoft.bmp");
const QString kUTTypeICO = QStringLiteral("com.microsoft.ico");
const QString kUTTypePDF = QStringLiteral("com.adobe.pdf");
const QString kUTTypeHEIF = QStringLiteral("public.heif");
const QString kUTTypeHEIC = QStringLiteral("public.heic");
const QString kUTTypeAVIF = QStringLiteral("public.avif");
const QString kUTTypeWebP = QStringLiteral("org.webmproject.webp");
const QString kUTTypeRawImage = QStringLiteral("public.camera-raw-image");
const QString kUTTypeDNG = QStringLiteral("com.adobe.raw-image");

const QString kUTTypeAudiovisualContent = QStringLiteral("public.audiovisual-content");
const QString kUTTypeMovie = QStringLiteral("public.movie");
const QString kUTTypeMPEG4 = QStringLiteral("public.mpeg-4");
const QString kUTTypeQuickTimeMovie = QStringLiteral("com.apple.quicktime-movie");

namespace platform {
namespace {

struct Declaration
{
    const char *identifier;
    const char *description;
    const char *parents;    // space-separated
    const char *extensions; // space-separated, preferred first
    const char *mimeTypes;  // space-separated, preferred first
};

// The built-in table. Order matters where two types share a tag: the first declared is the
// preferred owner.
constexpr Declaration kBuiltIn[] = {
    {"public.item", "item", "", "", ""},
    {"public.content", "content", "", "", ""},
    {"public.data", "data", "public.item", "", "application/octet-stream"},
    {"public.directory", "directory", "public.item", "", ""},
    {"public.folder", "folder", "public.directory", "", ""},
    {"public.composite-content", "composite content", "public.content", "", ""},
    {"public.text", "text", "public.data public.content", "", "text/*"},
    {"public.plain-text", "plain text", "public.text", "txt text", "text/plain"},
    {"public.xml", "XML text", "public.text", "xml", "application/xml text/xml"},
    {"public.json", "JSON", "public.text", "json", "application/json"},
    {"com.apple.property-list", "property list", "public.data", "plist", "application/x-plist"},

    {"public.image", "image", "public.data public.content", "", "image/*"},
    {"public.jpeg", "JPEG image", "public.image", "jpeg jpg jpe", "image/jpeg image/jpg"},
    {"public.jpeg-2000", "JPEG 2000 image", "public.image", "jp2 jpf jpx j2k j2c jpc", "image/jp2 image/jpx"},
    {"public.png", "PNG image", "public.image", "png", "image/png"},
    {"public.tiff", "TIFF image", "public.image", "tiff tif", "image/tiff"},
    {"com.compuserve.gif", "GIF image", "public.image", "gif", "image/gif"},
    {"com.microsoft.bmp", "Windows bitmap image", "public.image", "bmp dib", "image/bmp image/x-bmp"},
    {"com.microsoft.ico", "Windows icon image", "public.image", "ico", "image/vnd.microsoft.icon image/x-icon"},
    {"com.apple.icns", "Apple icon image", "public.image", "icns", "image/icns"},
    {"public.heif", "HEIF image", "public.image", "heif hif", "image/heif"},
    {"public.heic", "HEIC image", "public.heif", "heic", "image/heic"},
    {"public.avif", "AVIF image", "public.image", "avif", "image/avif"},
    {"org.webmproject.webp", "WebP image", "public.image", "webp", "image/webp"},
    {"com.adobe.photoshop-image", "Adobe Photoshop image", "public.image", "psd", "image/vnd.adobe.photoshop"},
    {"com.truevision.tga-image", "Targa image", "public.image", "tga", "image/x-tga"},
    {"com.ilm.openexr-image", "OpenEXR image", "public.image", "exr", "image/x-exr"},
    {"com.sgi.sgi-image", "SGI image", "public.image", "sgi rgb rgba bw", "image/x-sgi image/sgi"},
    {"public.svg-image", "SVG image", "public.image public.xml", "svg svgz", "image/svg+xml"},
    {"public.pbm", "Portable bitmap image", "public.image", "pbm pgm ppm pnm",
     "image/x-portable-anymap image/x-portable-bitmap image/x-portable-graymap image/x-portable-pixmap"},
    {"com.adobe.pdf", "PDF document", "public.data public.composite-content", "pdf", "application/pdf"},

    {"public.camera-raw-image", "raw image", "public.image", "", ""},
    {"com.adobe.raw-image", "Adobe raw image", "public.camera-raw-image", "dng", "image/x-adobe-dng"},
    {"com.canon.crw-raw-image", "Canon CRW raw image", "public.camera-raw-image", "crw", "image/x-canon-crw"},
    {"com.canon.cr2-raw-image", "Canon CR2 raw image", "public.camera-raw-image", "cr2", "image/x-canon-cr2"},
    {"com.canon.cr3-raw-image", "Canon CR3 raw image", "public.camera-raw-image", "cr3", "image/x-canon-cr3"},
    {"com.nikon.raw-image", "Nikon raw image", "public.camera-raw-image", "nef", "image/x-nikon-nef"},
    {"com.nikon.nrw-raw-image", "Nikon NRW raw image", "public.camera-raw-image", "nrw", "image/x-nikon-nrw"},
    {"com.sony.arw-raw-image", "Sony ARW raw image", "public.camera-raw-image", "arw", "image/x-sony-arw"},
    {"com.sony.sr2-raw-image", "Sony SR2 raw image", "public.camera-raw-image", "sr2", "image/x-sony-sr2"},
    {"com.sony.raw-image", "Sony raw image", "public.camera-raw-image", "srf", "image/x-sony-srf"},
    {"com.olympus.raw-image", "Olympus raw image", "public.camera-raw-image", "orf", "image/x-olympus-orf"},
    {"com.olympus.or-raw-image", "Olympus ORI raw image", "public.camera-raw-image", "ori", ""},
    {"com.fuji.raw-image", "Fujifilm raw image", "public.camera-raw-image", "raf", "image/x-fuji-raf"},
    {"com.panasonic.rw2-raw-image", "Panasonic RW2 raw image", "public.camera-raw-image", "rw2", "image/x-panasonic-rw2"},
    {"com.panasonic.raw-image", "Panasonic raw image", "public.camera-raw-image", "raw", "image/x-panasonic-raw"},
    {"com.leica.rwl-raw-image", "Leica RWL raw image", "public.camera-raw-image", "rwl", "image/x-leica-rwl"},
    {"com.pentax.raw-image", "Pentax raw image", "public.camera-raw-image", "pef", "image/x-pentax-pef"},
    {"com.samsung.raw-image", "Samsung raw image", "public.camera-raw-image", "srw", "image/x-samsung-srw"},
    {"com.konicaminolta.raw-image", "Minolta raw image", "public.camera-raw-image", "mrw", "image/x-minolta-mrw"},
    {"com.epson.raw-image", "Epson raw image", "public.camera-raw-image", "erf", "image/x-epson-erf"},
    {"com.kodak.raw-image", "Kodak raw image", "public.camera-raw-image", "dcr kdc", "image/x-kodak-dcr"},
    {"com.sigma.raw-image", "Sigma raw image", "public.camera-raw-image", "x3f", "image/x-sigma-x3f"},
    {"com.hasselblad.3fr-raw-image", "Hasselblad 3FR raw image", "public.camera-raw-image", "3fr", ""},
    {"com.hasselblad.fff-raw-image", "Hasselblad FFF raw image", "public.camera-raw-image", "fff", ""},
    {"com.phaseone.raw-image", "Phase One raw image", "public.camera-raw-image", "iiq", ""},
    {"com.leafamerica.raw-image", "Leaf raw image", "public.camera-raw-image", "mos", ""},

    {"public.audiovisual-content", "audiovisual content", "public.data public.content", "", ""},
    {"public.movie", "movie", "public.audiovisual-content", "", "video/*"},
    {"public.video", "video", "public.movie", "", ""},
    {"public.mpeg-4", "MPEG-4 movie", "public.movie", "mp4 mpeg4", "video/mp4"},
    {"com.apple.m4v-video", "MPEG-4 video", "public.movie", "m4v", "video/x-m4v"},
    {"com.apple.quicktime-movie", "QuickTime movie", "public.movie", "mov qt", "video/quicktime"},
    {"public.mpeg", "MPEG movie", "public.movie", "mpg mpeg m75 m15", "video/mpeg"},
    {"public.avi", "AVI movie", "public.movie", "avi vfw", "video/avi video/x-msvideo"},
    {"public.3gpp", "3GPP movie", "public.movie", "3gp 3gpp", "video/3gpp"},
    {"public.mpeg-2-transport-stream", "MPEG-2 transport stream", "public.movie", "mts m2ts ts", "video/mp2t"},
};

struct Entry
{
    QString identifier;
    QString description;
    QStringList parents;
    QStringList extensions;
    QStringList mimeTypes;
};

QStringList words(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Dynamic identifiers carry their tag: "dyn." + a tag-class letter + the hexadecimal UTF-8 of
// "<tag>" or "<tag>?<base type>", so the registry can answer for them without storing them.
const QString kDynamicPrefix = QStringLiteral("dyn.");

struct Dynamic
{
    QString tagClass;
    QString tag;
    QString base;
};

QString makeDynamic(const QString &tagClass, const QString &tag, const QString &conformingTo)
{
    QString payload = tag.toLower();
    if (!conformingTo.isEmpty() && conformingTo.compare(kUTTypeData, Qt::CaseInsensitive) != 0 &&
        conformingTo.compare(kUTTypeItem, Qt::CaseInsensitive) != 0)
        payload += QLatin1Char('?') + conformingTo.toLower();
    const QChar letter = tagClass == kUTTagClassMIMEType ? QLatin1Char('m') : QLatin1Char('x');
    return kDynamicPrefix + letter + QString::fromLatin1(payload.toUtf8().toHex());
}

bool parseDynamic(const QString &identifier, Dynamic *out)
{
    if (!identifier.startsWith(kDynamicPrefix, Qt::CaseInsensitive) || identifier.size() < kDynamicPrefix.size() + 3)
        return false;
    const QChar letter = identifier.at(kDynamicPrefix.size()).toLower();
    if (letter != QLatin1Char('x') && letter != QLatin1Char('m'))
        return false;
    const QByteArray hex = identifier.mid(kDynamicPrefix.size() + 1).toLatin1();
    if (hex.size() % 2 != 0)
        return false;
    for (char c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    const QString payload = QString::fromUtf8(QByteArray::fromHex(hex));
    const qsizetype question = payload.indexOf(QLatin1Char('?'));
    out->tagClass = letter == QLatin1Char('m') ? kUTTagClassMIMEType : kUTTagClassFilenameExtension;
    out->tag = question < 0 ? payload : payload.left(question);
    out->base = question < 0 ? QString() : payload.mid(question + 1);
    return !out->tag.isEmpty();
}

class Registry
{
public:
    static Registry &shared()
    {
        static Registry registry;
        return registry;
    }

    bool declare(const QString &identifier, const QString &description, const QStringList &parents,
                 const QStringList &extensions, const QStringList &mimeTypes)
    {
        if (identifier.trimmed().isEmpty())
            return false;
        QWriteLocker locker(&m_lock);
        declareLocked(identifier, description, parents, extensions, mimeTypes);
        return true;
    }

    bool find(const QString &identifier, Entry *out) const
    {
        QReadLocker locker(&m_lock);
        const auto it = m_entries.constFind(identifier.toLower());
        if (it == m_entries.constEnd())
            return false;
        *out = *it;
        return true;
    }

    QStringList parentsOf(const QString &identifier) const
    {
        Dynamic dynamic;
        if (parseDynamic(identifier, &dynamic)) {
            QStringList parents;
            if (!dynamic.base.isEmpty())
                parents << dynamic.base;
            parents << kUTTypeData;
            return parents;
        }
        QReadLocker locker(&m_lock);
        const auto it = m_entries.constFind(identifier.toLower());
        return it == m_entries.constEnd() ? QStringList() : it->parents;
    }

    QStringList ownersOfTag(const QString &tagClass, const QString &tag) const
    {
        QReadLocker locker(&m_lock);
        const auto &index = tagClass == kUTTagClassMIMEType ? m_byMimeType : m_byExtension;
        return index.value(tag.toLower());
    }

private:
    Registry()
    {
        for (const Declaration &d : kBuiltIn) {
            declareLocked(QString::fromLatin1(d.identifier), QString::fromLatin1(d.description), words(d.parents),
                          words(d.extensions), words(d.mimeTypes), /*builtIn=*/true);
        }
    }

    void declareLocked(const QString &identifier, const QString &description, const QStringList &parents,
                       const QStringList &extensions, const QStringList &mimeTypes, bool builtIn = false)
    {
        const QString key = identifier.toLower();
        Entry &entry = m_entries[key];
        if (entry.identifier.isEmpty()) {
            entry.identifier = identifier;
            // A declared type that names no parent is at least data (the built-in roots
            // are the exception: they have none).
            if (parents.isEmpty() && !builtIn)
                entry.parents << kUTTypeData;
        }
        if (!description.isEmpty())
            entry.description = description;
        for (const QString &parent : parents) {
            if (!parent.isEmpty() && !containsIgnoringCase(entry.parents, parent) &&
                parent.compare(identifier, Qt::CaseInsensitive) != 0)
                entry.parents << parent;
        }
        addTags(entry.extensions, m_byExtension, extensions, identifier);
        addTags(entry.mimeTypes, m_byMimeType, mimeTypes, identifier);
    }

    static bool containsIgnoringCase(const QStringList &list, const QString &value)
    {
        return list.contains(value, Qt::CaseInsensitive);
    }

    static void addTags(QStringList &own, QHash<QString, QStringList> &index, const QStringList &tags,
                        const QString &identifier)
    {
        for (QString tag : tags) {
            tag = tag.trimmed().toLower();
            if (tag.startsWith(QLatin1Char('.')))
                tag.remove(0, 1);
            if (tag.isEmpty() || own.contains(tag))
                continue;
            own << tag;
            QStringList &owners = index[tag];
            if (!containsIgnoringCase(owners, identifier))
                owners << identifier;
        }
    }

    mutable QReadWriteLock m_lock;
    QHash<QString, Entry> m_entries;           // lower-case identifier → entry
    QHash<QString, QStringList> m_byExtension; // lower-case extension → owners, preferred first
    QHash<QString, QStringList> m_byMimeType;
};

bool conformsTo(const Registry &registry, const QString &identifier, const QString &target, int depth)
{
    if (identifier.compare(target, Qt::CaseInsensitive) == 0)
        return true;
    if (depth > 32) // a declared cycle must not hang the caller
        return false;
    const QStringList parents = registry.parentsOf(identifier);
    for (const QString &parent : parents) {
        if (conformsTo(registry, parent, target, depth + 1))
            return true;
    }
    return false;
}

bool knownTagClass(const QString &tagClass)
{
    return tagClass == kUTTagClassFilenameExtension || tagClass == kUTTagClassMIMEType;
}

QString normalisedTag(const QString &tagClass, QString tag)
{
    tag = tag.trimmed().toLower();
    if (tagClass == kUTTagClassFilenameExtension && tag.startsWith(QLatin1Char('.')))
        tag.remove(0, 1);
    return tag;
}

} // namespace

bool UTTypeConformsTo(const QString &identifier, const QString &conformsToIdentifier)
{
    if (identifier.isEmpty() || conformsToIdentifier.isEmpty())
        return false;
    return conformsTo(Registry::shared(), identifier, conformsToIdentifier, 0);
}

bool UTTypeEqual(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool UTTypeIsDynamic(const QString &identifier)
{
    Dynamic dynamic;
    return parseDynamic(identifier, &dynamic);
}

bool UTTypeIsDeclared(const QString &identifier)
{
    Entry entry;
    return UTTypeIsDynamic(identifier) || Registry::shared().find(identifier, &entry);
}

QString UTTypeCopyDescription(const QString &identifier)
{
    Entry entry;
    if (!Registry::shared().find(identifier, &entry) || entry.description.isEmpty())
        return QString();
    return entry.description;
}

QStringList UTTypeCopyAllTagsWithClass(const QString &identifier, const QString &tagClass)
{
    Dynamic dynamic;
    if (parseDynamic(identifier, &dynamic))
        return dynamic.tagClass == tagClass ? QStringList{dynamic.tag} : QStringList();
    Entry entry;
    if (!Registry::shared().find(identifier, &entry))
        return {};
    if (tagClass == kUTTagClassFilenameExtension)
        return entry.extensions;
    if (tagClass == kUTTagClassMIMEType)
        return entry.mimeTypes;
    return {};
}

QString UTTypeCopyPreferredTagWithClass(const QString &identifier, const QString &tagClass)
{
    const QStringList tags = UTTypeCopyAllTagsWithClass(identifier, tagClass);
    return tags.isEmpty() ? QString() : tags.first();
}

QStringList UTTypeCopyDeclaredParents(const QString &identifier)
{
    return Registry::shared().parentsOf(identifier);
}

QStringList UTTypeCreateAllIdentifiersForTag(const QString &tagClass, const QString &tag, const QString &conformingTo)
{
    if (!knownTagClass(tagClass))
        return {};
    const QString key = normalisedTag(tagClass, tag);
    if (key.isEmpty())
        return {};
    QStringList result;
    const QStringList owners = Registry::shared().ownersOfTag(tagClass, key);
    for (const QString &owner : owners) {
        if (conformingTo.isEmpty() || UTTypeConformsTo(owner, conformingTo))
            result << owner;
    }
    return result;
}

QString UTTypeCreatePreferredIdentifierForTag(const QString &tagClass, const QString &tag, const QString &conformingTo)
{
    if (!knownTagClass(tagClass))
        return QString();
    const QString key = normalisedTag(tagClass, tag);
    if (key.isEmpty())
        return QString();
    const QStringList owners = UTTypeCreateAllIdentifiersForTag(tagClass, key, conformingTo);
    if (!owners.isEmpty())
        return owners.first();
    return makeDynamic(tagClass, key, conformingTo);
}

QString UTTypeForFileName(const QString &path)
{
    if (path.endsWith(QLatin1Char('/')))
        return kUTTypeFolder;
    const QString name = path.section(QLatin1Char('/'), -1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file, not an extension.
    if (dot <= 0 || dot == name.size() - 1)
        return kUTTypeData;
    return UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, name.mid(dot + 1), kUTTypeData);
}

QString UTTypeOfFileAtPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    if (info.isDir())
        return kUTTypeFolder;
    return UTTypeForFileName(info.fileName());
}

bool UTTypeDeclare(const QString &identifier, const QString &description, const QStringList &parents,
                   const QStringList &extensions, const QStringList &mimeTypes)
{
    return Registry::shared().declare(identifier, description, parents, extensions, mimeTypes);
}

} // namespace platform
