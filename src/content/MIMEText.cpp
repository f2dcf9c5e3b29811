#include "content/MIMEText.h"
#include "content/ICUText.h"

#include <QStringDecoder>

#include <unicode/regex.h>
#include <unicode/ucnv.h>

#include <array>
#include <cstring>
#include <memory>

namespace MIME {

namespace {

std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

std::optional<QString> icuDecode(const char* converterName, QByteArrayView bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(converterName, &status));
    if (U_FAILURE(status))
        return std::nullopt;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status) || bytes.size() > (1 << 30))
        return std::nullopt;
    const auto length = int32_t(bytes.size());
    // Most charsets give at most one UTF-16 unit per byte; the others are measured and redone.
    QString text(length + 16, Qt::Uninitialized);
    int32_t written = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                                    bytes.data(), length, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        ucnv_resetToUnicode(converter.get());
        text.resize(written + 1);
        written = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                                bytes.data(), length, &status);
    }
    if (U_FAILURE(status))
        return std::nullopt;
    text.resize(written);
    return text;
}

constexpr unsigned char skip = 0xff;
constexpr unsigned char pad = 0xfe;

constexpr std::array<unsigned char, 256> base64Table()
{
    std::array<unsigned char, 256> table{};
    table.fill(skip);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (unsigned char i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = i;
    table['='] = pad;
    return table;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const icu::RegexPattern* compiled(const char* pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::RegexPattern* result = icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), 0, status);
    return U_SUCCESS(status) ? result : nullptr;
}

// Built once and shared: ICU patterns are immutable, each call makes its own matcher.
const icu::RegexPattern* adjacentWordsPattern()
{
    static const std::unique_ptr<const icu::RegexPattern> pattern(compiled("\\?=\\s+=\\?"));
    return pattern.get();
}

const icu::RegexPattern* wordPattern()
{
    static const std::unique_ptr<const icu::RegexPattern> pattern(compiled("=\\?([^?]+)\\?([BbQq])\\?([^?]*)\\?="));
    return pattern.get();
}

QString decodeWord(const icu::RegexMatcher& match, const icu::UnicodeString& text)
{
    UErrorCode status = U_ZERO_ERROR;
    const auto group = [&](int n) { return fromIcu(text, match.start(n, status), match.end(n, status)); };
    const QString charset = group(1);
    const QByteArray encoded = group(3).toUtf8();
    const QByteArray bytes = group(2).toUpper() == u"B" ? base64Decode(encoded) : qpDecode(encoded, true);
    return decodeText(bytes, charset);
}

}  // namespace

std::optional<QString> TextEncoding::decode(QByteArrayView bytes) const
{
    if (std::strcmp(m_converter, "UTF-8") == 0)
        return strictUtf8(bytes);
    return icuDecode(m_converter, bytes);
}

QByteArray qpDecode(QByteArrayView bytes, bool underscoreIsSpace)
{
    QByteArray out;
    out.reserve(bytes.size());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c == '=') {
            if (i + 1 < size && bytes[i + 1] == '\n') {
                i += 1;
                continue;
            }
            if (i + 2 < size && bytes[i + 1] == '\r' && bytes[i + 2] == '\n') {
                i += 2;
                continue;
            }
            if (i + 2 < size) {
                const int high = hexValue(bytes[i + 1]);
                const int low = hexValue(bytes[i + 2]);
                if (high >= 0 && low >= 0) {
                    out.append(char(high * 16 + low));
                    i += 2;
                    continue;
                }
            }
            out.append('=');
        } else if (c == '_' && underscoreIsSpace) {
            out.append(' ');
        } else {
            out.append(c);
        }
    }
    return out;
}

QByteArray base64Decode(QByteArrayView bytes)
{
    static constexpr std::array<unsigned char, 256> table = base64Table();
    QByteArray out(bytes.size() / 4 * 3 + 3, Qt::Uninitialized);
    char* write = out.data();
    quint32 group = 0;
    int count = 0;
    bool padded = false;
    for (const char c : bytes) {
        const unsigned char value = table[static_cast<unsigned char>(c)];
        if (value == skip)
            continue;
        if (value == pad) {
            padded = true;
            continue;
        }
        if (padded)  // data after the padding
            return {};
        group = group << 6 | value;
        if (++count == 4) {
            *write++ = char(group >> 16);
            *write++ = char(group >> 8);
            *write++ = char(group);
            group = 0;
            count = 0;
        }
    }
    if (count == 1)
        return {};
    if (count == 2) {
        *write++ = char(group >> 4);
    } else if (count == 3) {
        *write++ = char(group >> 10);
        *write++ = char(group >> 2);
    }
    out.truncate(write - out.data());
    return out;
}

std::optional<TextEncoding> encoding(const QString& charset)
{
    const QByteArray name = charset.section(u'*', 0, 0).trimmed().toLatin1();
    if (name.isEmpty() || name.contains('\0'))
        return std::nullopt;
    for (const char* standard : {"IANA", "MIME"}) {
        UErrorCode status = U_ZERO_ERROR;
        const char* converter = ucnv_getCanonicalName(name.constData(), standard, &status);
        if (U_SUCCESS(status) && converter && *converter)
            return TextEncoding(converter);
    }
    return std::nullopt;
}

QString decodeText(QByteArrayView bytes, const QString& charset)
{
    if (!charset.isEmpty()) {
        if (const std::optional<TextEncoding> known = encoding(charset)) {
            if (std::optional<QString> text = known->decode(bytes))
                return *text;
        }
    }
    if (std::optional<QString> text = strictUtf8(bytes))
        return *text;
    if (std::optional<QString> text = icuDecode("windows-1252", bytes))
        return *text;
    return QString::fromUtf8(bytes);
}

QString decodeWords(const QString& text)
{
    const icu::RegexPattern* adjacent = adjacentWordsPattern();
    const icu::RegexPattern* word = wordPattern();
    if (!text.contains(u"=?") || !adjacent || !word)
        return text;

    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString input = toIcu(text);  // matchers keep a reference to their input
    const std::unique_ptr<icu::RegexMatcher> joiner(adjacent->matcher(input, status));
    const icu::UnicodeString joined = joiner->replaceAll(icu::UnicodeString(u"?==?"), status);
    const std::unique_ptr<icu::RegexMatcher> match(word->matcher(joined, status));
    if (U_FAILURE(status))
        return text;

    QString out;
    int32_t copied = 0;
    while (match->find()) {
        out += fromIcu(joined, copied, match->start(status));
        out += decodeWord(*match, joined);
        copied = match->end(status);
    }
    out += fromIcu(joined, copied);
    return out;
}

}  // namespace MIME
