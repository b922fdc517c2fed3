#include "halvard/system/MCDataExtensions.h"

#include <QColor>
#include <QDataStream>
#include <QIODevice>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <type_traits>

namespace MCDataExtensions {

bool isEqualData(const QByteArray &first, const QByteArray &second)
{
    if (first.isNull() || second.isNull())
        return first.isNull() == second.isNull();
    return first == second;
}

int compareData(const QByteArray &first, const QByteArray &second)
{
    if (first.isNull() || second.isNull())
        return first.isNull() == second.isNull() ? 0 : (first.isNull() ? -1 : 1);
    return compareToData(first, second);
}

int compareToData(const QByteArray &receiver, const QByteArray &other)
{
    if (other.isNull())
        return 1;
    const qsizetype common = std::min(receiver.size(), other.size());
    if (common > 0 && receiver.constData() != other.constData()) {
        const int c = std::memcmp(receiver.constData(), other.constData(), size_t(common));
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    if (receiver.size() == other.size())
        return 0;
    return receiver.size() < other.size() ? -1 : 1;
}

} // namespace MCDataExtensions

namespace {

// "MCAR", then the format version; the stream version is fixed so data written by one Qt
// release reads in the next.
constexpr char kArchiveMagic[4] = {'M', 'C', 'A', 'R'};
constexpr quint8 kArchiveVersion = 1;
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

} // namespace

namespace MCKeyedArchiver {

QByteArray archivedRootObject(const QVariant &object)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(kStreamVersion);
    stream.writeRawData(kArchiveMagic, sizeof kArchiveMagic);
    stream << kArchiveVersion << object;
    return data;
}

} // namespace MCKeyedArchiver

namespace {

// The reader of archived values. It walks Qt's stream form of a QVariant itself instead of
// handing the bytes to QDataStream, because archives come from presets and settings files that
// anyone can edit: only the types the archiver is given are read, containers nest at most
// kMaximumDepth deep, and every length and count is checked against the bytes that are left
// before anything is allocated for it.
class ArchiveReader
{
public:
    static constexpr int kMaximumDepth = 16;

    explicit ArchiveReader(QByteArrayView bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_position == m_bytes.size(); }

    std::optional<QVariant> readVariant(int depth)
    {
        quint32 type = 0;
        quint8 isNull = 0;
        if (!readInteger(&type) || !readInteger(&isNull) || isNull > 1)
            return std::nullopt;
        switch (type) {
        case QMetaType::Bool: {
            quint8 value = 0;
            return readInteger(&value) ? std::optional<QVariant>(QVariant(value != 0)) : std::nullopt;
        }
        case QMetaType::Int: return readNumber<qint32>();
        case QMetaType::UInt: return readNumber<quint32>();
        case QMetaType::LongLong: return readNumber<qint64>();
        case QMetaType::ULongLong: return readNumber<quint64>();
        case QMetaType::Double: return readReal<double>(1);
        case QMetaType::Float: return readReal<float>(1); // a float is stored as a double
        case QMetaType::QPointF: return readReal<QPointF>(2);
        case QMetaType::QSizeF: return readReal<QSizeF>(2);
        case QMetaType::QRectF: return readReal<QRectF>(4);
        case QMetaType::QString: {
            std::optional<QString> text = readString();
            return text ? std::optional<QVariant>(QVariant(*text)) : std::nullopt;
        }
        case QMetaType::QByteArray: {
            std::optional<QByteArray> data = readBytes();
            return data ? std::optional<QVariant>(QVariant(*data)) : std::nullopt;
        }
        case QMetaType::QColor: return readColor();
        case QMetaType::QVariantList: return readList(depth + 1);
        case QMetaType::QVariantMap: return readMap(depth + 1);
        default: return std::nullopt; // a type the archiver never writes
        }
    }

private:
    // The smallest stored value: type, null flag and a one-byte boolean.
    static constexpr qsizetype kMinimumValueSize = 4 + 1 + 1;

    qsizetype left() const { return m_bytes.size() - m_position; }

    template<typename T>
    bool readInteger(T *value)
    {
        if (left() < qsizetype(sizeof(T)))
            return false;
        *value = qFromBigEndian<T>(m_bytes.data() + m_position);
        m_position += qsizetype(sizeof(T));
        return true;
    }

    template<typename T>
    std::optional<QVariant> readNumber()
    {
        T value{};
        return readInteger(&value) ? std::optional<QVariant>(QVariant::fromValue(value)) : std::nullopt;
    }

    bool readDouble(double *value)
    {
        quint64 bits = 0;
        if (!readInteger(&bits))
            return false;
        std::memcpy(value, &bits, sizeof bits);
        return true;
    }

