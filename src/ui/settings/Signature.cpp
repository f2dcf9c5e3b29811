#include "ui/settings/Signature.h"

#include "ui/look/Credits.h"
#include "ui/look/L10n.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/Opener.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QUrl>
#include <QVBoxLayout>

namespace {

LUButton* link(const QString& address, QWidget* parent)
{
    auto* button = new LUButton(address, 10, true,
        [address] { Opener::open(QUrl(QStringLiteral("https://") + address, QUrl::StrictMode)); }, parent);
    button->setKern(1.5);
    return button;
}

}  // namespace

Signature::Signature(QWidget* parent)
    : QWidget(parent)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    auto* version = new LULabel(QStringLiteral("LU.MARA ") + QCoreApplication::applicationVersion(), 10, false, 3, 1, this);
    version->setObjectName(QStringLiteral("version"));
    auto* credit = new LULabel(L10n::creditLine(), 10, false, 1.5, 1, this);
    auto* links = new QHBoxLayout;
    links->setSpacing(0);
    m_site = link(Credits::webSite, this);
    m_donation = link(Credits::donation, this);
    links->addWidget(m_site);
    links->addSpacing(24);
    links->addWidget(m_donation);
    links->addStretch(1);
    stack->addWidget(version);
    stack->addSpacing(8);
    stack->addWidget(credit);
    stack->addSpacing(16);
    stack->addLayout(links);
}
