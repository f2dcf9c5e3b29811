#pragma once

#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <functional>

class QWidget;

// A modal alert: texts shown exactly as given (callers translate them), always as plain text.
struct Alert {
    enum class Style { informational, warning, critical };
    Style style = Style::warning;
    QString message;
    QString informative;
    QStringList buttons;  // first is the default; none shows one "OK"
    int escapeButton = -1;  // the button Escape presses; -1: the last one
};

// Alerts run window-modal on the given window (application-modal without one) and are awaited.
// Tests replace them with an answer and read what was asked.
namespace Alerts {

// The index of the button pressed; -1 when the alert went away without an answer.
QCoro::Task<int> ask(QWidget* window, Alert alert);

// Replaces the alerts until called again with an empty function.
void replace(std::function<int(const Alert&)> answer);

}  // namespace Alerts
