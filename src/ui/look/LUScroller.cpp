#include "ui/look/LUScroller.h"

#include "ui/look/Theme.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QTimer>

namespace {

// No arrow buttons: the knob may travel the whole height, so drawing and dragging agree.
class ScrollerStyle : public QProxyStyle {
public:
    ScrollerStyle()
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
    {
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part, const QWidget* widget) const override
    {
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !slider)
            return QProxyStyle::subControlRect(control, option, part, widget);
        const QRect whole = option->rect;
        const int span = slider->maximum - slider->minimum;
        const int length = span <= 0 ? whole.height()
                                     : std::clamp(int(qint64(whole.height()) * slider->pageStep / (span + slider->pageStep)), 24,
                                         whole.height());
        const int top = sliderPositionFromValue(slider->minimum, slider->maximum, slider->sliderPosition,
            whole.height() - length, slider->upsideDown);
        switch (part) {
        case SC_ScrollBarSlider:
            return QRect(whole.left(), whole.top() + top, whole.width(), length);
        case SC_ScrollBarGroove:
            return whole;
        case SC_ScrollBarSubPage:
            return QRect(whole.left(), whole.top(), whole.width(), top);
        case SC_ScrollBarAddPage:
            return QRect(whole.left(), whole.top() + top + length, whole.width(), whole.height() - top - length);
        default:
            return {};
        }
    }
};

}  // namespace

LUScroller::LUScroller(QAbstractScrollArea* area)
    : QScrollBar(Qt::Vertical, area)
    , m_area(area)
    , m_idle(new QTimer(this))
{
    auto* style = new ScrollerStyle;
    style->setParent(this);
    setStyle(style);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setCursor(Qt::ArrowCursor);
    m_idle->setSingleShot(true);
    m_idle->setInterval(900);
    connect(m_idle, &QTimer::timeout, this, [this] {
        if (!underMouse() && !isSliderDown())
            hide();
    });
}

LUScroller* LUScroller::overlay(QAbstractScrollArea* area)
{
    auto* scroller = new LUScroller(area);
    QScrollBar* own = area->verticalScrollBar();
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const auto follow = [scroller, own] {
        scroller->setRange(own->minimum(), own->maximum());
        scroller->setPageStep(own->pageStep());
        scroller->setSingleStep(own->singleStep());
    };
    follow();
    connect(own, &QScrollBar::rangeChanged, scroller, follow);
    connect(own, &QScrollBar::valueChanged, scroller, [scroller](int value) {
        scroller->setValue(value);
        scroller->wake();
    });
    connect(scroller, &QScrollBar::valueChanged, own, &QScrollBar::setValue);
    area->installEventFilter(scroller);
    scroller->place();
    scroller->hide();
    return scroller;
}

QRectF LUScroller::knobBar(const QRectF& knobArea)
{
    const QRectF inset = knobArea.adjusted(0, 2, 0, -2);
    if (inset.height() <= 0)
        return {};
    return QRectF(inset.right() - 7, inset.top(), 4, inset.height());
}

bool LUScroller::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_area && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        place();
    return QScrollBar::eventFilter(watched, event);
}

void LUScroller::place()
{
    const QRect viewport = m_area->viewport()->geometry();
    setGeometry(viewport.right() + 1 - breadth, viewport.top(), breadth, viewport.height());
    raise();
}

void LUScroller::wake()
{
    if (maximum() <= minimum())
        return;
    show();
    raise();
    m_idle->start();
}

void LUScroller::enterEvent(QEnterEvent* event)
{
    m_idle->stop();
    QScrollBar::enterEvent(event);
}

void LUScroller::leaveEvent(QEvent* event)
{
    m_idle->start();
    QScrollBar::leaveEvent(event);
}

void LUScroller::paintEvent(QPaintEvent*)
{
    if (maximum() <= minimum())
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRectF knobArea = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    const QRectF bar = knobBar(knobArea);
    if (bar.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(bar, Theme::ink());
}
