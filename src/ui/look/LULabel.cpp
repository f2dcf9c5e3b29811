#include "ui/look/LULabel.h"

#include "core/NotificationCenter.h"
#include "ui/look/L10n.h"
#include "ui/look/Theme.h"

#include <QResizeEvent>
#include <QTextLayout>

#include <cmath>

LULabel::LULabel(const QString& text, qreal size, bool dimmed, qreal spacing, int maxLines, QWidget* parent)
    : QLabel(parent)
    , m_raw(text)
    , m_size(size)
    , m_dimmed(dimmed)
    , m_spacing(spacing)
    , m_maxLines(std::max(1, maxLines))
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setWordWrap(m_maxLines > 1);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Preferred, m_maxLines > 1 ? QSizePolicy::Minimum : QSizePolicy::Fixed);
    auto& center = NotificationCenter::shared();
    center.observe(Theme::changed, this, [this](QObject*) { themeChanged(); });
    center.observe(Notification::gameLanguage, this, [this](QObject*) { themeChanged(); });
    refresh();
}

void LULabel::set(const QString& text)
{
    m_raw = text;
    refresh();
}

void LULabel::set(const QString& text, bool dim)
{
    m_dimmed = dim;
    set(text);
}

void LULabel::setFontSize(qreal size)
{
    m_size = size;
    refresh();
}

void LULabel::setSpacing(qreal spacing)
{
    m_spacing = spacing;
    refresh();
}

void LULabel::setFaint(bool faint)
{
    m_faint = faint;
    refresh();
}

void LULabel::setSelectable(bool selectable)
{
    setTextInteractionFlags(selectable ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard : Qt::NoTextInteraction);
}

qreal LULabel::effectiveSpacing() const
{
    return m_faint && m_spacing <= 3 ? 3 : m_spacing;
}

void LULabel::themeChanged()
{
    refresh();
}

void LULabel::refresh()
{
    setFont(Theme::font(m_size, m_faint ? QFont::ExtraLight : QFont::Normal, effectiveSpacing()));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Theme::ink());
    colours.setColor(QPalette::Text, Theme::ink());
    colours.setColor(QPalette::Highlight, Theme::selection().background);
    colours.setColor(QPalette::HighlightedText, Theme::selection().foreground);
    setPalette(colours);
    setText(fitted(loc(m_raw), width()));
    updateGeometry();
}

// The shown text: at most maxLines lines of the available width, the last one elided.
QString LULabel::fitted(const QString& text, int width) const
{
    const QFontMetricsF metrics(font());
    if (width <= 0)
        return text;
    if (m_maxLines == 1)
        return metrics.elidedText(text, Qt::ElideRight, width);
    // Explicit line breaks end a line in the layout too.
    QString prepared = text;
    prepared.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(prepared, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == m_maxLines - 1) {
            lines << metrics.elidedText(prepared.sliced(line.textStart()).simplified(), Qt::ElideRight, width);
            break;
        }
        lines << prepared.sliced(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines.join(u'\n');
}

void LULabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        setText(fitted(loc(m_raw), event->size().width()));
}

QSize LULabel::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const QString full = loc(m_raw);
    if (m_maxLines == 1)
        return QSize(int(std::ceil(metrics.horizontalAdvance(full))) + 1, int(std::ceil(metrics.height())));
    return QLabel::sizeHint();
}

QSize LULabel::minimumSizeHint() const
{
    // Horizontal compression is allowed: the text elides.
    return QSize(0, m_maxLines == 1 ? sizeHint().height() : QLabel::minimumSizeHint().height());
}

int LULabel::heightForWidth(int width) const
{
    const QString shownText = fitted(loc(m_raw), width);
    const QFontMetricsF metrics(font());
    return int(std::ceil(metrics.lineSpacing() * (shownText.count(u'\n') + 1)));
}
