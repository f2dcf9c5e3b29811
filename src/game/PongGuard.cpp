#include "game/PongGuard.h"

#include "game/PongField.h"
#include "ui/look/IconButton.h"
#include "ui/look/LogoView.h"
#include "ui/look/PlusButton.h"

#include <QApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QWindow>

PongGuard::PongGuard(PongField* field)
    : QObject(field)
    , m_field(field)
{
}

void PongGuard::install()
{
    if (m_installed)
        return;
    qApp->installEventFilter(this);
    m_installed = true;
    m_pressPassed = true;
}

void PongGuard::remove()
{
    if (!m_installed)
        return;
    qApp->removeEventFilter(this);
    m_installed = false;
}

void PongGuard::allow(QWidget* widget)
{
    if (widget && !m_allowed.contains(widget))
        m_allowed << widget;
}

bool PongGuard::passes(const QMouseEvent& event) const
{
    QWidget* window = m_field->window();
    const QPoint at = event.position().toPoint();
    if (m_field->rect().contains(m_field->mapFrom(window, at)))
        return true;
    if (QWidget* screen = m_field->parentWidget(); screen && screen->rect().contains(screen->mapFrom(window, at)))
        return true;
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->centralWidget()) {
        QWidget* content = main->centralWidget();
        if (!content->rect().contains(content->mapFrom(window, at)))
            return true;
    }
    for (QWidget* target = window->childAt(at); target && target != window; target = target->parentWidget()) {
        if (qobject_cast<LogoView*>(target) || qobject_cast<PlusButton*>(target) || qobject_cast<IconButton*>(target))
            return true;
        for (const QPointer<QWidget>& allowed : m_allowed)
            if (allowed == target)
                return true;
    }
    return false;
}

bool PongGuard::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease
        && type != QEvent::MouseButtonDblClick)
        return false;
    // The window gets every mouse event before Qt hands it to the widget under the pointer.
    QWidget* window = m_field->window();
    if (!window->windowHandle() || watched != window->windowHandle() || m_field->game().observer)
        return false;
    const auto& mouse = static_cast<const QMouseEvent&>(*event);

    if (type == QEvent::MouseMove) {
        const QPoint inField = m_field->mapFrom(window, mouse.position().toPoint());
        if (!m_field->rect().contains(inField))
            m_field->pointerAt(inField.y());
        return false;
    }

    const Qt::MouseButton button = mouse.button();
    const bool watchedButton = button == Qt::LeftButton || (button == Qt::RightButton && type == QEvent::MouseButtonPress);
    if (!watchedButton)
        return false;
    if (type == QEvent::MouseButtonRelease)
        return !m_pressPassed;
    const bool pass = passes(mouse);
    if (button == Qt::LeftButton)
        m_pressPassed = pass;
    if (pass)
        return false;
    if (type == QEvent::MouseButtonDblClick && button == Qt::LeftButton)
        m_field->armSmash();
    return true;
}
