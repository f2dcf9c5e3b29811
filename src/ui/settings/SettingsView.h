#pragma once

#include "core/Account.h"
#include "core/MailStore.h"
#include "ui/look/FlippedView.h"

#include <qcoro/qcorotask.h>

#include <functional>
#include <vector>

class LUSecureField;
class QScrollArea;
class QVBoxLayout;
class Signature;

// The settings screen: one scrolling page of rows, each a label and a few choices with the one
// in force underlined. Every choice is stored first (settings, keyring or mail store) and the page
// is then built again from what is stored, so it keeps no state of its own.
class SettingsView : public FlippedView {
    Q_OBJECT
public:
    static constexpr int rowWidth = 680;
    static constexpr int rowHeight = 46;
    static constexpr int labelWidth = 180;

    explicit SettingsView(QWidget* parent = nullptr);

    std::function<void()> onBack;
    std::function<void()> onIntervalChanged;
    // Carried out by the owner: the add-account window and silencing the game.
    std::function<void()> onAddAccount;
    std::function<void()> onSoundOff;

    // Every row removed and built again. Rows go with deleteLater, since the click that asks for
    // this is still being handled by one of them; the key field being typed in is carried over.
    void rebuild();

    QWidget* stack() const { return m_stack; }
    Signature* signature() const { return m_signature; }
    QScrollArea* scrollArea() const { return m_scroll; }
    // The VirusTotal key field; shown only while no key is stored.
    LUSecureField* keyField() const { return m_keyField; }

    // "Remove <address>?" in the chosen language; the alert's buttons are loc("Remove"), loc("Cancel").
    static QString removeQuestion(const Account& account);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Option {
        QString title;
        bool selected = false;
        std::function<void()> action;
    };

    void clearRows();
    void place(QWidget* row);
    void addSpacing(int space);
    void addHeader();
    QWidget* addRow(const QString& title, const std::vector<Option>& options);
    void addAccountRow(const Account& account, bool first);
    void addBlockedGroups(const std::vector<MailStore::Block>& blocks);
    void addVirusTotalRow();
    void addNote();

    void chooseDark(bool dark);
    void chooseNotify(bool on);
    void chooseBadge(bool on);
    void chooseGerman(bool german);
    void chooseSound(bool on);
    void chooseLoad(int limit);
    void chooseInterval(int minutes);
    void pickColour(const QString& accountID, int index);
    void saveKey();
    void removeKey();
    static QCoro::Task<> confirmRemove(QWidget* window, Account account);

    QScrollArea* m_scroll;
    QWidget* m_stack;
    QVBoxLayout* m_rows;
    Signature* m_signature;
    LUSecureField* m_keyField;
};
