#include "core/AppIdentity.h"
#include "core/AtomicFile.h"
#include "core/MailCacheReader.h"
#include "core/MailStore.h"
#include "core/Prefs.h"

#include <QFile>

namespace {

QString dataFile(const char* name)
{
    return AppIdentity::dataFolder() + u'/' + QLatin1String(name);
}

// With room after the text, for the cache reader, which reads a little past it.
std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    if (size <= 0)
        return file.readAll();
    QByteArray bytes(size + MailCacheReader::padding, Qt::Uninitialized);
    const qint64 read = file.read(bytes.data(), size);
    if (read < 0)
        return std::nullopt;
    bytes.resize(read);  // keeps the room
    if (read == size && !file.atEnd())  // grew while read
        bytes.append(file.readAll());
    return bytes;
}

// Drawer numbers once meant a fourth drawer named PROJECT; values beyond the five drawers go.
void cleanUpDrawers(QHash<QString, int>& drawerOf)
{
    Prefs& prefs = Prefs::shared();
    const bool fourthUsed = std::any_of(drawerOf.cbegin(), drawerOf.cend(), [](int drawer) { return drawer == 4; });
    if (!prefs.hasDrawerNames() && fourthUsed)
        prefs.setDrawerNames(Prefs::five({"FOCUS", "TO DO", "SAVED", "PROJECT"}));
    const qsizetype drawers = prefs.drawerNames().size();
    drawerOf.removeIf([drawers](const QHash<QString, int>::iterator it) { return it.value() > drawers; });
}

}  // namespace

void MailStore::load()
{
    if (const std::optional<QByteArray> bytes = readFile(dataFile("state.json"))) {
        if (std::optional<MailStoreState> stored = MailStoreState::decode(*bytes)) {
            m_state = std::move(*stored);
            cleanUpDrawers(m_state.drawerOf);
            allPlacesChanged();
        } else {
            m_stateUnreadable = true;
        }
    }
    std::optional<std::vector<MailItem>> cached;
    if (const std::optional<QByteArray> bytes = readFile(dataFile("cache.json")))
        cached = MailCache::decode(*bytes);
    if (cached) {  // the file's bytes are gone by now: they would add to the peak
        m_mails = std::make_shared<std::vector<MailItem>>(std::move(*cached));
        mailsChanged();
        m_cacheDirty = false;  // the file holds exactly these items
    }
}

void MailStore::save()
{
    // The first save would otherwise replace the user's drawers, done marks and blocks that
    // could not be read.
    const QString statePath = dataFile("state.json"), cachePath = dataFile("cache.json");
    if (m_stateUnreadable && AtomicFile::setAside(statePath))
        m_stateUnreadable = false;
    std::optional<MailStoreState> state;  // its sets are shared, not copied, until changed
    if (!m_stateUnreadable)
        state = m_state;
    if (m_cacheWriteFailed.exchange(false))
        m_cacheDirty = true;
    MailList::Snapshot mails;  // none: cache.json stays as it is
    if (m_cacheDirty)
        mails = m_mails;
    m_cacheDirty = false;
    // Encoding and the flush to disk cost more than a frame; the snapshot is written in the background.
    m_writer.start([this, statePath, cachePath, state = std::move(state), mails = std::move(mails)] {
        if (state)
            AtomicFile::write(statePath, state->encode());
        if (mails && !AtomicFile::write(cachePath, MailCache::encode(*mails)))
            m_cacheWriteFailed = true;
    });
}

void MailStore::finishSaving()
{
    m_writer.waitForDone();
}
