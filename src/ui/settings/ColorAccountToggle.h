#pragma once

#include "core/Account.h"
#include "ui/look/Pressable.h"

#include <QWidget>

#include <functional>

// An account's colour and address; the square is filled while its mails are shown, outlined
// while they are hidden. A press anywhere runs the action.
class ColorAccountToggle : public QWidget, public Pressable {
    Q_OBJECT
public:
    explicit ColorAccountToggle(const Account& account, std::function<void()> action = {}, QWidget* parent = nullptr);

    std::function<void()> action;
    const Account& account() const { return m_account; }
    bool accountShown() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {25, 20}; }

    QString accessibleTitle() const override { return m_account.email; }
    QAccessible::Role accessibleRole() const override { return QAccessible::CheckBox; }
    bool accessibleChecked() const override { return accountShown(); }
    void press() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor colour() const;

    Account m_account;
};
