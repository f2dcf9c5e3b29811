#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace MIME {

// A text encoding known by its IANA charset name, decoding through ICU converters.
class TextEncoding {
public:
    explicit TextEncoding(const char* converterName) : m_converter(converterName) {}
    const char* name() const { return m_converter; }
    // None when the bytes are not valid in this encoding.
    std::optional<QString> decode(QByteArrayView bytes) const;

private:
    const char* m_converter;  // ICU's canonical name, owned by ICU's alias table
};

// RFC 2045 §6.7; `underscoreIsSpace` gives the Q encoding of RFC 2047 §4.2.
QByteArray qpDecode(QByteArrayView bytes, bool underscoreIsSpace = false);

// Base64 ignoring characters outside the alphabet; input that does not decode gives empty bytes.
QByteArray base64Decode(QByteArrayView bytes);

std::optional<TextEncoding> encoding(const QString& charset);

// The charset if it knows the bytes, else UTF-8, else Windows-1252, else UTF-8 read lossily.
QString decodeText(QByteArrayView bytes, const QString& charset = {});

// RFC 2047 encoded words, with the whitespace between adjacent words removed (§6.2).
QString decodeWords(const QString& text);

}  // namespace MIME
