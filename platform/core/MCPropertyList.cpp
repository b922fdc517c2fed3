#include "platform/core/MCPropertyList.h"

#include "platform/core/MCFileReading.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Containers nest this deep at most; deeper input is refused instead of exhausting the stack.
constexpr int kMaximumDepth = 512;

const QString kDateFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'");

QString fileName(const QString &path) { return QFileInfo(path).fileName(); }

// Where `text` holds a character a property list cannot hold (XML 1.0 carries no control
// character but tab, line feed and carriage return, no U+FFFE or U+FFFF and no half of a
// surrogate pair), or -1. The reader refuses what the writer could not write back.
qsizetype firstCharacterAPropertyListCannotHold(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                ++i;
                continue;
            }
            return i;
        }
        if (c.isLowSurrogate() || u == 0xFFFE || u == 0xFFFF || (u < 0x20 && u != '\t' && u != '\n' && u != '\r'))
            return i;
    }
    return -1;
}

QString cannotHoldMessage(QStringView text, qsizetype at)
{
    return QStringLiteral("The text “%1” holds the character U+%2, which a property list cannot hold.")
        .arg(text.left(40).toString())
        .arg(text.at(at).unicode(), 4, 16, QLatin1Char('0'));
}

// ---------------------------------------------------------------------------------------------
// Reading

class Reader
{
public:
    explicit Reader(const QByteArray &data) : m_xml(data) {}

    QVariant parse()
    {
        if (!nextMeaningful())
            return {};
        if (m_xml.tokenType() != QXmlStreamReader::StartElement)
            return fail(QStringLiteral("The document is empty."));
        if (m_xml.name() != QLatin1String("plist"))
            return fail(QStringLiteral("The root element is <%1>, not <plist>.").arg(m_xml.name()));
        if (!nextMeaningful())
            return {};
        if (m_xml.tokenType() != QXmlStreamReader::StartElement)
            return fail(QStringLiteral("The <plist> element holds no value."));
        QVariant root = parseValue(0);
        if (!root.isValid())
            return {};
        if (!nextMeaningful())
            return {};
        if (m_xml.tokenType() != QXmlStreamReader::EndElement)
            return fail(QStringLiteral("The <plist> element holds more than one value."));
        // Only comments and white space may follow; the reader reports anything else.
        while (!m_xml.atEnd()) {
            const auto token = m_xml.readNext();
            if (token == QXmlStreamReader::Invalid)
                return failFromReader();
            if (token == QXmlStreamReader::EndDocument)
                break;
        }
        return root;
    }

