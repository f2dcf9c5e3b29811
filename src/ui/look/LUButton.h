#pragma once

#include "ui/look/Pressable.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QMenu;

// A text button: loc of its English title in the monospaced font, dashed underline when selected
// or always underlined, or a bar mark (a square when selected) before the title instead.
// Fires on release inside; a second click of a double click fires onDoubleClick when set.
class LUButton : public QWidget, public Pressable {
    Q_OBJECT
public:
    explicit LUButton(const QString& title, qreal size = 13, bool underline = false, std::function<void()> action = {},
        QWidget* parent = nullptr);

    std::function<void()> action;
    std::function<void()> onDoubleClick;
    std::function<std::unique_ptr<QMenu>()> contextMenu;

    const QString& title() const { return m_title; }
    void setTitle(const QString& title);
    void setDetail(const std::optional<QString>& detail);
    const std::optional<QString>& detail() const { return m_detail; }
    bool selected() const { return m_selected; }
    void setSelected(bool selected);
    void setAlwaysUnderline(bool on);
    void setDimWhenIdle(bool on) { m_dimWhenIdle = on; }
    void setFontSize(qreal size);
    void setKern(qreal kern);
    void setTitleTurn(qreal degrees);
    void setBarMark(std::optional<qreal> width);
    // Accepts dragged mails; the handler gets each dragged mail's id, in order.
    void setOnDrop(std::function<void(const QString& mailId)> handler);
    // Accepts dragged mails; the handler gets the ids of one drop together, in order.
    void setOnDropAll(std::function<void(const QStringList& mailIds)> handler);
    bool dropHover() const { return m_dropHover; }
    // What a screen reader calls the button when its title is only a sign (">").
    void setAccessibleLabel(const QString& label) { m_accessibleLabel = label; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    QString accessibleTitle() const override;
    void press() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QFont titleFont() const;
    void changed();
    void setDropHover(bool on);

    QString m_title;
    std::optional<QString> m_detail;
    bool m_selected = false;
    bool m_alwaysUnderline = false;
    bool m_dimWhenIdle = false;
    qreal m_fontSize;
    qreal m_kern = 0;
    qreal m_titleTurn = 0;
    std::optional<qreal> m_barMark;
    std::function<void(const QStringList&)> m_onDrop;
    bool m_dropHover = false;
    bool m_secondClick = false;
    QString m_accessibleLabel;
};
