#include "ui/look/LUField.h"

#include "core/NotificationCenter.h"
#include "ui/look/L10n.h"
#include "ui/look/Theme.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

LUField::LUField(const QString& placeholder, QWidget* parent)
    : LUField(placeholder, false, parent)
{
}

LUField::LUField(const QString& placeholder, bool secure, QWidget* parent)
    : QLineEdit(parent)
    , m_placeholder(placeholder)
    , m_secure(secure)
{
    setFrame(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    auto& center = NotificationCenter::shared();
    center.observe(Theme::changed, this, [this](QObject*) { applyLook(); });
    center.observe(Notification::gameLanguage, this, [this](QObject*) { applyLook(); });
    applyLook();
}

void LUField::setPlaceholder(const QString& placeholder)
{
    m_placeholder = placeholder;
    applyLook();
}

void LUField::setFaint(bool faint)
{
    m_faint = faint && !m_secure;
    update();
}

QFont LUField::placeholderFont() const
{
    if (m_faint)
        return Theme::font(10, QFont::ExtraLight, 3);
    return Theme::font(13, QFont::Normal, m_secure ? 0 : 1.5);
}

void LUField::applyLook()
{
    setFont(Theme::font(13));
    QPalette colours = palette();
    const Theme::Selection selection = Theme::selection();
    colours.setColor(QPalette::Text, Theme::ink());
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Highlight, selection.background);
    colours.setColor(QPalette::HighlightedText, selection.foreground);
    setPalette(colours);
    setAccessibleDescription(loc(m_placeholder));
    update();
}

void LUField::focusInEvent(QFocusEvent* event)
{
    // The look may have changed while another widget had the focus.
    applyLook();
    QLineEdit::focusInEvent(event);
}

void LUField::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    if (!text().isEmpty() || m_placeholder.isEmpty())
        return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    // Where QLineEdit starts its own text: the contents rect less its fixed margin of 2.
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins())
                               .adjusted(2, 0, -2, 0);
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = placeholderFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(Theme::ink());
    const qreal baseline = contents.top() + (contents.height() - metrics.height()) / 2 + metrics.ascent() - (m_faint ? 1 : 0);
    const QString shown = metrics.elidedText(loc(m_placeholder), Qt::ElideRight, contents.width());
    painter.drawText(QPointF(contents.left(), baseline), shown);
}
