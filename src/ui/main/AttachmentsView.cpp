#include "ui/main/AttachmentsView.h"

#include "core/Prefs.h"
#include "ui/look/Alerts.h"
#include "ui/look/Beep.h"
#include "ui/look/FileDialogs.h"
#include "ui/look/L10n.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/Opener.h"
#include "ui/main/AttachmentFiles.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QSaveFile>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int pictureHeight = 180;

bool isFlagged(const std::optional<VirusTotal::Verdict>& verdict)
{
    return verdict && std::holds_alternative<VirusTotal::Verdict::Flagged>(verdict->value);
}

// Raster formats only: a vector picture is a document that may carry script.
QImage decodedPicture(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format.isEmpty() || format.startsWith("svg"))
        return {};
    return reader.read();
}

}  // namespace

AttachmentsView::AttachmentsView(QWidget* parent)
    : FlippedView(parent)
    , m_stack(new QVBoxLayout(this))
{
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->setSpacing(8);
    m_stack->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void AttachmentsView::set(const QList<MIME::Attachment>& attachments)
{
    m_items = attachments;
    m_unlocked.clear();
    m_verdicts.clear();
    m_pictures.clear();
    ++m_generation;
    rebuild();
    QList<QByteArray> files;
    for (const MIME::Attachment& attachment : m_items)
        files << attachment.data;
    checkVirusTotal(this, m_generation, files);
}

std::optional<VirusTotal::Verdict> AttachmentsView::verdict(int index) const
{
    const auto found = m_verdicts.constFind(index);
    return found == m_verdicts.cend() ? std::nullopt : std::optional<VirusTotal::Verdict>(*found);
}

QSize AttachmentsView::sizeHint() const
{
    return m_stack->sizeHint();
}

QString AttachmentsView::rowText(int index, bool hasKey) const
{
    const MIME::Attachment& item = m_items[index];
    QString text = AttachmentFiles::fileName(item.name) + QStringLiteral(" · ") + item.sizeText();
    if (!m_unlocked.contains(index))
        text.prepend(QStringLiteral("locked · "));
    if (AttachmentFiles::canRunCode(item.name))
        text += QStringLiteral(" · can run code");
    if (const std::optional<VirusTotal::Verdict> found = verdict(index))
        text += QStringLiteral(" · ") + found->text();
    else if (hasKey)
        text += QStringLiteral(" · virustotal …");
    return text;
}

QPixmap AttachmentsView::picture(int index)
{
    if (const auto found = m_pictures.constFind(index); found != m_pictures.cend())
        return *found;
    const MIME::Attachment& item = m_items[index];
    QPixmap shown;
    if (item.type.startsWith(QStringLiteral("image/")) && !AttachmentFiles::canRunCode(item.name)) {
        const QImage image = decodedPicture(item.data);
        if (!image.isNull()) {
            const qreal ratio = devicePixelRatioF();
            const int height = std::min(image.height(), pictureHeight);
            const int width = int(std::round(height * qreal(image.width()) / std::max(1, image.height())));
            shown = QPixmap::fromImage(image.scaled(QSize(width, height) * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            shown.setDevicePixelRatio(ratio);
        }
    }
    m_pictures.insert(index, shown);
    return shown;
}

void AttachmentsView::rebuild()
{
    // Rows go later: the button that asked for this may still be handling its click.
    while (QLayoutItem* item = m_stack->takeAt(0)) {
        if (QWidget* old = item->widget()) {
            old->hide();
            old->deleteLater();
        }
        delete item;
    }
    const bool hasKey = !m_items.isEmpty() && m_verdicts.size() < m_items.size() && VirusTotal::key().has_value();
    for (int i = 0; i < int(m_items.size()); ++i) {
        const bool unlocked = m_unlocked.contains(i);
        auto* row = new QWidget(this);
        row->setObjectName(QStringLiteral("attachment%1").arg(i));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(18);
        auto* label = new LULabel(rowText(i, hasKey), 10, !unlocked, 1.5, 1, row);
        label->setObjectName(QStringLiteral("text"));
        // Tops aligned, so the buttons' titles stand on the label's line and their rule below it.
        line->addWidget(label, 1, Qt::AlignTop);
        const auto button = [&](const char* title, std::function<void()> action) {
            line->addWidget(new LUButton(QString::fromLatin1(title), 10, true, std::move(action), row), 0, Qt::AlignTop);
        };
        if (unlocked) {
            button("open", [this, i] { open(i); });
            button("save", [this, i] { save(i); });
            button("lock", [this, i] { lock(i); });
        } else {
            button("unlock", [this, i] { unlock(i); });
        }
        // Shown now: a layout would show a new child only later, and count it as nothing until then.
        row->show();
        m_stack->addWidget(row, 0, Qt::AlignLeft);
        if (!unlocked)
            continue;
        if (const QPixmap shown = picture(i); !shown.isNull()) {
            auto* view = new QLabel(this);
            view->setObjectName(QStringLiteral("picture%1").arg(i));
            view->setPixmap(shown);
            view->setFixedSize(shown.deviceIndependentSize().toSize());
            view->show();
            m_stack->addWidget(view, 0, Qt::AlignLeft);
        }
    }
    updateGeometry();
    if (onRebuilt)
        onRebuilt();
}

QCoro::Task<> AttachmentsView::unlock(int index)
{
    if (index < 0 || index >= m_items.size() || m_unlocked.contains(index))
        co_return;
    QPointer<AttachmentsView> self(this);
    const quint64 generation = m_generation;
    const QString name = AttachmentFiles::fileName(m_items[index].name);
    const bool german = Prefs::shared().german();
    Alert alert;
    // Escape and Return both keep the file locked.
    alert.buttons = {loc(QStringLiteral("Keep locked")), loc(QStringLiteral("Unlock anyway"))};
    alert.escapeButton = 0;
    if (const std::optional<VirusTotal::Verdict> found = verdict(index); isFlagged(found)) {
        alert.style = Alert::Style::critical;
        alert.message = loc(QStringLiteral("VirusTotal flags ") + name + u'.');
        alert.informative = found->text() + u'\n'
            + (german ? QStringLiteral("Mehrere Virenscanner kennen diese Datei als schädlich. Lösch die Mail besser.")
                      : QStringLiteral("Several virus scanners know this file as harmful. Better delete the mail."));
    } else if (AttachmentFiles::canRunCode(m_items[index].name)) {
        alert.style = Alert::Style::warning;
        alert.message = name + (german ? QStringLiteral(" kann Code auf diesem Computer ausführen.") : QStringLiteral(" can run code on this computer."));
        alert.informative = loc(QStringLiteral("Only unlock it if you expected exactly this file from this sender."));
    } else {
        alert.buttons.clear();
    }
    if (!alert.buttons.isEmpty()) {
        const int answer = co_await Alerts::ask(window(), alert);
        if (!self || self->m_generation != generation || answer != 1)
            co_return;
    }
    self->m_unlocked.insert(index);
    self->rebuild();
}

void AttachmentsView::lock(int index)
{
    m_unlocked.remove(index);
    rebuild();
}

void AttachmentsView::open(int index)
{
    if (!m_unlocked.contains(index))
        return;
    const MIME::Attachment& item = m_items[index];
    const std::optional<QString> path = AttachmentFiles::writePrivate(item.data, item.name);
    if (!path || !Opener::open(QUrl::fromLocalFile(*path)))
        Beep::sound();
}

QCoro::Task<> AttachmentsView::save(int index)
{
    if (!m_unlocked.contains(index))
        co_return;
    const MIME::Attachment item = m_items[index];
    // Not tied to the window: the reader may be gone before the dialog is answered.
    const FileRequest request{FileRequest::Kind::save, {}, AttachmentFiles::fileName(item.name)};
    const QStringList chosen = co_await FileDialogs::ask(nullptr, request);
    if (chosen.isEmpty())
        co_return;
    QSaveFile file(chosen.first());
    if (!file.open(QIODevice::WriteOnly) || file.write(item.data) != item.data.size() || !file.commit())
        Beep::sound();
}

QCoro::Task<> AttachmentsView::checkVirusTotal(QPointer<AttachmentsView> view, quint64 generation, QList<QByteArray> files)
{
    if (files.isEmpty() || !VirusTotal::key())
        co_return;
    for (int i = 0; i < int(files.size()); ++i) {
        const std::optional<VirusTotal::Verdict> verdict = co_await VirusTotal::check(files[i]);
        if (!verdict || !view || view->m_generation != generation)
            co_return;
        view->m_verdicts.insert(i, *verdict);
        view->rebuild();
    }
}
