#pragma once

#include "ui/look/LUField.h"

// The password field: as LUField, text hidden, placeholder never faint and not spread.
class LUSecureField : public LUField {
    Q_OBJECT
public:
    explicit LUSecureField(const QString& placeholder = {}, QWidget* parent = nullptr);
};
