#include "GBText.h"

#include <cerrno>
#include <iconv.h>
#include <optional>
#include <vector>

namespace {

// One conversion through iconv; nullopt when a character has no place in the target.
std::optional<QByteArray> convert(const char* to, const char* from, const QByteArray& input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return std::nullopt;
    std::vector<char> out(size_t(input.size()) * 4 + 16);
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = size_t(input.size());
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1) || inLeft != 0)
        return std::nullopt;
    return QByteArray(out.data(), qsizetype(out.size() - outLeft));
}

QByteArray toGB18030(const QString& text)
{
    return convert("GB18030", "UTF-8", text.toUtf8()).value_or(QByteArray());
}

} // namespace

namespace gb {

int byteLength(const QString& text)
{
    if (auto bytes = convert("CP936", "UTF-8", text.toUtf8()))
        return int(bytes->size());
    return int(toGB18030(text).size());
}

bool representable(const QString& text)
{
    return convert("CP936", "UTF-8", text.toUtf8()).has_value();
}

QString trimmed(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

QByteArray sortKey(const QString& text)
{
    return toGB18030(text);
}

} // namespace gb
