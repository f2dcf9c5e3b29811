#include "ui/compose/DropGround.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

DropGround::DropGround(QWidget* parent)
    : GroundView(parent)
{
    setAcceptDrops(true);
}

QStringList DropGround::filePaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    return paths;
}

void DropGround::dragEnterEvent(QDragEnterEvent* event)
{
    if (filePaths(event->mimeData()).isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropGround::dragMoveEvent(QDragMoveEvent* event)
{
    if (filePaths(event->mimeData()).isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropGround::dropEvent(QDropEvent* event)
{
    const QStringList paths = filePaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (onDrop)
        onDrop(paths);
}
