#include "ui/main/PlaceholderScreen.h"

#include "ui/look/LULabel.h"

PlaceholderScreen::PlaceholderScreen(const QString& text, QWidget* parent)
    : FlippedView(parent)
    , m_label(new LULabel(text, 13, true, 0, 1, this))
{
    setFocusPolicy(Qt::StrongFocus);
}

void PlaceholderScreen::set(const QString& text)
{
    m_label->set(text);
}

QString PlaceholderScreen::text() const
{
    return m_label->text();
}

void PlaceholderScreen::resizeEvent(QResizeEvent*)
{
    m_label->setGeometry(0, 0, width(), m_label->sizeHint().height());
}
