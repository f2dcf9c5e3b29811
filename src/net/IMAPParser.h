#pragma once

#include "net/IMAPValue.h"

#include <QByteArrayView>

#include <optional>

// A forgiving reader of IMAP response bytes with literals already spliced in: it never rejects
// input, skips what it cannot read and keeps string bytes raw. Pure; the bytes must outlive it.
class IMAPParser {
public:
    // Lists nested deeper than this are read flat; the tree stays shallow enough to walk safely.
    static constexpr int maxDepth = 64;

    explicit IMAPParser(QByteArrayView bytes, qsizetype position = 0) : m_bytes(bytes), m_pos(position) {}

    // The next value, or none at the end of the bytes or at a closing parenthesis (not consumed).
    std::optional<IMAPValue> parseValue();
    qsizetype position() const { return m_pos; }

    // All values of an untagged response; `afterStar` holds the bytes after the leading "*".
    static IMAPResponse parseUntagged(QByteArrayView afterStar);

    // The length a response line (without CR LF) announces with a final {n} or {n+}, if any.
    static std::optional<qint64> literalLength(QByteArrayView line);

private:
    std::optional<IMAPValue> parseValue(int depth);
    void skipBlanks();
    IMAPValue quoted();
    IMAPValue list(int depth);
    IMAPValue literal();
    IMAPValue atom();

    QByteArrayView m_bytes;
    qsizetype m_pos;
};
