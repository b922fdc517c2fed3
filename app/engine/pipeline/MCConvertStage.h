#pragma once

// MCConvertStage: one step of a conversion ("action" to the user). The converter holds an
// ordered list of stages and runs the active ones over each photo in stage order.
//
// Writing a new stage
// -------------------
// A stage declares its parameters ONCE, in a table; the stored form, copying, equality, the
// hash, the undoable setters, the limits, reset, key-value coding, the observer key paths and
// the handling of an emptied numeric field all follow from that table. A stage class is:
//
//     class MCConvertGamma : public MCConvertStage {
//     public:
//         static constexpr qint64 StageID = 9;              // name, order, uniqueness and
//         qint64 stageID() const override { return StageID; } // resettability: the catalogue
//         const MCStageParameters &parameters() const override;  // the table (see .cpp)
//         double gamma() const { return doubleValue(u"gamma"_s); }          // typed access
//         void setGamma(double v) { setParameterValue(u"gamma"_s, v); }    // undoable
//         bool convertBitmap(MCBitmap *, QVariantMap &, const MCFile *, MCError *) override;
//     };
//
// then one row in the catalogue (app/stages/MCConvertStageCatalogue.cpp) that names its
// creator. Override hashMix() or parametersEqual() only when the stage hashes or compares
// unusually (for example only the parameters of the chosen mode), encodeParameter() /
// decodeParameter() for a stored form of its own (bookmarks), and the prediction hooks that
// concern it (they must answer their input while the stage is inactive). convertBitmap()
// answers true at once when the stage is inactive; a false without an error is turned into
// the "Action … failed on image …" error by the converter.
//
// Stages are held by std::shared_ptr and edited on the main thread; the converter reads them
// on the thread that runs a conversion.
#include "platform/core/MCError.h"
#include "platform/core/MCObservable.h"

#include <QDateTime>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class MCBitmap;
class MCConvertStage;
class MCFile;
class MCUndoManager;

// How a parameter is held in memory (the QVariant type in brackets) and stored in the stage
// dictionary.
enum class MCStageParameterType {
    Double,     // [double] a real number
    Integer,    // [qint64] a number made from a signed integer
    Unsigned,   // [quint64] a number made from an unsigned integer
    Bool,       // [bool] a boolean number
    String,     // [QString] text; read only when present
    Color,      // [QColor] archived data (MCKeyedArchiver); read only when present
    Date,       // [QDateTime] seconds since 1 January 1970 as a double; read only when present
    Data,       // [QByteArray] data; read only when present
    Array,      // [QVariantList] a property-list array; read only when present
    Dictionary, // [QVariantMap] a property-list dictionary; read only when present
    Custom,     // any QVariant; the stage's encodeParameter()/decodeParameter() store it
};

// One parameter of a stage: its name is the property name, the dictionary key, the
// key-value-coding key and the observer key path.
struct MCStageParameter
{
    QString name;
    MCStageParameterType type = MCStageParameterType::Double;
    QVariant defaultValue; // what init() assigns and resetToDefaults() restores
    // The limits the panels offer (the setters do not clamp), answered by minimumForKey().
    std::optional<double> minimum;
    std::optional<double> maximum;
    // What a nil set through key-value coding becomes (later, on the main queue, as one undo
    // step). Unset: the minimum for numbers; a parameter with neither cannot take nil.
    std::optional<double> nilValue;
    // The hash mix: 0 leaves the parameter out; otherwise its integer value (a double as
    // lround(value × hashScale)) is multiplied by hashFactor and XORed into the mix.
    qint64 hashFactor = 0;
    double hashScale = 1000.0;
    bool compared = true;  // part of the default equality
    bool observed = true;  // in keyPathsForObserver()
    bool resizes = false;  // in resizeKeyPathsForObserver(): the panel's height depends on it
    bool undoable = true;  // a change registers its inverse; false for the panel's own state
    // What an editor panel offers for a number. The step of one click on its stepper arrows,
    // which also gives the fraction digits it shows (as many as the step has); unset: 0.01 for
    // a real number, 1 for an integer.
    std::optional<double> step;
    // The limits of the stepper arrows alone, for a parameter the stage itself does not limit
    // (typed values are then taken as they are); unset: the minimum and maximum above.
    std::optional<double> stepperMinimum;
    std::optional<double> stepperMaximum;
};
using MCStageParameters = std::vector<MCStageParameter>;

// What the catalogue knows of a stage class.
struct MCConvertStageClass
{
    qint64 stageID = -1;
    const char *englishName = "<Unknown Stage>"; // also the key of the string table
    const char *className = "MCConvertStage";
    qint64 stageOrder = 0;
    bool isUnique = false;
    bool isResettable = false;
    // Makes a stage with its defaults; nullptr while the class is not built yet.
    std::shared_ptr<MCConvertStage> (*create)() = nullptr;
};

// Key-value names of the base flags.
extern const QString kMCConvertStageActiveKey;    // "active"
extern const QString kMCConvertStageExpandedKey;  // "expanded"
// The base keys of the stage dictionary.
extern const QString kMCConvertStageIDKey;        // "stageID"
extern const QString kMCConvertStageIsActiveKey;  // "stageIsActive"
extern const QString kMCConvertStageIsExpandedKey; // "stageIsExpanded"