    QString errorText() const { return m_error; }

private:
    QVariant fail(const QString &message)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1 (line %2, column %3)")
                          .arg(message)
                          .arg(m_xml.lineNumber())
                          .arg(m_xml.columnNumber());
        return {};
    }

    QVariant failFromReader()
    {
        if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            return fail(QStringLiteral("The document ends unexpectedly."));
        return fail(m_xml.errorString());
    }

    // Advances to the next start or end element, skipping declarations, comments and white
    // space. Text between elements, unresolved entities and XML errors fail.
    bool nextMeaningful()
    {
        for (;;) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
            case QXmlStreamReader::EndElement:
                return true;
            case QXmlStreamReader::Characters:
                if (m_xml.isWhitespace())
                    continue;
                fail(QStringLiteral("Unexpected text “%1”.").arg(m_xml.text().left(40)));
                return false;
            case QXmlStreamReader::EntityReference:
                fail(QStringLiteral("The entity “&%1;” is not defined.").arg(m_xml.name()));
                return false;
            case QXmlStreamReader::EndDocument:
                fail(QStringLiteral("The document ends unexpectedly."));
                return false;
            case QXmlStreamReader::Invalid:
                failFromReader();
                return false;
            default: // StartDocument, DTD, Comment, ProcessingInstruction, NoToken
                continue;
            }
        }
    }

    // The text content of the current leaf element, up to its end tag. Child elements fail.
    std::optional<QString> readText()
    {
        const QString element = m_xml.name().toString();
        QString text(QLatin1String(""));
        for (;;) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::Characters:
                text += m_xml.text();
                continue;
            case QXmlStreamReader::EndElement:
                // The declared encoding may decode to text XML cannot carry (UTF-7 to a lone
                // surrogate); such a list could never be written back.
                if (const qsizetype at = firstCharacterAPropertyListCannotHold(text); at >= 0) {
                    fail(cannotHoldMessage(text, at));
                    return std::nullopt;
                }
                return text;
            case QXmlStreamReader::StartElement:
                fail(QStringLiteral("Unexpected element <%1> inside <%2>.").arg(m_xml.name(), element));
                return std::nullopt;
            case QXmlStreamReader::EntityReference:
                fail(QStringLiteral("The entity “&%1;” is not defined.").arg(m_xml.name()));
                return std::nullopt;
            case QXmlStreamReader::Invalid:
                failFromReader();
                return std::nullopt;
            case QXmlStreamReader::EndDocument:
                fail(QStringLiteral("The document ends unexpectedly."));
                return std::nullopt;
            default:
                continue;
            }
        }
    }

    QVariant parseValue(int depth)
    {
        if (depth > kMaximumDepth)
            return fail(QStringLiteral("Containers are nested too deeply."));
        const QStringView name = m_xml.name();
        if (name == QLatin1String("dict"))
            return parseDictionary(depth);
        if (name == QLatin1String("array"))
            return parseArray(depth);
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            const auto text = readText();
            if (!text)
                return {};
            if (!text->trimmed().isEmpty())
                return fail(QStringLiteral("A boolean element must be empty."));
            return value;
        }
        const QString element = name.toString();
        if (element != QLatin1String("string") && element != QLatin1String("integer") &&
            element != QLatin1String("real") && element != QLatin1String("date") && element != QLatin1String("data"))
            return fail(QStringLiteral("Unknown element <%1>.").arg(element));
        const auto text = readText();
        if (!text)
            return {};
        if (element == QLatin1String("string"))
            return *text;
        if (element == QLatin1String("integer"))
            return parseInteger(text->trimmed());
        if (element == QLatin1String("real"))
            return parseReal(text->trimmed());
        if (element == QLatin1String("date"))
            return parseDate(text->trimmed());
        return parseData(*text);
    }

    QVariant parseDictionary(int depth)
    {
        QVariantMap map;
        for (;;) {
            if (!nextMeaningful())
                return {};
            if (m_xml.tokenType() == QXmlStreamReader::EndElement)
                return map;
            if (m_xml.name() != QLatin1String("key"))
                return fail(QStringLiteral("Expected <key> in <dict>, found <%1>.").arg(m_xml.name()));
            const auto key = readText();
            if (!key)
                return {};
            if (!nextMeaningful())
                return {};
            if (m_xml.tokenType() != QXmlStreamReader::StartElement || m_xml.name() == QLatin1String("key"))
                return fail(QStringLiteral("The key “%1” has no value.").arg(*key));
            QVariant value = parseValue(depth + 1);
            if (!value.isValid())
                return {};
            map.insert(*key, value); // a repeated key keeps its last value
        }
    }

    QVariant parseArray(int depth)
    {
        QVariantList list;
        for (;;) {
            if (!nextMeaningful())
                return {};
            if (m_xml.tokenType() == QXmlStreamReader::EndElement)
                return list;
            QVariant value = parseValue(depth + 1);
            if (!value.isValid())
                return {};
            list.append(value);
        }
    }

    QVariant parseInteger(const QString &text)
    {
        bool ok = false;
        if (text.startsWith(QLatin1Char('-'))) {
            const qint64 value = text.toLongLong(&ok);
            if (ok)
                return value;
        } else {
            const QString digits = text.startsWith(QLatin1Char('+')) ? text.mid(1) : text;
            const quint64 value = digits.startsWith(QLatin1Char('-')) ? 0 : digits.toULongLong(&ok);
            if (ok) {
                if (value <= quint64(std::numeric_limits<qint64>::max()))
                    return qint64(value);
                return value;
            }
        }
        return fail(QStringLiteral("“%1” is not an integer in the range of 64 bits.").arg(text.left(40)));
    }

    QVariant parseReal(const QString &text)
    {
        const QString lower = text.toLower();
        if (lower == QLatin1String("nan"))
            return std::numeric_limits<double>::quiet_NaN();
        if (lower == QLatin1String("inf") || lower == QLatin1String("+inf") || lower == QLatin1String("infinity") ||
            lower == QLatin1String("+infinity"))
            return std::numeric_limits<double>::infinity();
        if (lower == QLatin1String("-inf") || lower == QLatin1String("-infinity"))
            return -std::numeric_limits<double>::infinity();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok)
            return fail(QStringLiteral("“%1” is not a real number.").arg(text.left(40)));
        return value;
    }

    QVariant parseDate(const QString &text)
    {
        QDateTime date = QDateTime::fromString(text, Qt::ISODate);
        if (!date.isValid() || date.timeSpec() == Qt::LocalTime)
            return fail(QStringLiteral("“%1” is not a date of the form yyyy-MM-ddTHH:mm:ssZ.").arg(text.left(40)));
        return date.toUTC();
    }

    QVariant parseData(const QString &text)
    {
        QByteArray compact;
        compact.reserve(text.size());
        for (const QChar c : text) {
            if (!c.isSpace())
                compact.append(c.toLatin1());
        }
        auto decoded = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return fail(QStringLiteral("The <data> element is not valid base64."));
        return decoded.decoded;
    }

    QXmlStreamReader m_xml;
    QString m_error;
};

