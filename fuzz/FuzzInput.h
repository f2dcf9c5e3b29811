#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

inline QByteArrayView fuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QString fuzzText(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(fuzzBytes(data, size));
}
