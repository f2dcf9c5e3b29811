#include "ui/look/LUSecureField.h"

LUSecureField::LUSecureField(const QString& placeholder, QWidget* parent)
    : LUField(placeholder, true, parent)
{
    setEchoMode(QLineEdit::Password);
}
