#include "ui/settings/ColorAccountToggle.h"

#include "core/Prefs.h"
#include "ui/look/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>

#include <cmath>

namespace {
constexpr qreal square = 13;
constexpr qreal textLeft = 25;
constexpr qreal textRightGap = 13;
constexpr qreal hiddenOpacity = 0.45;

QFont addressFont()
{
    return Theme::font(13);
}
}  // namespace

ColorAccountToggle::ColorAccountToggle(const Account& account, std::function<void()> action, QWidget* parent)
    : QWidget(parent)
    , action(std::move(action))
    , m_account(account)
{
    Pressable::installAccessibility();
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setToolTip(Qt::convertFromPlainText(account.email, Qt::WhiteSpaceNoWrap));
}

bool ColorAccountToggle::accountShown() const
{
    return !Prefs::shared().hiddenAccounts().contains(m_account.id);
}

QSize ColorAccountToggle::sizeHint() const
{
    const qreal text = QFontMetricsF(addressFont()).horizontalAdvance(m_account.email.toLower());
    return {int(std::ceil(text)) + int(textLeft), 20};
}

QColor ColorAccountToggle::colour() const
{
    return Prefs::shared().dark() ? Theme::pastel(Prefs::shared().colorIndex(m_account.id)) : Theme::c222;
}

void ColorAccountToggle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ink = colour();
    const bool shown = accountShown();
    const QRectF box(0, (height() - square) / 2, square, square);
    if (shown) {
        painter.fillRect(box, ink);
    } else {
        painter.setPen(QPen(ink, 1));
        painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
        ink.setAlphaF(hiddenOpacity);
    }
    const QFont font = addressFont();
    const QFontMetricsF metrics(font);
    const QRectF textArea(textLeft, 0, std::max<qreal>(0, width() - textRightGap - textLeft), height());
    const QString address = metrics.elidedText(m_account.email.toLower(), Qt::ElideMiddle, textArea.width());
    painter.setFont(font);
    painter.setPen(ink);
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, address);
}

void ColorAccountToggle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        press();
    event->accept();
}

void ColorAccountToggle::press()
{
    if (action)
        action();
}
