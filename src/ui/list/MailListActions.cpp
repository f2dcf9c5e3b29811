#include "ui/list/MailListView.h"

#include "core/MailStore.h"
#include "core/Prefs.h"
#include "ui/list/MailRowView.h"
#include "ui/list/MailTable.h"
#include "ui/look/Alerts.h"
#include "ui/look/Beep.h"
#include "ui/look/ClosureMenuItem.h"
#include "ui/look/L10n.h"
#include "ui/main/MainWindowController.h"

#include <QMenu>
#include <QPointer>

namespace {

const QStringList keysOfSentViews{QStringLiteral("open"), QStringLiteral("x"), QStringLiteral("r"), QStringLiteral("e"),
    QStringLiteral("t")};

// A menu item with its key shown beside it; the key itself is the list's, not the menu's.
QAction* item(QMenu& menu, const QString& title, const QString& key, std::function<void()> run)
{
    auto* action = new ClosureMenuItem(title, std::move(run), &menu);
    if (!key.isEmpty())
        action->setText(action->text() + u'\t' + key);
    menu.addAction(action);
    return action;
}

// A line of mail data that explains and does nothing.
void note(QMenu& menu, const QString& text)
{
    QAction* action = menu.addAction(ClosureMenuItem::menuText(text));
    action->setEnabled(false);
}

QString mails(int count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" mail") : QStringLiteral(" mails"));
}

}  // namespace

bool MailListView::handle(const QString& key, int row)
{
    if (key == u"p") {
        togglePreview();
        return true;
    }
    if (key == u"x" && m_drawer == MailStore::entropyView) {
        deleteSelected();
        return true;
    }
    if (row < 0 || row >= m_table->rowCount())
        return false;
    const bool sentViews = m_drawer == MailStore::outView || m_drawer == MailStore::searchView;
    if (sentViews && !keysOfSentViews.contains(key))
        return false;
    const MailItem mail = items()[size_t(row)];
    MailStore& store = MailStore::shared();

    if (key == u"open") {
        open(mail);
        return true;
    }
    if (key.size() == 1 && key[0] >= u'0' && key[0] <= u'9') {
        const int n = key[0].digitValue();
        if (n > Prefs::shared().drawerNames().size())
            return false;
        if (n == 0) {
            if (m_drawer == MailStore::entropyView)
                store.notScam(mail);
            else if (m_drawer != MailStore::inbox)
                store.assign(mail, MailStore::inbox);
            return true;
        }
        store.changeAll([&] {
            if (m_drawer == MailStore::entropyView)
                store.notScam(mail);
            if (m_drawer != n)
                store.assign(mail, n);
        });
        return true;
    }
    if (key == u"t") {
        store.trust(mail);
    } else if (key == u"e") {
        // One's own sent mail as scam would mark one's own address as a scam sender.
        if (mail.mailbox)
            Beep::sound();
        else if (m_drawer != MailStore::entropyView)
            store.markScam(mail);
    } else if (key == u"x") {
        store.markDone(mail);
    } else if (key == u"r") {
        onReply ? onReply(mail) : Beep::sound();
    } else if (key == u"f") {
        onForward ? onForward(mail) : Beep::sound();
    } else {
        return false;
    }
    return true;
}

void MailListView::open(const MailItem& mail)
{
    const int row = m_table->openRow();
    const bool inPlay = row >= 0 && row < m_table->rowCount() && items()[size_t(row)].id() == mail.id() && m_table->ballInPlay();
    if (inPlay) {
        QPointer<MailListView> self(this);
        // The ball may be cut short by the list being hidden for another screen: the open then
        // follows once that screen is up, not in the middle of showing it.
        const auto openLater = [self, mail] {
            QMetaObject::invokeMethod(self, [self, mail] {
                if (self)
                    self->emitOpen(mail);
            }, Qt::QueuedConnection);
        };
        if (m_table->sinkBall(openLater))
            return;
    }
    emitOpen(mail);
}

void MailListView::emitOpen(const MailItem& mail)
{
    if (onOpen)
        onOpen(mail);
}

std::vector<MailItem> MailListView::selectedMails() const
{
    std::vector<MailItem> mails;
    for (const int row : m_table->selectedRows())
        mails.push_back(items()[size_t(row)]);
    return mails;
}

void MailListView::fileSelected(int view)
{
    MailStore& store = MailStore::shared();
    const std::vector<MailItem> chosen = selectedMails();
    store.changeAll([&] {
        for (const MailItem& mail : chosen) {
            if (store.isScam(mail))
                store.notScam(mail);
            store.assign(mail, view);
        }
    });
}