class MCConvertStage : public MCObservable, public std::enable_shared_from_this<MCConvertStage>
{
public:
    static constexpr qint64 StageID = -1;

    // A stage with its defaults: a new identity, active, expanded, target RGB 8-bit.
    MCConvertStage();
    ~MCConvertStage() override;
    MCConvertStage(const MCConvertStage &) = delete;
    MCConvertStage &operator=(const MCConvertStage &) = delete;

    // ---- the factory (the table is the catalogue in app/stages)
    // A new stage of the class registered for `stageID`, with its defaults; nullptr for an
    // ID without a class (4, unknown IDs, classes not built yet).
    static std::shared_ptr<MCConvertStage> convertStageWithID(qint64 stageID);
    // The same, read from `dictionary` when one is given. The ID selects the class; the
    // dictionary's own "stageID" is not consulted.
    static std::shared_ptr<MCConvertStage> convertStageWithID(qint64 stageID, const QVariantMap *dictionary);
    // The class named by the dictionary's "stageID" (absent reads 0), read from it.
    static std::shared_ptr<MCConvertStage> stageWithDictionary(const QVariantMap &dictionary);
    // The catalogue entry of an ID; nullptr for an ID that is not in it.
    static const MCConvertStageClass *stageClass(qint64 stageID);
    // Every entry of the catalogue, -1 first, then ascending IDs.
    static const std::vector<MCConvertStageClass> &stageCatalogue();

    // ---- class-level attributes (asked of the catalogue by stageID())
    virtual qint64 stageID() const { return StageID; }
    qint64 stageOrder() const;
    QString stageName() const; // localized; the English text is its own key
    bool isUnique() const;
    bool isResettable() const;
    // The parameter table; the base has none.
    virtual const MCStageParameters &parameters() const;

    // ---- state
    bool isActive() const { return m_active; }
    void setActive(bool active); // undoable; records nothing when unchanged
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded); // not undoable (view state)
    quint64 targetFormat() const { return m_targetFormat; }
    void setTargetFormat(quint64 format) { m_targetFormat = format; }
    qint64 targetColorModel() const { return m_targetColorModel; }
    virtual void setTargetColorModel(qint64 model) { m_targetColorModel = model; }
    qint64 targetColorDepth() const { return m_targetColorDepth; }
    void setTargetColorDepth(qint64 depth) { m_targetColorDepth = depth; }
    bool targetHasAlpha() const { return m_targetHasAlpha; }
    void setTargetHasAlpha(bool hasAlpha) { m_targetHasAlpha = hasAlpha; }
    QUuid uuid() const { return m_uuid; }
    void setUuid(const QUuid &uuid) { m_uuid = uuid; }
    // Not owned: the converter that holds the stage owns it.
    std::shared_ptr<MCUndoManager> undoManager() const { return m_undoManager.lock(); }
    void setUndoManager(const std::weak_ptr<MCUndoManager> &undoManager) { m_undoManager = undoManager; }

    // ---- parameters by name (programmer errors throw std::invalid_argument for unknown names)
    bool hasParameter(const QString &name) const { return parameterIndex(name) >= 0; }
    // Every value in table order (what a generic panel shows). The first call fills in the
    // defaults; the factory makes that call, so a stage it hands out is safe to read from the
    // thread of a run.
    const std::vector<QVariant> &parameterValues() const;
    QVariant parameterValue(const QString &name) const;
    // When the value (converted to the parameter's type) differs from the current one,
    // registers the old value with the undo manager (unless the parameter is not undoable),
    // then stores and announces it.
    void setParameterValue(const QString &name, const QVariant &value);
    double minimumForKey(const QString &name) const; // 0 when the table gives none
    double maximumForKey(const QString &name) const;
    double doubleValue(const QString &name) const { return parameterValue(name).toDouble(); }
    qint64 integerValue(const QString &name) const { return parameterValue(name).toLongLong(); }
    quint64 unsignedValue(const QString &name) const { return parameterValue(name).toULongLong(); }
    bool boolValue(const QString &name) const { return parameterValue(name).toBool(); }
    QString stringValue(const QString &name) const { return parameterValue(name).toString(); }

    // Sets every parameter back to its default through the undoable setters, when the stage
    // is resettable; nothing otherwise.
    virtual void resetToDefaults();

    // ---- stored form, copy, equality
    // The base keys, then one entry per parameter.
    virtual QVariantMap dictionaryRepresentation() const;
    // Reads the base keys (missing reads NO) and the parameters: numbers unconditionally (a
    // missing or unreadable number is 0), other values only when present and readable.
    virtual void initWithDictionary(const QVariantMap &dictionary);
    // A new stage of the same class with a new identity and no undo manager, equal to this.
    virtual std::shared_ptr<MCConvertStage> copy() const;
    // Same class exactly, same ID, flags and compared parameters. Identity takes no part.
    bool isEqual(const MCConvertStage &other) const;
    // (stageID << 2 | active << 1 | expanded) XOR (hashMix() << 16); a stage whose mix sits
    // elsewhere overrides it.
    virtual quint64 hash() const;

    // ---- observation
    // {"active"} plus the observed parameters.
    virtual QSet<QString> keyPathsForObserver() const;
    // {"expanded"} plus the parameters whose panel height depends on them.
    virtual QSet<QString> resizeKeyPathsForObserver() const;
    // Registers `callback` for every key path; dropping the tokens unregisters.
    [[nodiscard]] std::vector<MCObservation> registerNotificationsForObserver(const MCObserverCallback &callback) const;
    [[nodiscard]] std::vector<MCObservation>
    registerResizeNotificationsForObserver(const MCObserverCallback &callback) const;

    QVariant valueForKey(const QString &key) const override;
    void setValueForKey(const QString &key, const QVariant &value) override;
    // For a numeric parameter: schedules, on the main queue, an undoable set to its nil value
    // (as a rule its minimum). Any other key: the platform's exception.
    void setNilValueForKey(const QString &key) override;

    // ---- predictions (each must answer its input while the stage is inactive)
    virtual QSizeF imageSizeForSize(const QSizeF &size, quint64 &orientation) const;
    virtual quint64 resolutionForResolution(quint64 resolution) const;
    virtual QString colorProfileNameForName(const QString &name) const;
    virtual std::optional<QDateTime> captureDateForDate(const std::optional<QDateTime> &date,
                                                        const std::optional<QDateTime> &fileCreationDate) const;

    // ---- reduced reading
    // What the stage asks of the photo's pixels, so that a run may read a photo at reduced
    // size (a JPEG decoded at a fraction of its size costs a fraction of the time) when the
    // stage list makes it smaller anyway. NeedsFullSize (the default): the stage works on the
    // full-size pixels. LeavesPixels: it edits only the property dictionary. ResamplesFirst:
    // it starts by resampling the photo in proportion by a factor no larger than the larger of
    // the two ratios of the size imageSizeForSize() predicts to the photo's size, and takes a
    // bitmap marked as read reduced (MCBitmap::isReducedForRun) to exactly the size it would
    // make of the full-size photo.
    enum class PixelNeed { NeedsFullSize, LeavesPixels, ResamplesFirst };
    virtual PixelNeed pixelNeed() const { return PixelNeed::NeedsFullSize; }

    // ---- work
    // Applies the stage to `bitmap` in place and may edit `metadata` in place. The base does
    // nothing and answers true.
    virtual bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error);
    // What the preview path calls; the same work.
    bool previewBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error);

    // The error of a stage that failed on `file`: "MCErrorDomain" 2 naming the stage and the
    // file's title (what the converter reports for a stage that gave none).
    MCError stageFailureError(const MCFile *file) const;

