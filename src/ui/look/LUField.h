#pragma once

#include <QLineEdit>

// A bare text field: no frame or background, monospaced 13 in the ink colour, and its own
// placeholder (loc of the English text; the faint one small, ultra-light and spread).
// Re-applies its look on the theme and language notifications.
class LUField : public QLineEdit {
    Q_OBJECT
public:
    explicit LUField(const QString& placeholder = {}, QWidget* parent = nullptr);

    const QString& placeholder() const { return m_placeholder; }
    void setPlaceholder(const QString& placeholder);
    bool faint() const { return m_faint; }
    void setFaint(bool faint);

    QFont placeholderFont() const;

protected:
    // The secure field keeps a plain placeholder.
    LUField(const QString& placeholder, bool secure, QWidget* parent);

    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void applyLook();

    QString m_placeholder;
    bool m_faint = false;
    bool m_secure = false;
};
