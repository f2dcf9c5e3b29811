#include "ui/look/AboutWindowController.h"

#include "core/NotificationCenter.h"
#include "ui/look/Credits.h"
#include "ui/look/GroundView.h"
#include "ui/look/L10n.h"
#include "ui/look/LogoView.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/Opener.h"
#include "ui/look/Theme.h"

#include <QCoreApplication>
#include <cmath>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

QPointer<AboutWindowController> AboutWindowController::s_current;

namespace {

void openSite(const QString& address)
{
    const QUrl url(QStringLiteral("https://") + address, QUrl::StrictMode);
    if (url.isValid())
        Opener::open(url);
}

}  // namespace

void AboutWindowController::show()
{
    if (!s_current)
        s_current = new AboutWindowController;
    s_current->QWidget::show();
    s_current->raise();
    s_current->activateWindow();
}

AboutWindowController* AboutWindowController::current()
{
    return s_current;
}

QString AboutWindowController::versionText()
{
    return QStringLiteral("LU.MARA ") + QCoreApplication::applicationVersion();
}

AboutWindowController::AboutWindowController()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About LU.MARA"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(420, 380);
    build();
    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { themeChanged(); });
    themeChanged();
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void AboutWindowController::build()
{
    auto* ground = new GroundView(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(ground);

    auto* stack = new QVBoxLayout(ground);
    stack->setSpacing(0);
    stack->setContentsMargins(0, 0, 0, 0);
    // Equal stretch above and below, 16 more above: the stack sits 8 below the middle.
    stack->addStretch();
    stack->addSpacing(16);
    auto* logo = new LogoView({}, ground);
    logo->setFixedSize(150, int(std::ceil(LogoView::heightFor(150))));
    stack->addWidget(logo, 0, Qt::AlignHCenter);
    stack->addSpacing(34);
    auto* version = new LULabel(versionText(), 13, false, 2.5, 1, ground);
    version->setObjectName(QStringLiteral("version"));
    stack->addWidget(version, 0, Qt::AlignHCenter);
    stack->addSpacing(8);
    auto* credit = new LULabel(L10n::creditLine(), 10, false, 1.5, 1, ground);
    credit->setObjectName(QStringLiteral("credit"));
    stack->addWidget(credit, 0, Qt::AlignHCenter);
    stack->addSpacing(26);
    auto* site = new LUButton(Credits::webSite, 10, true, [] { openSite(Credits::webSite); }, ground);
    stack->addWidget(site, 0, Qt::AlignHCenter);
    stack->addSpacing(12);
    auto* donation = new LUButton(QStringLiteral("donation · ") + Credits::donation, 10, true,
        [] { openSite(Credits::donation); }, ground);
    stack->addWidget(donation, 0, Qt::AlignHCenter);
    stack->addStretch();
}

void AboutWindowController::themeChanged()
{
    Theme::redrawAll(this);
}
