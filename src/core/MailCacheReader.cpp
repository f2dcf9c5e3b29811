#include "core/MailCacheReader.h"

#include "content/HexDigit.h"

#include <simdjson.h>

#include <QHash>

#include <cstring>
#include <variant>

namespace MailCacheReader {
namespace {

namespace json = simdjson::ondemand;

static_assert(padding >= qsizetype(simdjson::SIMDJSON_PADDING));

// Deeper values are left to Qt's reader, which has its own limit.
constexpr int deepest = 200;

// The end of a string's text (its closing quote), and whether it holds escapes. The parser has
// already checked that the quote is there and that the text is UTF-8.
const char* stringEnd(const char* text, bool& escaped)
{
    escaped = false;
    for (const char* c = text;; ++c) {
        if (*c == '"')
            return c;
        if (*c == '\\') {
            escaped = true;
            ++c;
        }
    }
}

// RFC 8259 escapes; a \u escape of half a surrogate pair stays as it is, as Qt keeps it. Any
// other escape is one of Qt's leniencies: none.
std::optional<QString> unescape(const char* text, const char* end)
{
    QString out;
    out.reserve(end - text);
    while (text < end) {
        const char* backslash = static_cast<const char*>(std::memchr(text, '\\', size_t(end - text)));
        const char* plainEnd = backslash ? backslash : end;
        out.append(QString::fromUtf8(text, plainEnd - text));
        if (!backslash)
            break;
        text = backslash + 2;
        switch (backslash[1]) {
        case '"': out.append(u'"'); break;
        case '\\': out.append(u'\\'); break;
        case '/': out.append(u'/'); break;
        case 'b': out.append(u'\b'); break;
        case 'f': out.append(u'\f'); break;
        case 'n': out.append(u'\n'); break;
        case 'r': out.append(u'\r'); break;
        case 't': out.append(u'\t'); break;
        case 'u': {
            if (end - text < 4)
                return std::nullopt;
            int unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = MIME::hexDigitValue(char16_t(uchar(text[i])));
                if (digit < 0)
                    return std::nullopt;
                unit = unit * 16 + digit;
            }
            out.append(QChar(char16_t(unit)));
            text += 4;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

// A string as the file holds it: its bytes when it has no escape, else its unescaped text; none
// for what is no string or an escape only Qt's leniency reads.
std::optional<std::variant<QByteArrayView, QString>> stringValue(json::value value)
{
    json::raw_json_string raw;
    if (value.get_raw_json_string().get(raw))
        return std::nullopt;
    bool escaped;
    const char* end = stringEnd(raw.raw(), escaped);
    if (!escaped)
        return QByteArrayView(raw.raw(), end - raw.raw());
    std::optional<QString> unescaped = unescape(raw.raw(), end);
    if (!unescaped)
        return std::nullopt;
    return std::move(*unescaped);
}

std::optional<QString> text(json::value value)
{
    std::optional<std::variant<QByteArrayView, QString>> string = stringValue(value);
    if (!string)
        return std::nullopt;
    if (const QByteArrayView* bytes = std::get_if<QByteArrayView>(&*string))
        return QString::fromUtf8(*bytes);
    return std::get<QString>(std::move(*string));
}

// Qt refuses a number that is not zero but comes out as zero, simdjson gives 0.
bool readNumber(json::value value, double& out)
{
    if (value.get_double().get(out))
        return false;
    if (out != 0)
        return true;
    for (const char c : value.raw_json_token()) {
        if (c == 'e' || c == 'E')
            break;
        if (c >= '1' && c <= '9')
            return false;
    }
    return true;
}

// A member the items do not use must still be one Qt's reader accepts as it is.
bool acceptable(json::value value, int depth)
{
    json::json_type type;
    if (depth > deepest || value.type().get(type))
        return false;
    switch (type) {
    case json::json_type::array: {
        json::array array;
        if (value.get_array().get(array))
            return false;
        for (auto element : array) {
            json::value inner;
            if (element.get(inner) || !acceptable(inner, depth + 1))
                return false;
        }
        return true;
    }
    case json::json_type::object: {
        json::object object;
        if (value.get_object().get(object))
            return false;
        for (auto field : object) {
            json::raw_json_string key;
            json::value inner;
            bool escaped;
            if (field.key().get(key) || field.value().get(inner))
                return false;
            const char* end = stringEnd(key.raw(), escaped);
            if ((escaped && !unescape(key.raw(), end)) || !acceptable(inner, depth + 1))
                return false;
        }
        return true;
    }
    case json::json_type::number: {
        double number;
        return readNumber(value, number);
    }
    case json::json_type::string:
        return text(value).has_value();
    case json::json_type::boolean: {
        bool flag;
        return !value.get_bool().get(flag);
    }
    case json::json_type::null: {
        bool null = false;
        return !value.is_null().get(null) && null;
    }
    }
    return false;
}

// Mails in a row repeat the same account, recipient and mailbox, often the same sender: equal
// values share one string instead of one each.
class Shared {
public:
    std::optional<QString> text(json::value value)
    {
        std::optional<std::variant<QByteArrayView, QString>> string = stringValue(value);
        if (!string)
            return std::nullopt;
        const QByteArrayView* plain = std::get_if<QByteArrayView>(&*string);
        if (!plain)
            return std::get<QString>(std::move(*string));
        const QByteArrayView bytes = *plain;
        if (bytes != m_lastBytes) {
            m_lastBytes = bytes;
            m_last = QString::fromUtf8(bytes);
        }
        return m_last;
    }

private:
    QByteArrayView m_lastBytes;
    QString m_last;
};

struct Repeated {
    Shared accountID, fromName, fromEmail, replyTo, mailbox, toName, toEmail, ip;
    QStringList lastHints;
};

enum Key { accountID, uid, messageID, fromName, fromEmail, replyTo, subject, date, seen, references, mailbox, toName, toEmail, hints, ip, keyCount, unknown };

Key keyOf(std::string_view name)
{
    static constexpr std::string_view names[keyCount] = {"accountID", "uid",      "messageID", "fromName",  "fromEmail",
                                                          "replyTo",   "subject",  "date",      "seen",      "references",
                                                          "mailbox",   "toName",   "toEmail",   "hints",     "ip"};
    for (int k = 0; k < keyCount; ++k) {
        if (names[k] == name)
            return Key(k);
    }
    return unknown;
}

template <class T> bool assign(std::optional<QString> value, T& field)
{
    if (!value)
        return false;
    field = std::move(*value);
    return true;
}

std::optional<QStringList> readHints(json::value value, QStringList& last)
{
    json::array array;
    if (value.get_array().get(array))
        return std::nullopt;
    QStringList list;
    for (auto element : array) {
        json::value inner;
        if (element.get(inner))
            return std::nullopt;
        std::optional<QString> hint = text(inner);
        if (!hint)
            return std::nullopt;
        list.append(std::move(*hint));
    }
    if (list == last)
        return last;
    last = list;
    return list;
}

// One element, with every member as Qt would see it: a key given twice counts with its last value.
bool readItem(json::object object, Repeated& repeated, MailItem& item)
{
    bool present[keyCount] = {};
    double uidNumber = 0, seconds = 0;
    for (auto field : object) {
        json::raw_json_string rawKey;
        json::value value;
        if (field.key().get(rawKey) || field.value().get(value))
            return false;
        bool escaped;
        const char* keyEnd = stringEnd(rawKey.raw(), escaped);
        if (escaped)  // a key spelt with escapes is left to Qt
            return false;
        const Key key = keyOf(std::string_view(rawKey.raw(), size_t(keyEnd - rawKey.raw())));
        bool ok = true;
        switch (key) {
        case Key::accountID: ok = assign(repeated.accountID.text(value), item.accountID); break;
        case Key::messageID: ok = assign(text(value), item.messageID); break;
        case Key::fromName: ok = assign(repeated.fromName.text(value), item.fromName); break;
        case Key::fromEmail: ok = assign(repeated.fromEmail.text(value), item.fromEmail); break;
        case Key::replyTo: ok = assign(repeated.replyTo.text(value), item.replyTo); break;
        case Key::subject: ok = assign(text(value), item.subject); break;
        case Key::references: ok = assign(text(value), item.references); break;
        case Key::mailbox: ok = assign(repeated.mailbox.text(value), item.mailbox); break;
        case Key::toName: ok = assign(repeated.toName.text(value), item.toName); break;
        case Key::toEmail: ok = assign(repeated.toEmail.text(value), item.toEmail); break;
        case Key::ip: ok = assign(repeated.ip.text(value), item.ip); break;
        case Key::uid: ok = readNumber(value, uidNumber); break;
        case Key::date: ok = readNumber(value, seconds); break;
        case Key::seen: ok = !value.get_bool().get(item.seen); break;
        case Key::hints: {
            std::optional<QStringList> list = readHints(value, repeated.lastHints);
            ok = list.has_value();
            if (ok)
                item.hints = std::move(*list);
            break;
        }
        case Key::keyCount:
        case Key::unknown: ok = acceptable(value, 2); break;
        }
        if (!ok)
            return false;
        if (key < keyCount)
            present[key] = true;
    }
    for (const Key required : {accountID, uid, messageID, fromName, fromEmail, replyTo, subject, date, seen, references}) {
        if (!present[required])
            return false;
    }
    const std::optional<qint64> uidValue = MailItem::uidFromJson(uidNumber);
    const std::optional<QDateTime> dateValue = MailItem::dateFromJson(seconds);
    if (!uidValue || !dateValue)
        return false;
    item.uid = *uidValue;
    item.date = *dateValue;
    return true;
}

}  // namespace

std::optional<std::vector<MailItem>> read(const QByteArray& bytes)
{
    if (bytes.capacity() - bytes.size() < padding) {
        QByteArray padded(bytes.size() + padding, Qt::Uninitialized);
        std::memcpy(padded.data(), bytes.constData(), size_t(bytes.size()));
        padded.resize(bytes.size());
        return read(padded);
    }
    json::parser parser;
    json::document document;
    json::array array;
    if (parser.iterate(simdjson::padded_string_view(bytes.constData(), size_t(bytes.size()), size_t(bytes.capacity())))
            .get(document)
        || document.get_array().get(array))
        return std::nullopt;
    size_t count = 0;
    if (array.count_elements().get(count))
        return std::nullopt;
    std::vector<MailItem> mails;
    mails.reserve(count);  // growing would hold the old and the new list at once
    Repeated repeated;
    for (auto element : array) {
        json::object object;
        if (element.get_object().get(object) || !readItem(object, repeated, mails.emplace_back()))
            return std::nullopt;
    }
    // Anything after the list is for Qt's reader to refuse.
    if (!document.current_location().error())
        return std::nullopt;
    return mails;
}

}  // namespace MailCacheReader
