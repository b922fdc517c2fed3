#pragma once

#include "platform/core/MCError.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class ExifTool;
class MCOrderedDictionary;

// Keys of the values given to an edit that hold tool scripts rather than tag values: each
// a QStringList of scripts, one tool argument per line, "%s" standing for the path of the
// file being edited (a temporary copy of the photo).
extern const QString kMCMetadataPreScriptsKey;  // "MCMetadataPreScriptsKey"
extern const QString kMCMetadataPostScriptsKey; // "MCMetadataPostScriptsKey"

// The tag changes of one edit, in the order they are written: tag name as the tool takes it
// ("Copyright", "XMP:Rating", "gps:all") -> new value (a string; numbers are written
// without the user's locale), a list of strings (the items of a list tag such as
// "Keywords", each written whole, commas included; an empty list deletes the tag) or a null
// QVariant, which deletes the tag. A value of any other type fails the edit. The two script
// keys above may appear among them.
using MCMetadataValues = QList<QPair<QString, QVariant>>;

// Answers true when the work should stop.
using MCCancellationCheck = std::function<bool()>;

// Turns the results of the one `exiftool` client into dictionaries, booleans and errors.
// Edits work on a copy in a fresh folder on the photo's file system; only an edit whose
// every step succeeded replaces the photo, by an atomic rename.
class MCExifTool
{
public:
    // `programPath` is the tool to run; empty looks it up (see toolPath()).
    explicit MCExifTool(QString programPath = {});
    virtual ~MCExifTool();

    // The client, made on first call; null when the tool cannot be found (asked again on
    // the next call).
    ExifTool *exifTool();

    // Where the tool is: the environment variable QUILLONX_EXIFTOOL, else "ExifTool/exiftool"
    // among the bundled resources, else "exiftool" on the search path; empty when none.
    static QString toolPath();

    // All tags of the file as name -> value (later tags of the same name win); null with
    // error 1 when it cannot be read. Tool errors and warnings fill `error` even when tags
    // were read.
    std::optional<QVariantMap> readMetadataAtURL(const QString &path, MCError *error);
    // `changed` (optional) receives whether the photo was replaced: not when the tool reported
    // it unchanged by every command (the same values again), which leaves it untouched.
    bool updateMetadataForImageAtURL(const QString &path, const MCMetadataValues &values, const QStringList &preScripts,
                                     const QStringList &postScripts, MCError *error,
                                     const MCCancellationCheck &isCancelled = {}, bool *changed = nullptr);

    // Seconds a read, and a write or script, may take before the tool is restarted; the
    // first command of a newly started tool gets `startupSeconds` more.
    void setTimeouts(double readSeconds, double writeSeconds, double startupSeconds = 10.0);

    // A number as the tool reads it: "37.786996", never in the user's locale.
    static QString stringFromNumber(double value);

private:
    QString m_programPath;
    std::unique_ptr<ExifTool> m_exifTool;
    double m_readTimeout = 5.0;
    double m_writeTimeout = 120.0;
    double m_startupAllowance = 10.0;
};

// The entry point through which the system reads and writes a file's metadata. Calls are
// serialised: one `exiftool` process serves them all.
class MCMetadataManager
{
public:
    static MCMetadataManager &defaultManager();

    MCMetadataManager();
    ~MCMetadataManager();

    // Reads synchronously and hands the result to `reply` on the caller's thread; when the
    // tool cannot be found the reply gets a null result and the "exiftool is not found." error.
    void readMetadataAtURL(const QString &path,
                           const std::function<void(const std::optional<QVariantMap> &, const MCError &)> &reply);
    std::optional<QVariantMap> readMetadataAtURL(const QString &path, MCError *error);

    // Runs the pre-scripts, writes the values and runs the post-scripts on a copy of the
    // photo, then puts the copy in the photo's place. A symbolic link keeps pointing at the
    // edited photo; the photo's mode and extended attributes are kept. On any failure (or a
    // cancel) the photo is untouched and `error` says why (code 3). When the tool reports the
    // photo unchanged by every command, it is left as it is and `changed` (optional) says so.
    bool updateMetadataForImageAtURL(const QString &path, const MCMetadataValues &values, MCError *error,
                                     const MCCancellationCheck &isCancelled = {}, bool *changed = nullptr);
    // The tag changes as the metadata converter collects them, in the dictionary's order.
    bool updateMetadataForImageAtURL(const QString &path, const MCOrderedDictionary &values, MCError *error,
                                     const MCCancellationCheck &isCancelled = {}, bool *changed = nullptr);
    // Keys in sorted order; for callers whose changes do not depend on order.
    bool updateMetadataForImageAtURL(const QString &path, const QVariantMap &values, MCError *error);

    // The tool to use from now on (empty: look it up); stops a running one.
    void setExifToolPath(const QString &path);
    void setTimeouts(double readSeconds, double writeSeconds);

private:
    MCExifTool *exifTool();

    std::mutex m_lock; // guards the members below and serialises every use of the tool
    std::unique_ptr<MCExifTool> m_exifTool;
    QString m_toolPath;
    double m_readTimeout = 5.0;
    double m_writeTimeout = 120.0;
};
