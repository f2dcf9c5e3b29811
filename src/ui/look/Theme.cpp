#include "ui/look/Theme.h"

#include "core/Prefs.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <cmath>

const std::array<QColor, 6> Theme::pastels{
    QColor(0xA3CFCA), QColor(0xDAB1BD), QColor(0xDBCCA3), QColor(0xBDD4CB), QColor(0xC3B8D9), QColor(0xDCB8A1)};
const std::array<QColor, 6> Theme::pastelsLight{
    QColor(0x8FE0D6), QColor(0xF4A9BF), QColor(0xF6D98F), QColor(0xBFE9D8), QColor(0xC9B6F2), QColor(0xF7B58C)};

QColor Theme::ink()
{
    return Prefs::shared().dark() ? cBBB : c222;
}

QColor Theme::ground()
{
    return Prefs::shared().dark() ? c222 : cBBB;
}

QColor Theme::pastel(int index)
{
    const int reduced = ((index % 6) + 6) % 6;
    return Prefs::shared().dark() ? pastels[size_t(reduced)] : pastelsLight[size_t(reduced)];
}

Theme::Selection Theme::selection()
{
    return {ink(), ground()};
}

QPalette Theme::palette()
{
    const QColor inkColour = ink();
    const QColor groundColour = ground();
    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button,
                 QPalette::ToolTipBase})
            palette.setColor(group, role, groundColour);
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                 QPalette::PlaceholderText, QPalette::Highlight, QPalette::ToolTipText, QPalette::BrightText,
                 QPalette::Link, QPalette::LinkVisited})
            palette.setColor(group, role, inkColour);
        palette.setColor(group, QPalette::HighlightedText, groundColour);
    }
    return palette;
}

void Theme::applyToApplication()
{
    if (!qApp->style() || qApp->style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(palette());
}

void Theme::redrawAll(QWidget* view)
{
    if (!view)
        return;
    view->update();
    for (QObject* child : view->children())
        if (auto* widget = qobject_cast<QWidget*>(child))
            redrawAll(widget);
}

qreal Theme::deviceScale(const QPainter& painter)
{
    const QTransform transform = painter.deviceTransform();
    return std::max<qreal>(1, std::hypot(transform.m11(), transform.m12()));
}

void Theme::drawCropMarks(QPainter& painter, const QRectF& rect, bool vertical, qreal length)
{
    const QColor colour = ink();
    if (vertical) {
        const qreal x = std::round(rect.center().x() - 0.5);
        const qreal bar = std::min(rect.height() / 2, length);
        painter.fillRect(QRectF(x, rect.top(), 1, bar), colour);
        painter.fillRect(QRectF(x, rect.bottom() - bar, 1, bar), colour);
    } else {
        const qreal y = std::round(rect.center().y() - 0.5);
        const qreal bar = std::min(rect.width() / 2, length);
        painter.fillRect(QRectF(rect.left(), y, bar, 1), colour);
        painter.fillRect(QRectF(rect.right() - bar, y, bar, 1), colour);
    }
}

QFont Theme::font(qreal pixelSize, QFont::Weight weight, qreal letterSpacing)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setWeight(weight);
    font.setKerning(false);
    if (letterSpacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}
