#include "core/JsonSettingsFormat.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    if (JsonSettingsFormat::read(file, map)) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        JsonSettingsFormat::write(out, map);
    }
    return 0;
}