protected:
    // The hash mix; the default folds the parameters that have a hash factor.
    virtual quint64 hashMix() const;
    // Equality of the parameters; the default compares every parameter marked compared.
    virtual bool parametersEqual(const MCConvertStage &other) const;
    // Helpers for overrides of the two above.
    bool parameterEquals(const MCConvertStage &other, const QString &name) const;
    static qint64 hashInteger(double value, double scale); // lround, 0 for NaN, clamped

    // Stored form of a Custom parameter (or any parameter, to override the encoding). encode
    // answers a null QVariant to leave the key out; decode answers whether it set a value.
    virtual QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const;
    virtual std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const;
    // Stored form of a file path parameter: the bookmark of the path, or null (the key left out)
    // for no file or a path no bookmark can be made of.
    static QVariant bookmarkOfPath(const QVariant &path);

    // Called after a parameter changed (by a setter, undo, reset or reading), so a stage can
    // drop what it built from it (a cached profile, a mask).
    virtual void parameterDidChange(const QString &name) {}

    // Stores without undo or notice (init-style assignment).
    void assignParameterValue(const QString &name, const QVariant &value);

private:
    qint64 parameterIndex(const QString &name) const;
    const MCStageParameter &parameterNamed(const QString &name) const;
    void ensureValues() const;
    static QVariant coerce(const MCStageParameter &parameter, const QVariant &value);
    static bool sameValue(const QVariant &a, const QVariant &b);
    // Runs `block` later with this stage if it still exists.
    std::function<void()> guarded(std::function<void(MCConvertStage &)> block);

    // Read by the thread of a run while the panel may switch it.
    std::atomic<bool> m_active{true};
    bool m_expanded = true;
    quint64 m_targetFormat = 0;
    qint64 m_targetColorModel = 1;
    qint64 m_targetColorDepth = 0;
    bool m_targetHasAlpha = false;
    QUuid m_uuid;
    std::weak_ptr<MCUndoManager> m_undoManager;
    // The parameter values in table order; filled with the defaults on first use, because
    // the table of a subclass is not reachable from the base's constructor.
    mutable std::vector<QVariant> m_values;
    mutable bool m_valuesReady = false;
    // Expires with the stage; deferred blocks and undo closures check it.
    std::shared_ptr<char> m_lifetime;
};

using MCConvertStageRef = std::shared_ptr<MCConvertStage>;
