#pragma once

// The six kinds of file operation, and the converter roles that convert and edit metadata
// work through.
#include "app/library/MCFileOperation.h"

#include <memory>

class MCBitmapConverter;
class MCMetadataConverter;

// The converter of a convert operation: the output extension and the conversion of one photo
// to exactly the path given (a temporary file bearing the output's name). A converter that
// can decode ahead splits convertFile into decodeFile, which may run on another thread while
// convertDecodedFile finishes the photo before it, and convertDecodedFile.
class MCConverterRole
{
public:
    // A photo decoded ahead, owned by whoever holds it.
    struct Decoded
    {
        virtual ~Decoded() = default;
    };

    virtual ~MCConverterRole() = default;
    virtual QString imageFileExtension() const = 0;
    virtual bool convertFile(const MCFile &file, const QString &destination, MCError *error) = 0;

    virtual bool canDecodeAhead() const { return false; }
    // The decoded photo, or null with the error.
    virtual std::unique_ptr<Decoded> decodeFile(const MCFile &file, const QString &outputName, MCError *error);
    virtual bool convertDecodedFile(const MCFile &file, std::unique_ptr<Decoded> decoded, const QString &destination,
                                    MCError *error);
};

// The converter role of a bitmap converter (the Convert screen's settings and stages). The
// converter must not be edited while the operation runs; give the operation a copy.
class MCBitmapConverterRole : public MCConverterRole
{
public:
    explicit MCBitmapConverterRole(std::shared_ptr<MCBitmapConverter> converter);
    ~MCBitmapConverterRole() override;

    MCBitmapConverter &converter() const { return *m_converter; }

    QString imageFileExtension() const override;
    bool convertFile(const MCFile &file, const QString &destination, MCError *error) override;
    bool canDecodeAhead() const override { return true; }
    std::unique_ptr<Decoded> decodeFile(const MCFile &file, const QString &outputName, MCError *error) override;
    bool convertDecodedFile(const MCFile &file, std::unique_ptr<Decoded> decoded, const QString &destination,
                            MCError *error) override;

private:
    std::shared_ptr<MCBitmapConverter> m_converter;
};

// The converter of an edit-metadata operation: writes the tag changes of its stages into
// the file in place; true without touching the file when there is nothing to change; on
// failure (or when `isCancelled` answers true while it works) the file is as it was.
class MCMetadataEditor
{
public:
    virtual ~MCMetadataEditor() = default;
    virtual bool editMedataInFile(const MCFile &file, MCError *error, const std::function<bool()> &isCancelled) = 0;
};

// The editor of a metadata converter (the Edit Metadata dialog's stages). The converter must
// not be edited while the operation runs; give the operation a copy.
class MCMetadataConverterEditor : public MCMetadataEditor
{
public:
    explicit MCMetadataConverterEditor(std::shared_ptr<MCMetadataConverter> converter);
    ~MCMetadataConverterEditor() override;
    MCMetadataConverter &converter() const { return *m_converter; }
    bool editMedataInFile(const MCFile &file, MCError *error, const std::function<bool()> &isCancelled) override;

private:
    std::shared_ptr<MCMetadataConverter> m_converter;
};

class MCCopyOperation : public MCFileOperation
{
public:
    using MCFileOperation::MCFileOperation;
    QString messageTextForAlreadyExistsError(const MCError &, const MCFile &file, const QString &destination) const override;
    QString messageTextForUnhandledError(const MCError &, const MCFile &file, const QString &destination) const override;

protected:
    bool processItem(MCFileOperationContext &context, qsizetype index, QString &destination, MCError *error) override;
};

class MCMoveOperation : public MCFileOperation
{
public:
    using MCFileOperation::MCFileOperation;
    QString messageTextForAlreadyExistsError(const MCError &, const MCFile &file, const QString &destination) const override;
    QString messageTextForUnhandledError(const MCError &, const MCFile &file, const QString &destination) const override;

protected:
    bool movesSources() const override { return true; }
    bool processItem(MCFileOperationContext &context, qsizetype index, QString &destination, MCError *error) override;
};

class MCRenameOperation : public MCFileOperation
{
public:
    using MCFileOperation::MCFileOperation;
    QString messageTextForAlreadyExistsError(const MCError &, const MCFile &file, const QString &destination) const override;
    QString messageTextForUnhandledError(const MCError &, const MCFile &file, const QString &destination) const override;

protected:
    bool movesSources() const override { return true; }
    bool processItem(MCFileOperationContext &context, qsizetype index, QString &destination, MCError *error) override;
};

// Converts in source order; while one photo runs through the stages and the encoder, the
// next one is decoded (when the converter can), so at most two photos are in memory. Every
// callback, question and result still comes in source order.
class MCConvertOperation : public MCFileOperation
{
public:
    explicit MCConvertOperation(MCFileOperationCompletion completion = {});
    ~MCConvertOperation() override;
    QString messageTextForAlreadyExistsError(const MCError &, const MCFile &file, const QString &destination) const override;
    QString messageTextForUnhandledError(const MCError &, const MCFile &file, const QString &destination) const override;

    // Whether the next photo is decoded while this one is finished; on by default. Read when the
    // operation starts: set it before the operation is queued.
    bool decodesAhead() const { return m_decodesAhead; }
    void setDecodesAhead(bool decodesAhead) { m_decodesAhead = decodesAhead; }

protected:
    void willProcessContext(MCFileOperationContext &context) override;
    bool processItem(MCFileOperationContext &context, qsizetype index, QString &destination, MCError *error) override;
    void didProcessContext(MCFileOperationContext &context) override;

private:
    class DecodeAhead;
    bool m_decodesAhead = true;
    std::shared_ptr<MCConverterRole> m_converter; // of the current context
    std::unique_ptr<DecodeAhead> m_decodeAhead;
};

class MCEditMetadataOperation : public MCFileOperation
{
public:
    using MCFileOperation::MCFileOperation;
    QString messageTextForAlreadyExistsError(const MCError &, const MCFile &file, const QString &destination) const override;
    QString messageTextForUnhandledError(const MCError &, const MCFile &file, const QString &destination) const override;

protected:
    bool hasDestinations() const override { return false; }
    bool processItem(MCFileOperationContext &context, qsizetype index, QString &destination, MCError *error) override;
};

class MCSetFileDateOperation : public MCFileOperation
{
public:
    using MCFileOperation::MCFileOperation;
    QString messageTextForAlreadyExistsError(const MCError &, const MCFile &file, const QString &destination) const override;
    QString messageTextForUnhandledError(const MCError &, const MCFile &file, const QString &destination) const override;

protected:
    bool hasDestinations() const override { return false; }
    bool processItem(MCFileOperationContext &context, qsizetype index, QString &destination, MCError *error) override;
};
