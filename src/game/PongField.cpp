#include "game/PongField.h"

#include "core/NotificationCenter.h"
#include "game/PongGuard.h"
#include "ui/look/Clock.h"

#include <QKeyEvent>
#include <QPainter>

PongField::PongField(QWidget* parent)
    : QWidget(parent)
    , m_guard(new PongGuard(this))
{
    setObjectName(QStringLiteral("field"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    fit();
    m_game.onScore = [this](const QString& text) {
        if (onScore)
            onScore(text);
    };
    m_game.onSound = [](PongSound::Kind kind) { PongSound::shared().play(kind); };
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1000 / 60);
    connect(&m_timer, &QTimer::timeout, this, &PongField::tick);
    NotificationCenter::shared().observe(Notification::themeChanged, this, [this](QObject*) { update(); });
}

PongField::~PongField()
{
    m_guard->remove();
}

void PongField::run()
{
    setMouseTracking(true);
    setFocus();
    m_guard->install();
    if (!m_timer.isActive())
        m_timer.start();
}

void PongField::fit()
{
    m_game.width = width();
    m_game.height = height();
}

void PongField::newGame()
{
    fit();
    m_game.newGame(Clock::now());
    run();
    update();
}

void PongField::pause()
{
    m_timer.stop();
    PongSound::shared().stop();
    m_guard->remove();
}

void PongField::resume()
{
    if (!m_game.hasGame) {
        newGame();
        return;
    }
    fit();
    m_game.resume(Clock::now());
    run();
    update();
}

void PongField::languageChanged()
{
    m_game.languageChanged();
    update();
}

void PongField::tick()
{
    fit();
    m_game.tick(Clock::now());
    update();
}

void PongField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setClipRect(rect());
    fit();
    draw(painter, m_game, Clock::now());
}

void PongField::pointerAt(double y)
{
    fit();
    m_game.pointerAt(y);
    update();
}

void PongField::armSmash()
{
    m_game.armSmash(Clock::now());
    update();
}

void PongField::mouseMoveEvent(QMouseEvent* event)
{
    pointerAt(event->position().y());
}

void PongField::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    event->accept();
}

void PongField::mouseDoubleClickEvent(QMouseEvent* event)
{
    setFocus();
    armSmash();
    event->accept();
}

void PongField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            armSmash();
        break;
    case Qt::Key_Escape:
        if (onExit)
            onExit();
        break;
    case Qt::Key_Down:
        m_game.downHeld = true;
        break;
    case Qt::Key_Up:
        m_game.upHeld = true;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PongField::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat() && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up)) {
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Down:
        m_game.downHeld = false;
        break;
    case Qt::Key_Up:
        m_game.upHeld = false;
        break;
    default:
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
}

void PongField::focusOutEvent(QFocusEvent* event)
{
    m_game.upHeld = m_game.downHeld = false;
    QWidget::focusOutEvent(event);
}
