#include "content/MIMEText.h"
#include "content/HexDigit.h"

#include <QHash>
#include <QStringDecoder>

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

// ICU's \s: the characters with the White_Space property.
bool isWhiteSpace(char16_t c)
{
    return (c >= 0x09 && c <= 0x0d) || c == 0x20 || c == 0x85 || c == 0xa0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200a)
           || c == 0x2028 || c == 0x2029 || c == 0x202f || c == 0x205f || c == 0x3000;
}

// Where the two characters `pair` next occur in `text` from `from`, or -1: a search for one
// character and a look at the next, cheaper than a general search for such a short needle.
qsizetype indexOfPair(QStringView text, QStringView pair, qsizetype from = 0)
{
    for (qsizetype at = text.indexOf(pair[0], from); at >= 0 && at + 1 < text.size(); at = text.indexOf(pair[0], at + 1)) {
        if (text[at + 1] == pair[1])
            return at;
    }
    return -1;
}

// Every match of "\?=\s+=\?", left to right, becomes "?==?": the white space between two
// encoded words goes (RFC 2047 §6.2).
QString joinAdjacentWords(const QString& text)
{
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = indexOfPair(text, u"?="); at >= 0;) {
        qsizetype end = at + 2;
        while (end < text.size() && isWhiteSpace(text[end].unicode()))
            ++end;
        if (end == at + 2 || !QStringView(text).sliced(end).startsWith(u"=?")) {
            at = indexOfPair(text, u"?=", at + 1);
            continue;
        }
        out += QStringView(text).sliced(copied, at - copied);
        out += u"?==?";
        copied = end + 2;
        at = indexOfPair(text, u"?=", copied);
    }
    if (copied == 0)
        return text;
    out += QStringView(text).sliced(copied);
    return out;
}

// The match of "=\?([^?]+)\?([BbQq])\?([^?]*)\?=" that begins at `at`, if any. Each run of
// [^?] can only end before a '?', so there is nothing to backtrack: one scan decides.
struct EncodedWord {
    QStringView charset;
    char16_t encoding;
    QStringView text;
    qsizetype end;
};

std::optional<EncodedWord> encodedWordAt(QStringView text, qsizetype at)
{
    const qsizetype charsetFrom = at + 2;
    const qsizetype charsetEnd = text.indexOf(u'?', charsetFrom);
    if (charsetEnd <= charsetFrom || charsetEnd + 2 >= text.size())
        return std::nullopt;
    const char16_t encoding = text[charsetEnd + 1].unicode();
    if ((encoding != 'B' && encoding != 'b' && encoding != 'Q' && encoding != 'q') || text[charsetEnd + 2] != u'?')
        return std::nullopt;
    const qsizetype textFrom = charsetEnd + 3;
    const qsizetype textEnd = text.indexOf(u'?', textFrom);
    if (textEnd < 0 || textEnd + 1 >= text.size() || text[textEnd + 1] != u'=')
        return std::nullopt;
    return EncodedWord{text.sliced(charsetFrom, charsetEnd - charsetFrom), encoding,
                       text.sliced(textFrom, textEnd - textFrom), textEnd + 2};
}

QString decodeWord(const EncodedWord& word)
{
    const QByteArray encoded = word.text.toUtf8();
    const bool base64 = word.encoding == 'B' || word.encoding == 'b';
    return decodeText(base64 ? base64Decode(encoded) : qpDecode(encoded, true), word.charset.toString());
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
    QByteArray out(bytes.size(), Qt::Uninitialized);  // never longer than the input
    char* write = out.data();
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
                const int high = hexDigitValue(char16_t(uchar(bytes[i + 1])));
                const int low = hexDigitValue(char16_t(uchar(bytes[i + 2])));
                if (high >= 0 && low >= 0) {
                    *write++ = char(high * 16 + low);
                    i += 2;
                    continue;
                }
            }
            *write++ = '=';
        } else if (c == '_' && underscoreIsSpace) {
            *write++ = ' ';
        } else {
            *write++ = c;
        }
    }
    out.truncate(write - out.data());
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

namespace {

std::optional<TextEncoding> lookUpEncoding(const QString& charset)
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

}  // namespace

// ICU's alias tables are searched by string: the names met last are remembered, per thread,
// since every encoded word of every fetched mail asks again.
std::optional<TextEncoding> encoding(const QString& charset)
{
    thread_local QHash<QString, std::optional<TextEncoding>> known;
    if (const auto found = known.constFind(charset); found != known.cend())
        return *found;
    if (known.size() >= 64)  // a hostile mail may name any number of charsets
        known.clear();
    return *known.insert(charset, lookUpEncoding(charset));
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
    if (indexOfPair(text, u"=?") < 0)
        return text;
    const QString joined = joinAdjacentWords(text);
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = indexOfPair(joined, u"=?"); at >= 0;) {
        const std::optional<EncodedWord> word = encodedWordAt(joined, at);
        if (!word) {
            at = indexOfPair(joined, u"=?", at + 1);
            continue;
        }
        out += QStringView(joined).sliced(copied, at - copied);
        out += decodeWord(*word);
        copied = word->end;
        at = indexOfPair(joined, u"=?", copied);
    }
    out += QStringView(joined).sliced(copied);
    return out;
}

}  // namespace MIME
