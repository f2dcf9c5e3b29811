#include "core/MailSearchIndex.h"

#include "content/Ascii.h"

#include <QHash>

#include <algorithm>
#include <bit>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Folds a field piece by piece, most of it without the normalizer. Canonical reordering only
// swaps neighbouring non-starters, so it never crosses an ASCII character nor a character whose
// decomposition begins with a starter: the text can be cut before such a character and after
// an ASCII one, and each piece folds on its own. A piece of one character folds the same
// wherever it stands, so that is looked up once per build.
class Folder {
public:
    explicit Folder(QString& out) : m_out(out) {}

    void append(QStringView text)
    {
        reserve(text.size());
        const char16_t* in = text.utf16();
        const qsizetype size = text.size();
        qsizetype i = 0;
        while (i < size) {
            char16_t* out = reinterpret_cast<char16_t*>(m_out.data()) + m_used;
            qsizetype ascii = 0;
            for (; i + ascii < size && in[i + ascii] < 0x80; ++ascii) {
                const char16_t c = in[i + ascii];
                out[ascii] = MIME::lowerAscii(c);
            }
            m_used += ascii;
            i += ascii;
            if (i == size)
                break;
            qsizetype end = i + 1;
            while (end < size && in[end] >= 0x80 && !single(in[end]).startsPiece)
                ++end;
            if (end == i + 1)
                write(single(in[i]).folded, size - end);
            else
                write(MailSearchIndex::fold(text.mid(i, end - i).toString()), size - end);
            i = end;
        }
    }

    qsizetype used() const { return m_used; }

private:
    // Room for `more` characters; ASCII keeps its length, a folded piece may grow.
    void reserve(qsizetype more)
    {
        if (m_used + more > m_out.size())
            m_out.resize(std::max(m_used + more, m_out.size() * 2));
    }

    void write(const QString& folded, qsizetype rest)
    {
        reserve(folded.size() + rest);
        std::copy_n(folded.utf16(), folded.size(), reinterpret_cast<char16_t*>(m_out.data()) + m_used);
        m_used += folded.size();
    }

private:
    struct Single {
        bool startsPiece;
        QString folded;
    };

    const Single& single(char16_t c)
    {
        auto found = m_singles.constFind(c);
        if (found == m_singles.cend()) {
            const QString alone(QChar{c});
            const QString decomposed = alone.normalized(QString::NormalizationForm_KD);
            // Surrogates stay with their neighbours: a pair must not be cut.
            const bool starts = !QChar::isSurrogate(c)
                                && (decomposed.isEmpty()
                                    || (!decomposed[0].isSurrogate() && decomposed[0].combiningClass() == 0));
            found = m_singles.insert(c, Single{starts, MailSearchIndex::fold(alone)});
        }
        return *found;
    }

    QString& m_out;
    qsizetype m_used = 0;
    QHash<char16_t, Single> m_singles;
};

}  // namespace

QString MailSearchIndex::fold(const QString& text)
{
    QString result;
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c);
    }
    return result.toCaseFolded();
}

void MailSearchIndex::build(const std::vector<MailItem>& mails)
{
    m_fieldEnds.clear();
    m_fieldEnds.reserve(mails.size() * fieldsPerMail);
    qsizetype length = 0;
    for (const MailItem& mail : mails) {
        length += mail.subject.size() + mail.fromName.size() + mail.fromEmail.size()
                  + mail.toName.value_or(QString()).size() + mail.toEmail.value_or(QString()).size();
    }
    m_text.resize(length);  // keeps the last build's memory, already faulted in
    Folder folder(m_text);
    for (size_t i = 0; i < mails.size(); ++i) {
        // The fields lie scattered over the heap: ask for those a few mails ahead in time.
        if (i + 8 < mails.size()) {
            const MailItem& ahead = mails[i + 8];
            for (const QString* field : {&ahead.subject, &ahead.fromName, &ahead.fromEmail})
                __builtin_prefetch(field->constData());
            for (const std::optional<QString>* field : {&ahead.toName, &ahead.toEmail}) {
                if (*field)
                    __builtin_prefetch((*field)->constData());
            }
        }
        const MailItem& mail = mails[i];
        for (const QString* field : {&mail.subject, &mail.fromName, &mail.fromEmail}) {
            folder.append(*field);
            m_fieldEnds.push_back(folder.used());
        }
        for (const std::optional<QString>* field : {&mail.toName, &mail.toEmail}) {
            if (*field)
                folder.append(**field);
            m_fieldEnds.push_back(folder.used());
        }
    }
    m_text.truncate(folder.used());
}

namespace {

// The first place at or after `from` where `needle` (two characters or more) occurs. Eight
// places at a time are tested for the needle's first and last character; only where both
// fit is the middle compared.
qsizetype find(QStringView haystack, QStringView needle, qsizetype from)
{
    const char16_t* text = haystack.utf16();
    const char16_t* word = needle.utf16();
    const qsizetype size = haystack.size(), length = needle.size();
    const auto middleFits = [&](qsizetype at) {
        return std::equal(word + 1, word + length - 1, text + at + 1);
    };
    qsizetype at = from;
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi16(short(word[0])), last = _mm_set1_epi16(short(word[length - 1]));
    for (; at + length - 1 + 8 <= size; at += 8) {
        const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + length - 1));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi16(starts, first), _mm_cmpeq_epi16(ends, last));
        // One bit per place (the byte mask has two).
        for (unsigned places = unsigned(_mm_movemask_epi8(both)) & 0x5555u; places; places &= places - 1) {
            const qsizetype candidate = at + std::countr_zero(places) / 2;
            if (middleFits(candidate))
                return candidate;
        }
    }
#endif
    for (; at + length <= size; ++at) {
        if (text[at] == word[0] && text[at + length - 1] == word[length - 1] && middleFits(at))
            return at;
    }
    return -1;
}

}  // namespace

std::vector<bool> MailSearchIndex::matches(const QString& foldedQuery) const
{
    std::vector<bool> found(m_fieldEnds.size() / fieldsPerMail);
    const QStringView text(m_text);
    const qsizetype length = foldedQuery.size();
    const auto next = [&](qsizetype from) {
        return length == 1 ? text.indexOf(foldedQuery[0], from) : find(text, foldedQuery, from);
    };
    size_t field = 0;  // the first field that may hold the next match
    qsizetype from = 0;
    qsizetype at;
    while ((at = next(from)) >= 0) {
        // Matches come in order: step ahead, or leap when the match lies far on.
        for (int step = 0; step < 16 && m_fieldEnds[field] <= at; ++step)
            ++field;
        if (m_fieldEnds[field] <= at)
            field = size_t(std::upper_bound(m_fieldEnds.begin() + qsizetype(field), m_fieldEnds.end(), at) - m_fieldEnds.begin());
        // Where the fields meet, a match could join the end of one to the start of the next.
        if (at + length <= m_fieldEnds[field]) {
            const size_t mail = field / fieldsPerMail;
            found[mail] = true;
            field = (mail + 1) * fieldsPerMail;
            from = m_fieldEnds[field - 1];
        } else {
            from = at + 1;
        }
    }
    return found;
}
