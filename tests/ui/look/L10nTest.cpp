#include "core/JsonSettingsFormat.h"
#include "core/Prefs.h"
#include "support/TemporaryHome.h"
#include "ui/look/L10n.h"

#include <QRegularExpression>
#include <QTest>

class L10nTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loc_data();
    void loc();
    void tableHoldsTheFixedTexts_data();
    void tableHoldsTheFixedTexts();
    void tableFollowsTheHouseStyle();

private:
    // "german", "pongGerman" or neither, written straight into the settings store.
    static void chooseLanguage(const QString& key);

    TemporaryHome m_home;
};

void L10nTest::chooseLanguage(const QString& key)
{
    QSettings settings(Prefs::defaultFilePath(), JsonSettingsFormat::format());
    settings.setValue(QStringLiteral("german"), key == u"german");
    settings.setValue(QStringLiteral("pongGerman"), key == u"pongGerman");
}

void L10nTest::loc_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("english: a key") << "" << "Settings…" << "Settings…";
    QTest::newRow("english: a prefix") << "" << "remove  WORK" << "remove  WORK";
    QTest::newRow("only pongGerman") << "pongGerman" << "Settings…" << "Einstellungen …";
    QTest::newRow("ellipsis character") << "german" << "Settings…" << "Einstellungen …";
    QTest::newRow("three full stops") << "german" << "Settings..." << "Settings...";
    QTest::newRow("case counts") << "german" << "settings…" << "settings…";
    QTest::newRow("two-space prefix") << "german" << "remove  WORK" << "entfernen  WORK";
    QTest::newRow("whole key") << "german" << "remove" << "entfernen";
    QTest::newRow("one space is no prefix") << "german" << "remove WORK" << "remove WORK";
    QTest::newRow("prefix alone") << "german" << "remove  " << "entfernen  ";
    QTest::newRow("rest stays untranslated") << "german" << "checked 10:42 · settings" << "geprüft 10:42 · settings";
    QTest::newRow("prefix without trailing space") << "german" << "Could not save notes.json" << "Konnte nicht speichern notes.json";
    QTest::newRow("whole key before prefix") << "german" << "Could not save the mail" << "Die Mail konnte nicht gespeichert werden";
    QTest::newRow("key names: english") << "" << "send  ctrl+↵" << "send  ctrl+↵";
    QTest::newRow("key names: german") << "german" << "ctrl+1–5 topic · ctrl+j hide" << "ctrl+1–5 thema · ctrl+j ausblenden";
    QTest::newRow("topic removal question") << "german" << "Remove the topic WORK?" << "Thema entfernen: WORK?";
    QTest::newRow("virustotal verdict kept") << "german" << "virustotal · 3 of 70 flag it" << "virustotal · 3 of 70 flag it";
    QTest::newRow("sender block") << "german" << "this sender  a@example.com" << "dieser absender  a@example.com";
    QTest::newRow("original not loaded") << "german" << "! could not load the original: closed" << "! original nicht geladen: closed";
    QTest::newRow("error text has no German") << "german" << "! could not log in: bad password" << "! could not log in: bad password";
    QTest::newRow("a subject") << "german" << "Re: lunch on Friday?" << "Re: lunch on Friday?";
    QTest::newRow("empty") << "german" << "" << "";
}

void L10nTest::loc()
{
    QFETCH(QString, language);
    QFETCH(QString, text);
    chooseLanguage(language);
    QTEST(::loc(text), "expected");
}

