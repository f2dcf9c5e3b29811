#include "game/PongView.h"

#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "game/FlowView.h"
#include "game/PongField.h"
#include "game/PongGuard.h"
#include "game/PongText.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"

#include <algorithm>

namespace {

LUButton* control(const QString& title, const QString& name, std::function<void()> action)
{
    auto* button = new LUButton(title, 11, false, std::move(action));
    button->setObjectName(name);
    button->setDimWhenIdle(true);
    button->setAccessibleLabel(title);
    return button;
}

void retitle(LUButton* button, const QString& title)
{
    button->setTitle(title);
    button->setAccessibleLabel(title);
}

LULabel* separator()
{
    return new LULabel(QStringLiteral("–"), 11, false, 0, 1);
}

}  // namespace

PongView::PongView(QWidget* parent)
    : FlippedView(parent)
    , m_field(new PongField(this))
    , m_bar(new FlowView(this))
    , m_info(new LULabel({}, 10, true, 1.5, 8, this))
{
    Prefs& prefs = Prefs::shared();
    // The screen offers three levels; a higher stored one is played as hard and shown so.
    if (const int level = prefs.pongLevel(); level > 2 || level < 0)
        prefs.setPongLevel(std::clamp(level, 0, 2));

    m_info->setObjectName(QStringLiteral("info"));
    m_observerButton = control(PongText::observer(), QStringLiteral("observerButton"), [this] {
        setObserver(!m_field->observer());
        m_field->newGame();
    });
    m_scoreLabel = new LULabel(QStringLiteral("0 · 0"), 11, false, 0, 1);
    m_scoreLabel->setObjectName(QStringLiteral("scoreLabel"));
    for (int level = 0; level < 3; ++level)
        m_levelButtons << control(PongText::level(level), QStringLiteral("levelButtons"), [this, level] {
            Prefs::shared().setPongLevel(level);
            refresh();
            m_field->newGame();
        });
    for (int format = 0; format < 2; ++format)
        m_formatButtons << control(PongText::format(format), QStringLiteral("formatButtons"), [this, format] {
            Prefs::shared().setPongFormat(format);
            refresh();
            setObserver(false);
            m_field->newGame();
        });
    m_matchLabel = new LULabel(PongText::match(), 11, false, 0, 1);
    m_matchLabel->setObjectName(QStringLiteral("matchLabel"));
    m_headerButton = new LUButton(QStringLiteral("lu.pong"), 13, false, [this] {
        setObserver(false);
        m_field->newGame();
    });
    m_headerButton->setObjectName(QStringLiteral("headerButton"));

    m_bar->setGroups({{m_headerButton}, {separator()}, {m_levelButtons[0], m_levelButtons[1], m_levelButtons[2]},
        {separator()}, {m_matchLabel, m_formatButtons[0], m_formatButtons[1]}, {separator()}, {m_observerButton},
        {separator()}, {m_scoreLabel}});

    m_field->onScore = [this](const QString& text) {
        m_scoreLabel->set(text);
        m_bar->relayout();
    };
    m_field->onExit = [this] {
        if (onExit)
            onExit();
    };

    refresh();
    NotificationCenter::shared().observe(Notification::gameLanguage, this, [this](QObject*) { languageChanged(); });
}

void PongView::setObserver(bool on)
{
    m_field->setObserver(on);
    m_observerButton->setSelected(on);
}

void PongView::start()
{
    m_field->newGame();
}

void PongView::resume()
{
    m_field->resume();
}

void PongView::pause()
{
    m_field->pause();
}

void PongView::allowDuringGame(QWidget* widget)
{
    m_field->guard().allow(widget);
}

void PongView::refresh()
{
    const Prefs& prefs = Prefs::shared();
    const int level = prefs.pongLevel();
    for (int i = 0; i < m_levelButtons.size(); ++i)
        m_levelButtons[i]->setSelected(i == level);
    // As the rules read it: 1 is long, anything else quick.
    const int format = prefs.pongFormat() == 1 ? 1 : 0;
    for (int i = 0; i < m_formatButtons.size(); ++i)
        m_formatButtons[i]->setSelected(i == format);
    m_info->set(PongText::info(format));
    layoutChildren();
}

void PongView::languageChanged()
{
    for (int i = 0; i < m_levelButtons.size(); ++i)
        retitle(m_levelButtons[i], PongText::level(i));
    for (int i = 0; i < m_formatButtons.size(); ++i)
        retitle(m_formatButtons[i], PongText::format(i));
    retitle(m_observerButton, PongText::observer());
    m_field->languageChanged();
    refresh();
    m_bar->relayout();
}

void PongView::resizeEvent(QResizeEvent*)
{
    layoutChildren();
}

void PongView::layoutChildren()
{
    constexpr int left = 44;
    constexpr int right = 36;
    const int inner = std::max(width() - left - right, 0);
    const int barHeight = m_bar->heightForWidth(inner);
    m_bar->setGeometry(left, 26, inner, barHeight);
    const int infoHeight = m_info->heightForWidth(inner);
    const int fieldTop = 26 + barHeight + 16;
    // The field gives way first when the height is short; the help keeps its lines.
    const int fieldHeight = std::max(height() - fieldTop - 16 - infoHeight - 18, 0);
    m_field->setGeometry(left, fieldTop, inner, fieldHeight);
    m_info->setGeometry(left, fieldTop + fieldHeight + 16, inner, infoHeight);
}
