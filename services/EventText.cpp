#include "EventText.h"

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 .. 0x9F; the five codes it leaves unused
// keep their Latin-1 meaning, as Windows itself reads them.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The length of the valid UTF-8 sequence at the start of bytes, or 0 when there is none
// (a stray continuation byte, a cut sequence, an overlong form, a surrogate, past U+10FFFF).
std::size_t Utf8SequenceLength(const unsigned char *bytes, std::size_t available) {
    const unsigned char lead = bytes[0];
    std::size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (bytes[i] & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

} // namespace

// Sequence by sequence, so that a date's composed text whose pieces came from files of both
// kinds still reads right in every piece.
QString EventTextFromBytes(const std::string &bytes) {
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t size = bytes.size();
    QString text;
    text.reserve(qsizetype(size));
    std::size_t i = 0;
    while (i < size) {
        const std::size_t start = i;
        while (i < size && data[i] < 0x80)
            ++i;
        text.append(QLatin1String(bytes.data() + start, qsizetype(i - start)));
        if (i == size)
            break;
        if (const std::size_t length = Utf8SequenceLength(data + i, size - i)) {
            text.append(QString::fromUtf8(bytes.data() + i, qsizetype(length)));
            i += length;
        } else {
            const unsigned char code = data[i++];
            text.append(code < 0xA0 ? QChar(Cp1252High[code - 0x80]) : QChar(char16_t(code)));
        }
    }
    return text;
}

QString EventTextForDisplay(const std::string &bytes) {
    QString text = EventTextFromBytes(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

std::string EventTextToBytes(const QString &text) {
    QString stored = text;
    stored.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QByteArray bytes = stored.toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}
