#pragma once

// The uniform type registry: what a type identifier ("public.jpeg") means, which file-name
// extensions and MIME types belong to it, and which broader types it conforms to
// ("public.jpeg" → "public.image" → "public.data" → "public.item").
//
// The registry holds a built-in table of the types a photo application meets (image
// formats, camera-raw formats, movies, documents and the abstract base types). Plug-ins and
// the application may declare further types with UTTypeDeclare(). Identifiers compare
// without regard to case, as the platform's do. An extension nobody declared still gets an
// identifier: a dynamic one beginning with "dyn.", stable for the same extension, that
// conforms to the requested base type, "public.data" and "public.item".
//
// All functions are thread-safe.
#include <QString>
#include <QStringList>

// Tag classes.
extern const QString kUTTagClassFilenameExtension; // "public.filename-extension"
extern const QString kUTTagClassMIMEType;          // "public.mime-type"

// Abstract base types.
extern const QString kUTTypeItem;      // "public.item"
extern const QString kUTTypeContent;   // "public.content"
extern const QString kUTTypeData;      // "public.data"
extern const QString kUTTypeDirectory; // "public.directory"
extern const QString kUTTypeFolder;    // "public.folder"
extern const QString kUTTypeText;      // "public.text"
extern const QString kUTTypePlainText; // "public.plain-text"
extern const QString kUTTypeXML;       // "public.xml"
extern const QString kUTTypeJSON;      // "public.json"
extern const QString kUTTypePropertyList; // "com.apple.property-list"

// Images.
extern const QString kUTTypeImage;     // "public.image"
extern const QString kUTTypeJPEG;      // "public.jpeg"
extern const QString kUTTypeJPEG2000;  // "public.jpeg-2000"
extern const QString kUTTypePNG;       // "public.png"
extern const QString kUTTypeTIFF;      // "public.tiff"
extern const QString kUTTypeGIF;       // "com.compuserve.gif"
extern const QString kUTTypeBMP;       // "com.microsoft.bmp"
extern const QString kUTTypeICO;       // "com.microsoft.ico"
extern const QString kUTTypePDF;       // "com.adobe.pdf"
extern const QString kUTTypeHEIF;      // "public.heif"
extern const QString kUTTypeHEIC;      // "public.heic"
extern const QString kUTTypeAVIF;      // "public.avif"
extern const QString kUTTypeWebP;      // "org.webmproject.webp"
extern const QString kUTTypeRawImage;  // "public.camera-raw-image"
extern const QString kUTTypeDNG;       // "com.adobe.raw-image"

// Movies.
extern const QString kUTTypeAudiovisualContent; // "public.audiovisual-content"
extern const QString kUTTypeMovie;              // "public.movie"
extern const QString kUTTypeMPEG4;              // "public.mpeg-4"
extern const QString kUTTypeQuickTimeMovie;     // "com.apple.quicktime-movie"

namespace platform {

// Whether `identifier` is, or descends from, `conformsToIdentifier`. Unknown identifiers
// conform only to themselves.
bool UTTypeConformsTo(const QString &identifier, const QString &conformsToIdentifier);
// Whether both name the same type (case-insensitive).
bool UTTypeEqual(const QString &a, const QString &b);
// Whether the registry knows the identifier (declared or dynamic).
bool UTTypeIsDeclared(const QString &identifier);
bool UTTypeIsDynamic(const QString &identifier);

// The human-readable description ("JPEG image"); a null string for unknown and dynamic types.
QString UTTypeCopyDescription(const QString &identifier);
// All tags of a class: the extensions ("jpeg", "jpg", "jpe") or MIME types; the preferred one
// first. Empty for an unknown identifier; a dynamic type gives the tag it was made from.
QStringList UTTypeCopyAllTagsWithClass(const QString &identifier, const QString &tagClass);
// The first of UTTypeCopyAllTagsWithClass(), or a null string.
QString UTTypeCopyPreferredTagWithClass(const QString &identifier, const QString &tagClass);
// The direct parents of a declared type (empty for unknown ones).
QStringList UTTypeCopyDeclaredParents(const QString &identifier);

// Every declared identifier owning the tag and conforming to `conformingTo` (all when it is
// empty), the preferred owner first.
QStringList UTTypeCreateAllIdentifiersForTag(const QString &tagClass, const QString &tag,
                                             const QString &conformingTo = QString());
// The preferred declared identifier for the tag conforming to `conformingTo`; when none is
// declared, a dynamic identifier for the tag. A null string for an empty tag or unknown class.
QString UTTypeCreatePreferredIdentifierForTag(const QString &tagClass, const QString &tag,
                                              const QString &conformingTo = QString());

// The type of a file by its name: folders are "public.folder", other paths the preferred
// type of their extension conforming to "public.data" ("public.data" without an extension).
// Does not look at the disk.
QString UTTypeForFileName(const QString &path);
// The type of an existing file or folder: like UTTypeForFileName() but a null string when
// nothing exists at the path, and "public.folder" for directories whatever their name.
QString UTTypeOfFileAtPath(const QString &path);

// Declares a type (or adds tags and parents to a declared one). An identifier without parents
// conforms to "public.data". Returns false for an empty identifier.
bool UTTypeDeclare(const QString &identifier, const QString &description, const QStringList &parents,
                   const QStringList &extensions, const QStringList &mimeTypes = {});

} // namespace platform
