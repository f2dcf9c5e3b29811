#pragma once

#include "core/MailItem.h"

#include <QString>

#include <vector>

// The searched fields of every mail (subject, sender name and address, recipient name and
// address), folded once when the items change and laid end to end, so that a keystroke is one
// pass over one buffer instead of folding every field again.
class MailSearchIndex {
public:
    // Ignoring letter case and diacritics: decomposed (NFKD), non-spacing marks dropped, case-folded.
    static QString fold(const QString& text);

    void build(const std::vector<MailItem>& mails);
    // Per mail in store order: whether `foldedQuery` (not empty) occurs within one of its fields.
    std::vector<bool> matches(const QString& foldedQuery) const;

private:
    static constexpr size_t fieldsPerMail = 5;
    QString m_text;
    std::vector<qsizetype> m_fieldEnds;  // fieldsPerMail per mail, offsets into m_text
};
