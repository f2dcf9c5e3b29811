#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>
#include <vector>

// One value of an IMAP response: a tree whose lists own their elements.
struct IMAPValue {
    struct Atom {  // numbers, keywords, flags, item names like BODY[...]
        QString text;
        bool operator==(const Atom&) const = default;
    };
    struct String {  // a quoted string without its escapes, or a literal
        QByteArray bytes;
        bool operator==(const String&) const = default;
    };
    struct List {
        std::vector<IMAPValue> items;
        bool operator==(const List&) const = default;
    };
    struct Null {  // NIL in any letter case
        bool operator==(const Null&) const = default;
    };

    std::variant<Atom, String, List, Null> value;

    static IMAPValue atom(QString text) { return {Atom{std::move(text)}}; }
    static IMAPValue string(QByteArray bytes) { return {String{std::move(bytes)}}; }
    static IMAPValue list(std::vector<IMAPValue> items) { return {List{std::move(items)}}; }
    static IMAPValue null() { return {Null{}}; }

    // An atom's text, a string's bytes as UTF-8 (invalid sequences replaced); none for lists and NIL.
    std::optional<QString> text() const;
    // Whether text() equals the keyword, ignoring letter case.
    bool is(QStringView keyword) const;
    // A list's elements; empty for anything else.
    const std::vector<IMAPValue>& items() const;
    bool isList() const { return std::holds_alternative<List>(value); }
    // A string's bytes, an atom's text as UTF-8; empty for lists and NIL.
    QByteArray bytes() const;

    bool operator==(const IMAPValue&) const = default;
};

// The values of one untagged response, after its leading "*".
using IMAPResponse = std::vector<IMAPValue>;
