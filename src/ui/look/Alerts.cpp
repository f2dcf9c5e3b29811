#include "ui/look/Alerts.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <qcoro/qcorosignal.h>

namespace {

std::function<int(const Alert&)>& replacement()
{
    static std::function<int(const Alert&)> answer;
    return answer;
}

QMessageBox::Icon iconOf(Alert::Style style)
{
    switch (style) {
    case Alert::Style::informational:
        return QMessageBox::Information;
    case Alert::Style::critical:
        return QMessageBox::Critical;
    case Alert::Style::warning:
        break;
    }
    return QMessageBox::Warning;
}

}  // namespace

QCoro::Task<int> Alerts::ask(QWidget* window, Alert alert)
{
    if (const auto& answer = replacement())
        co_return answer(alert);

    // Deleted once answered, not on close: a box deleted on close takes the queued answer to
    // its finished signal with it, and the asker would never go on.
    QPointer<QMessageBox> box = new QMessageBox(window);
    box->setTextFormat(Qt::PlainText);
    box->setIcon(iconOf(alert.style));
    box->setText(alert.message);
    box->setInformativeText(alert.informative);
    if (alert.buttons.isEmpty())
        alert.buttons = {QStringLiteral("OK")};
    QList<QPushButton*> buttons;
    for (const QString& title : alert.buttons) {
        // An "&" in a title is a character, never a mnemonic.
        buttons << box->addButton(QString(title).replace(QLatin1Char('&'), QStringLiteral("&&")), QMessageBox::AcceptRole);
    }
    box->setDefaultButton(buttons.constFirst());
    const int escape = alert.escapeButton >= 0 && alert.escapeButton < buttons.size() ? alert.escapeButton : buttons.size() - 1;
    box->setEscapeButton(buttons[escape]);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();

    co_await qCoro(box.data(), &QDialog::finished);
    if (!box)
        co_return -1;
    const int pressed = int(buttons.indexOf(qobject_cast<QPushButton*>(box->clickedButton())));
    box->deleteLater();
    co_return pressed;
}

void Alerts::replace(std::function<int(const Alert&)> answer)
{
    replacement() = std::move(answer);
}
