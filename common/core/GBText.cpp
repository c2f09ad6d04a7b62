#include "GBText.h"

#include "Exceptions.h"

#include <iconv.h>
#include <mutex>
#include <optional>
#include <vector>

namespace {

// One iconv conversion, opened once for the whole run: opening one costs far more than a
// short conversion, and a sort converts every row's key. iconv keeps a state between calls,
// so each conversion starts afresh and holds the lock.
class Converter {
public:
    Converter(const char* to, const char* from) : to_(to), cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (available())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool available() const { return cd_ != iconv_t(-1); }
    const char* name() const { return to_; }

    // Nullopt when a character has no place in the target.
    std::optional<QByteArray> convert(const QByteArray& input) const
    {
        if (!available())
            // Never read as "no such character": every lookup would find nothing.
            throw Exception(gb::missingConverterText(to_));
        std::vector<char> out(size_t(input.size()) * 4 + 16);
        char* in = const_cast<char*>(input.constData());
        size_t inLeft = size_t(input.size());
        char* outPtr = out.data();
        size_t outLeft = out.size();
        const std::lock_guard<std::mutex> lock(mutex_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        const size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
        if (rc == size_t(-1) || inLeft != 0)
            return std::nullopt;
        return QByteArray(out.data(), qsizetype(out.size() - outLeft));
    }

private:
    const char* to_;
    iconv_t cd_;
    mutable std::mutex mutex_;
};

const Converter& toCodePage()
{
    static const Converter converter("CP936", "UTF-8");
    return converter;
}

const Converter& toGB18030()
{
    static const Converter converter("GB18030", "UTF-8");
    return converter;
}

} // namespace

namespace gb {

QString missingConverterText(const char* target)
{
    return QStringLiteral("The text conversion from UTF-8 to %1 is not available (iconv): the C "
                          "library's gconv modules are missing")
        .arg(QLatin1String(target));
}

QString missingConverters()
{
    for (const Converter* c : {&toCodePage(), &toGB18030()})
        if (!c->available())
            return missingConverterText(c->name());
    return {};
}

int byteLength(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    if (auto bytes = toCodePage().convert(utf8))
        return int(bytes->size());
    return int(toGB18030().convert(utf8).value_or(QByteArray()).size());
}

bool representable(const QString& text)
{
    return toCodePage().convert(text.toUtf8()).has_value();
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
    return toGB18030().convert(text.toUtf8()).value_or(QByteArray());
}

} // namespace gb
