#pragma once

#include <QLabel>

// Program text: keeps the English text and shows loc of it in the monospaced font and the ink
// colour, as plain text (mail data is never read as markup). Follows the look and the language by
// itself. With one line it elides at the end; with more it wraps at words and elides its last line.
class LULabel : public QLabel {
    Q_OBJECT
public:
    explicit LULabel(const QString& text = {}, qreal size = 13, bool dimmed = false, qreal spacing = 0, int maxLines = 1,
        QWidget* parent = nullptr);

    void set(const QString& text);
    void set(const QString& text, bool dim);
    const QString& raw() const { return m_raw; }
    QString shown() const { return text(); }

    void setFontSize(qreal size);
    void setSpacing(qreal spacing);
    void setFaint(bool faint);
    void setSelectable(bool selectable);
    bool dimmed() const { return m_dimmed; }
    bool faint() const { return m_faint; }
    qreal effectiveSpacing() const;

    // Re-applies font, colour and loc: on the theme and language notifications.
    void themeChanged();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return m_maxLines > 1; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString fitted(const QString& text, int width) const;
    void refresh();

    QString m_raw;
    qreal m_size;
    bool m_dimmed;
    qreal m_spacing;
    bool m_faint = false;
    int m_maxLines;
};