    template<typename T>
    std::optional<QVariant> readReal(int count)
    {
        double v[4] = {};
        for (int i = 0; i < count; ++i) {
            if (!readDouble(&v[i]))
                return std::nullopt;
        }
        if constexpr (std::is_same_v<T, double>)
            return QVariant(v[0]);
        else if constexpr (std::is_same_v<T, float>)
            return QVariant(float(v[0]));
        else if constexpr (std::is_same_v<T, QPointF>)
            return QVariant(QPointF(v[0], v[1]));
        else if constexpr (std::is_same_v<T, QSizeF>)
            return QVariant(QSizeF(v[0], v[1]));
        else
            return QVariant(QRectF(v[0], v[1], v[2], v[3]));
    }

    // A length in bytes, 0xffffffff meaning a null value; nullopt when it runs past the end.
    std::optional<quint32> readLength()
    {
        quint32 length = 0;
        if (!readInteger(&length))
            return std::nullopt;
        if (length != 0xffffffffu && qint64(length) > qint64(left()))
            return std::nullopt;
        return length;
    }

    std::optional<QByteArray> readBytes()
    {
        const std::optional<quint32> length = readLength();
        if (!length)
            return std::nullopt;
        if (*length == 0xffffffffu)
            return QByteArray();
        QByteArray data(m_bytes.data() + m_position, qsizetype(*length));
        m_position += qsizetype(*length);
        return data;
    }

    std::optional<QString> readString()
    {
        const std::optional<quint32> length = readLength();
        if (!length || (*length != 0xffffffffu && *length % 2 != 0))
            return std::nullopt;
        if (*length == 0xffffffffu)
            return QString();
        QString text(qsizetype(*length / 2), Qt::Uninitialized);
        qFromBigEndian<char16_t>(m_bytes.data() + m_position, text.size(), text.data());
        m_position += qsizetype(*length);
        return text;
    }

    std::optional<QVariant> readColor()
    {
        // The colour model (one byte), then alpha, three components and padding, 16 bits each.
        constexpr qsizetype kColorSize = 1 + 5 * 2;
        if (left() < kColorSize)
            return std::nullopt;
        const auto model = qint8(m_bytes[m_position]);
        if (model < QColor::Invalid || model > QColor::ExtendedRgb)
            return std::nullopt;
        QDataStream stream(QByteArray::fromRawData(m_bytes.data() + m_position, kColorSize));
        stream.setVersion(kStreamVersion);
        QColor color;
        stream >> color;
        m_position += kColorSize;
        if (stream.status() != QDataStream::Ok)
            return std::nullopt;
        // Extended colours keep half floats, which can be NaN or infinite.
        if (color.isValid() && !(std::isfinite(color.redF()) && std::isfinite(color.greenF()) &&
                                 std::isfinite(color.blueF()) && std::isfinite(color.alphaF())))
            return std::nullopt;
        return QVariant(color);
    }

    // A count of entries of at least `entrySize` bytes each that the rest of the data can hold.
    std::optional<quint32> readCount(qsizetype entrySize)
    {
        quint32 count = 0;
        if (!readInteger(&count) || qint64(count) > qint64(left() / entrySize))
            return std::nullopt;
        return count;
    }

    std::optional<QVariant> readList(int depth)
    {
        if (depth > kMaximumDepth)
            return std::nullopt;
        const std::optional<quint32> count = readCount(kMinimumValueSize);
        if (!count)
            return std::nullopt;
        QVariantList list;
        list.reserve(qsizetype(*count));
        for (quint32 i = 0; i < *count; ++i) {
            std::optional<QVariant> value = readVariant(depth);
            if (!value)
                return std::nullopt;
            list.append(std::move(*value));
        }
        return QVariant(list);
    }

    std::optional<QVariant> readMap(int depth)
    {
        if (depth > kMaximumDepth)
            return std::nullopt;
        const std::optional<quint32> count = readCount(4 + kMinimumValueSize);
        if (!count)
            return std::nullopt;
        QVariantMap map;
        for (quint32 i = 0; i < *count; ++i) {
            std::optional<QString> key = readString();
            if (!key)
                return std::nullopt;
            std::optional<QVariant> value = readVariant(depth);
            if (!value)
                return std::nullopt;
            map.insert(*key, std::move(*value));
        }
        return QVariant(map);
    }

    QByteArrayView m_bytes;
    qsizetype m_position = 0;
};

} // namespace

namespace MCKeyedUnarchiver {

QVariant unarchivedRootObject(const QByteArray &data)
{
    constexpr qsizetype kHeaderSize = qsizetype(sizeof kArchiveMagic) + 1;
    if (data.size() <= kHeaderSize || std::memcmp(data.constData(), kArchiveMagic, sizeof kArchiveMagic) != 0 ||
        quint8(data[sizeof kArchiveMagic]) != kArchiveVersion)
        return {};
    ArchiveReader reader(QByteArrayView(data).sliced(kHeaderSize));
    const std::optional<QVariant> object = reader.readVariant(0);
    if (!object || !reader.atEnd() || !object->isValid())
        return {};
    return *object;
}

} // namespace MCKeyedUnarchiver