std::unique_ptr<QMenu> MailListView::menuFor(int row)
{
    if (row < 0 || row >= m_table->rowCount())
        return nullptr;
    const std::vector<MailItem> chosen = selectedMails();
    if (chosen.empty())
        return nullptr;
    const MailItem first = chosen.front();
    MailStore& store = MailStore::shared();
    auto menu = std::make_unique<QMenu>();
    QPointer<MailListView> self(this);
    const auto forEach = [&store, chosen](void (MailStore::*change)(const MailItem&)) {
        return [&store, chosen, change] {
            store.changeAll([&] {
                for (const MailItem& mail : chosen)
                    (store.*change)(mail);
            });
        };
    };

    item(*menu, QStringLiteral("open"), {}, [self, first] {
        if (self)
            self->open(first);
    });
    item(*menu, QStringLiteral("reply"), QStringLiteral("r"), [self, first] {
        if (self)
            self->onReply ? self->onReply(first) : Beep::sound();
    });
    item(*menu, QStringLiteral("forward"), QStringLiteral("f"), [self, first] {
        if (self)
            self->onForward ? self->onForward(first) : Beep::sound();
    });
    item(*menu, QStringLiteral("save as .eml …"), {}, [self, first] {
        MainWindowController::save(first, self ? self->window() : nullptr);
    });
    menu->addSeparator();

    if (m_drawer != MailStore::outView && !first.mailbox) {
        addBlockMenu(*menu, first);
        menu->addSeparator();
    }
    if (m_drawer == MailStore::outView) {
        item(*menu, QStringLiteral("hide"), QStringLiteral("x"), forEach(&MailStore::markDone));
        return menu;
    }
    if (m_drawer != MailStore::inbox) {
        item(*menu, QStringLiteral("→ in"), QStringLiteral("0"), [self] {
            if (self)
                self->fileSelected(MailStore::inbox);
        });
    }
    const QStringList names = Prefs::shared().drawerNames();
    for (int i = 1; i <= int(names.size()); ++i) {
        if (i == m_drawer)
            continue;
        item(*menu, QStringLiteral("→ %1 %2").arg(i).arg(names[i - 1].toLower()), QString::number(i), [self, i] {
            if (self)
                self->fileSelected(i);
        });
    }
    if (std::any_of(chosen.begin(), chosen.end(), [](const MailItem& m) { return MailRowView::carriesEMark(m); }))
        item(*menu, QStringLiteral("trust sender (no e?)"), QStringLiteral("t"), forEach(&MailStore::trust));
    // Sent mails take no scam mark: it would mark one's own address as a scam sender.
    std::vector<MailItem> received;
    std::copy_if(chosen.begin(), chosen.end(), std::back_inserter(received), [](const MailItem& m) { return !m.mailbox; });
    if (m_drawer != MailStore::entropyView && !received.empty()) {
        item(*menu, QStringLiteral("→ entropy"), QStringLiteral("e"), [&store, received] {
            store.changeAll([&] {
                for (const MailItem& mail : received)
                    store.markScam(mail);
            });
        });
    }
    menu->addSeparator();
    item(*menu, QStringLiteral("done"), QStringLiteral("x"), forEach(&MailStore::markDone));
    return menu;
}

void MailListView::addBlockMenu(QMenu& menu, const MailItem& first)
{
    MailStore& store = MailStore::shared();
    QMenu* block = menu.addMenu(ClosureMenuItem::menuText(loc(QStringLiteral("block …"))));
    if (!first.fromEmail.isEmpty())
        item(*block, QStringLiteral("this sender  ") + first.fromEmail, {}, [&store, first] { store.blockSender(first); });
    const QString domain = first.domain();
    if (store.canBlockDomain(first)) {
        item(*block, QStringLiteral("whole domain  ") + domain + QStringLiteral("  · ") + mails(store.caughtDomain(domain)), {},
            [&store, first] { store.blockDomain(first); });
    } else if (!domain.isEmpty()) {
        note(*block, domain + QStringLiteral(" is shared by many people – block the sender instead"));
    }
    if (first.ip) {
        item(*block, QStringLiteral("sending server  ") + *first.ip + QStringLiteral("  · ") + mails(store.caughtIP(*first.ip)), {},
            [&store, first] { store.blockIP(first); });
        note(*block, loc(QStringLiteral("a server can carry mail of many senders – check the count")));
    }
}

QCoro::Task<> MailListView::deleteSelected()
{
    const std::vector<MailItem> chosen = selectedMails();
    if (chosen.empty())
        co_return;
    const bool german = Prefs::shared().german();
    const int count = int(chosen.size());
    Alert ask;
    ask.style = Alert::Style::warning;
    if (count == 1)
        ask.message = german ? QStringLiteral("Diese Mail löschen?") : QStringLiteral("Delete this mail?");
    else
        ask.message = german ? QStringLiteral("%1 Mails löschen?").arg(count) : QStringLiteral("Delete %1 mails?").arg(count);
    // Said in general words: where the Trash can be reached depends on the provider.
    ask.informative = german ? QStringLiteral("Sie kommen in den Papierkorb deines Mailkontos. Von dort lassen sie sich noch "
                                              "wiederherstellen, z. B. im Webmail deines Anbieters.")
                             : QStringLiteral("They are moved to the trash of your mail account. From there they can still "
                                              "be restored, e.g. in your provider's web mail.");
    ask.buttons = {german ? QStringLiteral("Löschen") : QStringLiteral("Delete"), loc(QStringLiteral("Cancel"))};
    QPointer<QWidget> window(this->window());
    const int answer = co_await Alerts::ask(window, std::move(ask));
    if (answer != 0)
        co_return;
    const std::optional<QString> problem = co_await MailStore::shared().deleteMails(chosen);
    if (!problem)
        co_return;
    Alert failed;
    failed.style = Alert::Style::warning;
    failed.message = german ? QStringLiteral("Einige Mails konnten nicht gelöscht werden") : QStringLiteral("Some mails could not be deleted");
    failed.informative = *problem;
    co_await Alerts::ask(window, std::move(failed));
}
