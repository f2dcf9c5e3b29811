#pragma once

#include <QString>

// One notes topic.
struct Note {
    QString id;  // canonical upper-case UUID, made when the topic is created; never changes
    QString name;
    QString text;

    bool operator==(const Note&) const = default;
};