// The texts whose German is fixed, and the three around outside values.
void L10nTest::tableHoldsTheFixedTexts_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("german");
    const std::pair<const char*, const char*> fixed[] = {
        {"About LU.MARA", "Über LU.MARA"},
        {"Settings…", "Einstellungen …"},
        {"Hide LU.MARA", "LU.MARA ausblenden"},
        {"File", "Datei"},
        {"Open Mail…", "Mail öffnen …"},
        {"Save Mail as .eml…", "Mail als .eml sichern …"},
        {"Undo", "Rückgängig"},
        {"Paste", "Einfügen"},
        {"Select All", "Alles auswählen"},
        {"View", "Ansicht"},
        {"Light / Dark", "Hell / Dunkel"},
        {"Minimize", "Minimieren"},
        {"LU.MARA – play lu.pong", "LU.MARA – lu.pong spielen"},
        {"checking…", "rufe ab …"},
        {"checked …", "geprüft …"},
        {"hold ? for keys", "? halten für tasten"},
        {"1–5 file · x done · e entropy · t trust · 0 in · return open · r reply · f forward · p preview",
            "1–5 ablegen · x erledigt · e entropy · t vertrauen · 0 in · return öffnen · r antworten · f weiterleiten · p vorschau"},
        {"found in in, out and all drawers · return open · esc clears the search · p preview",
            "gefunden in in, out und allen schubladen · return öffnen · esc leert die suche · p vorschau"},
        {"→ entropy", "→ entropy"},
        {"trust sender (no e?)", "absender vertrauen (kein e?)"},
        {"‹ back", "‹ zurück"},
        {"Keep locked", "Gesperrt lassen"},
        {"Unlock anyway", "Trotzdem entsperren"},
        {" · can run code", " · kann code ausführen"},
        {"send  ctrl+↵", "senden  ctrl+↵"},
        {"ctrl+↵ send · you get 5 seconds to take it back", "ctrl+↵ senden · 5 sekunden zum zurückholen"},
        {"taken back. nothing was sent.", "zurückgeholt. nichts wurde gesendet."},
        {"! more than 20 mb – many mail servers refuse that", "! mehr als 20 mb – viele mailserver lehnen das ab"},
        {"Its note is deleted from this computer.", "Die Notiz wird von diesem Computer gelöscht."},
        {"number on icon", "zahl am symbol"},
        {"lu.pong sound", "lu.pong ton"},
        {"check every", "abrufen alle"},
        {"last 1000", "letzte 1000"},
        {"nothing · right-click a mail → block …", "nichts · rechtsklick auf eine mail → blockieren …"},
        {"on · key saved", "an · schlüssel gespeichert"},
        {"LU.MARA forgets this account and its password. Your mail stays on the server.",
            "LU.MARA vergisst dieses Konto und sein Passwort. Deine Mails bleiben auf dem Server."},
        {"designed & programmed", "gestaltet & programmiert"},
        {"click the square to show or hide an account · click a colour to give it another",
            "quadrat klicken: konto zeigen oder ausblenden · farbe klicken: andere farbe"},
        {"your name (shown to others)", "dein name (für andere sichtbar)"},
        {"checking the login over an encrypted connection…", "prüfe die anmeldung über eine verschlüsselte verbindung …"},
        {"! this account is already there", "! dieses konto gibt es schon"},
        {"key not accepted", "schlüssel abgelehnt"},
    };
    for (const auto& [english, german] : fixed)
        QTest::newRow(english) << QString::fromUtf8(english) << QString::fromUtf8(german);
    QTest::newRow("VirusTotal key placeholder") << "paste api key · " + L10n::virusTotalHost + " → api key"
                                                << "api-schlüssel einfügen · " + L10n::virusTotalHost + " → api key";
    QTest::newRow("credit line") << "designed & programmed by " + L10n::author << "gestaltet & programmiert von " + L10n::author;
    QTest::newRow("iCloud hint")
        << "iCloud: create an app-specific password at " + L10n::appleAccountHost
            + " → Sign-In and Security → App-Specific Passwords. Other providers: your mail password or their app password."
        << "iCloud: app-spezifisches passwort auf " + L10n::appleAccountHost
            + " → Anmelden und Sicherheit → App-spezifische Passwörter. Andere Anbieter: dein Mailpasswort oder deren App-Passwort.";
}

void L10nTest::tableHoldsTheFixedTexts()
{
    QFETCH(QString, english);
    QTEST(L10n::de().value(english), "german");
}

void L10nTest::tableFollowsTheHouseStyle()
{
    // A hash has no duplicates: a repeated key would shrink the table.
    QCOMPARE(L10n::de().size(), 158);
    const QRegularExpression otherDesktop(QStringLiteral("[⌘⌥⇧]|\\b[Mm]ac\\b|keychain|Dock"));
    const QRegularExpression lowerStart(QStringLiteral("^\\p{Ll}"));
    for (auto it = L10n::de().cbegin(); it != L10n::de().cend(); ++it) {
        const QString& english = it.key();
        const QString& german = it.value();
        QVERIFY2(!german.isEmpty(), qPrintable(english));
        QVERIFY2(!english.contains(u"...") && !german.contains(u"..."), qPrintable(english));
        // A space before every "…" in German, and lower case where the English is.
        QVERIFY2(!german.contains(QRegularExpression(QStringLiteral("\\S…"))), qPrintable(german));
        if (lowerStart.match(english).hasMatch())
            QVERIFY2(!german.contains(QRegularExpression(QStringLiteral("^\\p{Lu}"))), qPrintable(german));
        QCOMPARE(german.count(u"  "), english.count(u"  "));
        // Keys and places are named as on this desktop.
        QVERIFY2(!english.contains(otherDesktop) && !german.contains(otherDesktop), qPrintable(english));
    }
}

QTEST_MAIN(L10nTest)
#include "L10nTest.moc"
