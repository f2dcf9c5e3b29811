#pragma once

#include <QIODevice>
#include <QSettings>

// A QSettings file format in JSON that keeps every value's type across a restart: a stored
// boolean stays a boolean (never the string "true"), integers stay integers, doubles stay
// doubles, and bytes are told apart from strings.
namespace JsonSettingsFormat {

// Registered with QSettings on first use.
QSettings::Format format();

bool read(QIODevice& device, QSettings::SettingsMap& map);
bool write(QIODevice& device, const QSettings::SettingsMap& map);

}