// ---------------------------------------------------------------------------------------------
// Writing

class Writer
{
public:
    bool write(const QVariant &plist)
    {
        m_out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                 "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                 "<plist version=\"1.0\">\n";
        if (!writeValue(plist, 0))
            return false;
        m_out += "</plist>\n";
        return true;
    }

    QByteArray data() const { return m_out; }
    QString errorText() const { return m_error; }

private:
    bool fail(const QString &message)
    {
        m_error = message;
        return false;
    }

    void indent(int depth) { m_out.append(QByteArray(depth, '\t')); }

    // Escapes the XML specials; a carriage return becomes a character reference because
    // parsers turn a literal one into a line feed. Characters XML cannot carry fail.
    bool escape(const QString &text, QByteArray &out)
    {
        if (const qsizetype at = firstCharacterAPropertyListCannotHold(text); at >= 0)
            return fail(cannotHoldMessage(text, at));
        QString escaped;
        escaped.reserve(text.size());
        for (const QChar c : text) {
            switch (c.unicode()) {
            case '&':
                escaped += QLatin1String("&amp;");
                break;
            case '<':
                escaped += QLatin1String("&lt;");
                break;
            case '>':
                escaped += QLatin1String("&gt;");
                break;
            case '\r':
                escaped += QLatin1String("&#13;");
                break;
            default:
                escaped += c;
                break;
            }
        }
        out = escaped.toUtf8();
        return true;
    }

    bool writeLeaf(const char *element, const QByteArray &text, int depth)
    {
        indent(depth);
        m_out += '<';
        m_out += element;
        m_out += '>';
        m_out += text;
        m_out += "</";
        m_out += element;
        m_out += ">\n";
        return true;
    }

    bool writeString(const char *element, const QString &text, int depth)
    {
        QByteArray escaped;
        return escape(text, escaped) && writeLeaf(element, escaped, depth);
    }

    // An empty container is written as one empty element, as the platform does.
    void openElement(const char *element, bool empty, int depth)
    {
        indent(depth);
        m_out += '<';
        m_out += element;
        m_out += empty ? "/>\n" : ">\n";
    }

    void closeElement(const char *element, int depth)
    {
        indent(depth);
        m_out += "</";
        m_out += element;
        m_out += ">\n";
    }

    template <typename Map> bool writeDictionary(const Map &map, int depth)
    {
        openElement("dict", map.isEmpty(), depth);
        if (map.isEmpty())
            return true;
        QStringList keys = map.keys();
        keys.sort();
        for (const QString &key : keys) {
            if (!writeString("key", key, depth + 1) || !writeValue(map.value(key), depth + 1))
                return false;
        }
        closeElement("dict", depth);
        return true;
    }

    template <typename List> bool writeArray(const List &list, int depth)
    {
        openElement("array", list.isEmpty(), depth);
        if (list.isEmpty())
            return true;
        for (const auto &item : list) {
            if (!writeValue(QVariant(item), depth + 1))
                return false;
        }
        closeElement("array", depth);
        return true;
    }

    bool writeReal(double value, int depth)
    {
        QByteArray text;
        if (std::isnan(value))
            text = "nan";
        else if (std::isinf(value))
            text = value > 0 ? "+infinity" : "-infinity";
        else
            text = QString::number(value, 'g', QLocale::FloatingPointShortest).toLatin1();
        return writeLeaf("real", text, depth);
    }

