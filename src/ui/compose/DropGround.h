#pragma once

#include "ui/look/GroundView.h"

#include <QStringList>

#include <functional>

class QMimeData;

// A compose window's content view: takes drops of files (their locations), nothing else.
class DropGround : public GroundView {
    Q_OBJECT
public:
    explicit DropGround(QWidget* parent = nullptr);

    std::function<void(const QStringList& paths)> onDrop;

    // The local files a drag carries; none for text, links and mails.
    static QStringList filePaths(const QMimeData* data);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
