#include "halvard/system/MCDataExtensions.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <cstring>

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

namespace MCKeyedUnarchiver {

QVariant unarchivedRootObject(const QByteArray &data)
{
    if (data.size() <= qsizetype(sizeof kArchiveMagic) + 1 ||
        std::memcmp(data.constData(), kArchiveMagic, sizeof kArchiveMagic) != 0)
        return {};
    QDataStream stream(data);
    stream.setVersion(kStreamVersion);
    stream.skipRawData(sizeof kArchiveMagic);
    quint8 version = 0;
    stream >> version;
    if (version != kArchiveVersion)
        return {};
    QVariant object;
    stream >> object;
    if (stream.status() != QDataStream::Ok || !stream.atEnd() || !object.isValid())
        return {};
    return object;
}

} // namespace MCKeyedUnarchiver