    bool writeData(const QByteArray &data, int depth)
    {
        if (data.isEmpty())
            return writeLeaf("data", QByteArray(), depth);
        // Lines of 76 characters, indented like the element, as the platform writes them.
        const QByteArray base64 = data.toBase64();
        openElement("data", false, depth);
        for (qsizetype at = 0; at < base64.size(); at += 76) {
            indent(depth);
            m_out += base64.mid(at, 76);
            m_out += '\n';
        }
        closeElement("data", depth);
        return true;
    }

    bool writeValue(const QVariant &value, int depth)
    {
        switch (value.metaType().id()) {
        case QMetaType::QVariantMap:
            return writeDictionary(value.toMap(), depth);
        case QMetaType::QVariantHash:
            return writeDictionary(value.toHash(), depth);
        case QMetaType::QVariantList:
            return writeArray(value.toList(), depth);
        case QMetaType::QStringList:
            return writeArray(value.toStringList(), depth);
        case QMetaType::QString:
            return writeString("string", value.toString(), depth);
        case QMetaType::Bool:
            indent(depth);
            m_out += value.toBool() ? "<true/>\n" : "<false/>\n";
            return true;
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::SChar:
        case QMetaType::Char:
            return writeLeaf("integer", QByteArray::number(value.toLongLong()), depth);
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::UChar:
            return writeLeaf("integer", QByteArray::number(value.toULongLong()), depth);
        case QMetaType::Double:
        case QMetaType::Float:
            return writeReal(value.toDouble(), depth);
        case QMetaType::QDateTime: {
            const QDateTime date = value.toDateTime();
            if (!date.isValid())
                return fail(QStringLiteral("An invalid date cannot be stored in a property list."));
            return writeLeaf("date", date.toUTC().toString(kDateFormat).toLatin1(), depth);
        }
        case QMetaType::QByteArray:
            return writeData(value.toByteArray(), depth);
        case QMetaType::UnknownType:
            return fail(QStringLiteral("A null value cannot be stored in a property list."));
        default:
            return fail(QStringLiteral("A value of type %1 cannot be stored in a property list.")
                            .arg(QLatin1String(value.metaType().name())));
        }
    }

    QByteArray m_out;
    QString m_error;
};

MCError readError(qint64 code, const QString &path, const QString &format)
{
    MCError error(MCCocoaErrorDomain, code, format.arg(fileName(path)));
    error.setUserInfoValue(MCFilePathErrorKey, path);
    return error;
}

QVariant failRead(MCError *error, const MCError &failure)
{
    MCSetError(error, failure);
    return {};
}

MCError writeError(const QString &path, const QSaveFile &file)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    MCError error;
    if (!folder.isDir()) {
        error = MCError(MCCocoaErrorDomain, MCFileNoSuchFileError,
                        QStringLiteral("The file “%1” couldn’t be saved because the folder “%2” doesn’t exist.")
                            .arg(info.fileName(), folder.fileName()));
    } else if (file.error() == QFileDevice::ResourceError) {
        error = MCError(MCCocoaErrorDomain, MCFileWriteOutOfSpaceError,
                        QStringLiteral("The file “%1” couldn’t be saved because the volume is out of space.")
                            .arg(info.fileName()));
    } else if (!folder.isWritable() || (info.exists() && !info.isWritable()) ||
               file.error() == QFileDevice::PermissionsError) {
        error = MCError(MCCocoaErrorDomain, MCFileWriteNoPermissionError,
                        QStringLiteral("You don’t have permission to save the file “%1” in the folder “%2”.")
                            .arg(info.fileName(), folder.fileName()));
    } else {
        error = MCError(MCCocoaErrorDomain, MCFileWriteUnknownError,
                        QStringLiteral("The file “%1” couldn’t be saved.").arg(info.fileName()));
    }
    error.setLocalizedFailureReason(file.errorString());
    error.setUserInfoValue(MCFilePathErrorKey, path);
    return error;
}

} // namespace

namespace platform {

bool isPropertyListNumber(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isPropertyList(const QVariant &value)
{
    if (isPropertyListNumber(value))
        return true;
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        return std::all_of(map.cbegin(), map.cend(), [](const QVariant &item) { return isPropertyList(item); });
    }
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        return std::all_of(hash.cbegin(), hash.cend(), [](const QVariant &item) { return isPropertyList(item); });
    }
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        return std::all_of(list.cbegin(), list.cend(), [](const QVariant &item) { return isPropertyList(item); });
    }
    case QMetaType::QDateTime:
        return value.toDateTime().isValid();
    case QMetaType::QStringList:
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return true;
    default:
        return false;
    }
}

QVariant propertyListFromData(const QByteArray &data, MCError *error)
{
    Reader reader(data);
    QVariant result = reader.parse();
    if (!result.isValid()) {
        MCSetError(error, MCError(MCCocoaErrorDomain, MCPropertyListReadCorruptError,
                                  QStringLiteral("The data couldn’t be read because it isn’t in the correct format."),
                                  reader.errorText()));
        return {};
    }
    return result;
}

QByteArray dataFromPropertyList(const QVariant &plist, MCError *error)
{
    Writer writer;
    if (!writer.write(plist)) {
        MCSetError(error, MCError(MCCocoaErrorDomain, MCPropertyListWriteInvalidError,
                                  QStringLiteral("The data couldn’t be written because it isn’t in the correct format."),
                                  writer.errorText()));
        return {};
    }
    return writer.data();
}

QVariant readPropertyList(const QString &path, MCError *error)
{
    const FileContents contents = readRegularFile(path);
    switch (contents.status) {
    case FileReadStatus::Read:
        break;
    case FileReadStatus::Folder:
        return failRead(error, readError(MCFileReadUnknownError, path,
                                         QStringLiteral("The file “%1” couldn’t be opened because it is a folder.")));
    case FileReadStatus::Missing: {
        MCError failure = readError(MCFileReadNoSuchFileError, path,
                                    QStringLiteral("The file “%1” couldn’t be opened because there is no such file."));
        failure.setUnderlyingError(MCError::errorWithPOSIXCode(ENOENT, path));
        return failRead(error, failure);
    }
    case FileReadStatus::NoPermission:
        return failRead(error, readError(MCFileReadNoPermissionError, path,
                                         QStringLiteral("The file “%1” couldn’t be opened because you don’t "
                                                        "have permission to view it.")));
    case FileReadStatus::NotRegularFile:
        return failRead(error, readError(MCFileReadUnknownError, path,
                                         QStringLiteral("The file “%1” couldn’t be opened because it isn’t a "
                                                        "regular file.")));
    case FileReadStatus::TooLarge:
    case FileReadStatus::Failed: {
        MCError failure = readError(MCFileReadUnknownError, path, QStringLiteral("The file “%1” couldn’t be read."));
        if (contents.posixError != 0) {
            failure.setLocalizedFailureReason(QString::fromLocal8Bit(std::strerror(contents.posixError)));
            failure.setUnderlyingError(MCError::errorWithPOSIXCode(contents.posixError, path));
        }
        return failRead(error, failure);
    }
    }
    const QByteArray &data = contents.data;
    MCError parseError;
    QVariant result = propertyListFromData(data, &parseError);
    if (!result.isValid()) {
        MCError failure = readError(MCFileReadCorruptFileError, path,
                                    QStringLiteral("The file “%1” couldn’t be opened because it isn’t in the correct "
                                                   "format."));
        failure.setLocalizedFailureReason(parseError.localizedFailureReason());
        failure.setUnderlyingError(parseError);
        return failRead(error, failure);
    }
    return result;
}

std::optional<QVariantMap> readPropertyListDictionary(const QString &path, MCError *error)
{
    const QVariant plist = readPropertyList(path, error);
    if (!plist.isValid())
        return std::nullopt;
    if (plist.metaType().id() != QMetaType::QVariantMap) {
        MCError failure = readError(MCFileReadCorruptFileError, path,
                                    QStringLiteral("The file “%1” couldn’t be opened because it isn’t in the correct "
                                                   "format."));
        failure.setLocalizedFailureReason(QStringLiteral("The property list does not hold a dictionary."));
        MCSetError(error, failure);
        return std::nullopt;
    }
    return plist.toMap();
}

bool writePropertyList(const QVariant &plist, const QString &path, MCError *error)
{
    const QByteArray data = dataFromPropertyList(plist, error);
    if (data.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        const MCError failure = writeError(path, file);
        file.cancelWriting();
        return MCSetError(error, failure);
    }
    return true;
}

} // namespace platform
