#include "ui/look/L10n.h"

#include "core/Prefs.h"

#include <utility>

QString L10n::virusTotalKeyPlaceholder()
{
    return QStringLiteral("paste api key · ") + virusTotalHost + QStringLiteral(" → api key");
}

QString L10n::creditLine()
{
    return QStringLiteral("designed & programmed by ") + author;
}

QString L10n::icloudHint()
{
    return QStringLiteral("iCloud: create an app-specific password at ") + appleAccountHost
        + QStringLiteral(" → Sign-In and Security → App-Specific Passwords. Other providers: your mail password or their app password.");
}

namespace {

using Pair = std::pair<const char16_t*, const char16_t*>;

// Grouped by where the texts appear.
const Pair pairs[] = {
    // Menu bar
    {u"About LU.MARA", u"Über LU.MARA"},
    {u"Settings…", u"Einstellungen …"},
    {u"Hide LU.MARA", u"LU.MARA ausblenden"},
    {u"Quit LU.MARA", u"LU.MARA beenden"},
    {u"File", u"Datei"},
    {u"New Mail", u"Neue Mail"},
    {u"Check Mail", u"Mails abrufen"},
    {u"Open Mail…", u"Mail öffnen …"},
    {u"Save Mail as .eml…", u"Mail als .eml sichern …"},
    {u"Add Account…", u"Konto hinzufügen …"},
    {u"Close Window", u"Fenster schließen"},
    {u"Edit", u"Bearbeiten"},
    {u"Undo", u"Rückgängig"},
    {u"Redo", u"Wiederholen"},
    {u"Cut", u"Ausschneiden"},
    {u"Copy", u"Kopieren"},
    {u"Paste", u"Einfügen"},
    {u"Select All", u"Alles auswählen"},
    {u"View", u"Ansicht"},
    {u"Light / Dark", u"Hell / Dunkel"},
    {u"Window", u"Fenster"},
    {u"Minimize", u"Minimieren"},
    {u"LU.MARA – play lu.pong", u"LU.MARA – lu.pong spielen"},
    // Main window and list
    {u"search", u"suchen"},
    {u"write", u"schreiben"},
    {u"check", u"abrufen"},
    {u"checking…", u"rufe ab …"},
    {u"checked …", u"geprüft …"},
    {u"hold ? for keys", u"? halten für tasten"},
    {u"nothing.", u"nichts."},
    {u"1–5 file · x done · e entropy · t trust · 0 in · return open · r reply · f forward · p preview",
        u"1–5 ablegen · x erledigt · e entropy · t vertrauen · 0 in · return öffnen · r antworten · f weiterleiten · p vorschau"},
    {u"everything you sent · return open · x hide · p preview",
        u"alles, was du gesendet hast · return öffnen · x ausblenden · p vorschau"},
    {u"found in in, out and all drawers · return open · esc clears the search · p preview",
        u"gefunden in in, out und allen schubladen · return öffnen · esc leert die suche · p vorschau"},
    {u"0 back to in · ctrl+a all · x delete · return open · p preview",
        u"0 zurück nach in · ctrl+a alle · x löschen · return öffnen · p vorschau"},
    {u"could not load the preview.", u"vorschau konnte nicht geladen werden."},
    {u"loading…", u"lade …"},
    {u"one mail row still fits above it", u"darüber passt noch eine mailzeile"},
    {u"open", u"öffnen"},
    {u"reply", u"antworten"},
    {u"forward", u"weiterleiten"},
    {u"save as .eml …", u"als .eml sichern …"},
    {u"block …", u"blockieren …"},
    {u"a server can carry mail of many senders – check the count",
        u"ein server kann mails vieler absender tragen – prüf die anzahl"},
    {u"to file", u"ablegen"},
    {u"done", u"erledigt"},
    {u"→ entropy", u"→ entropy"},
    {u"→ in", u"→ in"},
    {u"trust sender (no e?)", u"absender vertrauen (kein e?)"},
    {u"rename", u"umbenennen"},
    {u"remove", u"entfernen"},
    // Reader and attachments
    {u"‹ back", u"‹ zurück"},
    {u"unlock", u"entsperren"},
    {u"lock", u"sperren"},
    {u"save", u"speichern"},
    {u"Keep locked", u"Gesperrt lassen"},
    {u"Unlock anyway", u"Trotzdem entsperren"},
    {u"Only unlock it if you expected exactly this file from this sender.",
        u"Entsperre sie nur, wenn du genau diese Datei von diesem Absender erwartet hast."},
    {u" · can run code", u" · kann code ausführen"},
    {u" · virustotal …", u" · virustotal …"},
    // Compose and notes
    {u"from", u"von"},
    {u"to", u"an"},
    {u"cc", u"cc"},
    {u"bcc", u"bcc"},
    {u"subject", u"betreff"},
    {u"files", u"dateien"},
    {u"+ add", u"+ hinzufügen"},
    {u"add file …", u"datei hinzufügen …"},
    {u"copy, visible to all", u"kopie, für alle sichtbar"},
    {u"hidden copy", u"blindkopie"},
    {u"send  ctrl+↵", u"senden  ctrl+↵"},
    {u"sending…", u"sende …"},
    {u"sent.", u"gesendet."},
    {u"take back", u"zurückholen"},
    {u"taken back. nothing was sent.", u"zurückgeholt. nichts wurde gesendet."},
    {u"ctrl+↵ send · you get 5 seconds to take it back", u"ctrl+↵ senden · 5 sekunden zum zurückholen"},
    {u"ctrl+↵ send · you get 5 seconds to take it back · ctrl+shift+a or drop files to attach",
        u"ctrl+↵ senden · 5 sekunden zum zurückholen · ctrl+shift+a oder dateien hineinziehen zum anhängen"},
    {u"! who is it for?", u"! an wen geht die mail?"},
    {u"! more than 20 mb – many mail servers refuse that", u"! mehr als 20 mb – viele mailserver lehnen das ab"},
    {u"loading the mail to forward …", u"lade die mail zum weiterleiten …"},
    {u"inserted from notes · ctrl+z takes it back", u"aus den notizen eingefügt · ctrl+z nimmt es zurück"},
    {u"insert  alt+↵", u"einfügen  alt+↵"},
    {u"ctrl+1–5 topic · ctrl+j hide", u"ctrl+1–5 thema · ctrl+j ausblenden"},
    {u"+ new topic", u"+ neues thema"},
    {u"remove this topic", u"dieses thema entfernen"},
    {u"topic", u"thema"},
    {u"Its note is deleted from this computer.", u"Die Notiz wird von diesem Computer gelöscht."},
    {u"Remove", u"Entfernen"},
    {u"Cancel", u"Abbrechen"},
    // Settings
    {u"settings", u"einstellungen"},
    {u"appearance", u"darstellung"},
    {u"dark", u"dunkel"},
    {u"light", u"hell"},
    {u"notifications", u"benachrichtigungen"},
    {u"number on icon", u"zahl am symbol"},
    {u"on", u"an"},
    {u"off", u"aus"},
    {u"language", u"sprache"},
    {u"lu.pong sound", u"lu.pong ton"},
    {u"load", u"laden"},
    {u"list", u"liste"},
    {u"drum", u"trommel"},
    {u"flat", u"flach"},
    {u"last 300", u"letzte 300"},
    {u"last 1000", u"letzte 1000"},
    {u"all", u"alle"},
    {u"check every", u"abrufen alle"},
    {u"account", u"konto"},
    {u"add account", u"konto hinzufügen"},
    {u"+ add account", u"+ konto hinzufügen"},
    {u"blocked", u"blockiert"},
    {u"unblock", u"freigeben"},
    {u"nothing · right-click a mail → block …", u"nichts · rechtsklick auf eine mail → blockieren …"},
    {u"virustotal", u"virustotal"},
    {u"on · key saved", u"an · schlüssel gespeichert"},
    {u"remove key", u"schlüssel entfernen"},
    {u"LU.MARA forgets this account and its password. Your mail stays on the server.",
        u"LU.MARA vergisst dieses Konto und sein Passwort. Deine Mails bleiben auf dem Server."},
    {u"restart LU.MARA to switch everything", u"starte LU.MARA neu, um alles umzustellen"},
    {u"restart now", u"jetzt neu starten"},
    {u"name", u"name"},
    {u"your name (shown to others)", u"dein name (für andere sichtbar)"},
    {u"address", u"adresse"},
    {u"designed & programmed", u"gestaltet & programmiert"},
    // Help menu and sidebar
    {u"new mail", u"neue mail"},
    {u"wrench", u"schraubenschlüssel"},
    {u"Help", u"Hilfe"},
    {u"Keys", u"Tasten"},
    {u"file into drawer 1–5", u"in schublade 1–5 ablegen"},
    {u"to entropy", u"nach entropy"},
    {u"back to in", u"zurück nach in"},
    {u"trust sender", u"absender vertrauen"},
    {u"preview on / off", u"vorschau an / aus"},
    {u"click the logo", u"aufs logo klicken"},
    {u"show the keys here", u"tasten hier zeigen"},
    {u"hold ?", u"? halten"},
    {u"colour", u"farbe"},
    {u"click the square to show or hide an account · click a colour to give it another",
        u"quadrat klicken: konto zeigen oder ausblenden · farbe klicken: andere farbe"},
    {u"addresses", u"adressen"},
    {u"domains", u"domains"},
    {u"ips", u"ips"},
    // Add-account window
    {u"password", u"passwort"},
    {u"app-specific password", u"app-spezifisches passwort"},
    {u"imap server", u"imap-server"},
    {u"imap port", u"imap-port"},
    {u"smtp server", u"smtp-server"},
    {u"smtp port", u"smtp-port"},
    {u"connect", u"verbinden"},
    {u"connecting…", u"verbinde …"},
    {u"checking the login over an encrypted connection…", u"prüfe die anmeldung über eine verschlüsselte verbindung …"},
    {u"✓ connected", u"✓ verbunden"},
    {u"! address and password, please", u"! adresse und passwort, bitte"},
    {u"! this account is already there", u"! dieses konto gibt es schon"},
    // VirusTotal results
    {u"key not accepted", u"schlüssel abgelehnt"},
    {u"limit reached, try later", u"limit erreicht, versuch es später"},
    {u"offline", u"offline"},
    // Through the prefix table alone this alert title would come out half English.
    {u"Could not save the mail", u"Die Mail konnte nicht gespeichert werden"},
};

QHash<QString, QString> buildGerman()
{
    QHash<QString, QString> table;
    for (const auto& [english, german] : pairs)
        table.insert(QString::fromUtf16(english), QString::fromUtf16(german));
    // The three texts around outside values keep the value in place.
    table.insert(L10n::virusTotalKeyPlaceholder(),
        QStringLiteral("api-schlüssel einfügen · ") + L10n::virusTotalHost + QStringLiteral(" → api key"));
    table.insert(L10n::creditLine(), QStringLiteral("gestaltet & programmiert von ") + L10n::author);
    table.insert(L10n::icloudHint(), QStringLiteral("iCloud: app-spezifisches passwort auf ") + L10n::appleAccountHost
            + QStringLiteral(" → Anmelden und Sicherheit → App-spezifische Passwörter. Andere Anbieter: dein Mailpasswort oder deren App-Passwort."));
    return table;
}

}

const QHash<QString, QString>& L10n::de()
{
    static const QHash<QString, QString> table = buildGerman();
    return table;
}

const QList<L10n::Prefix>& L10n::prefixes()
{
    // Several prefixes end in two spaces; they belong to the prefix.
    static const QList<Prefix> table = {
        {QStringLiteral("checked "), QStringLiteral("geprüft ")},
        {QStringLiteral("locked · "), QStringLiteral("gesperrt · ")},
        {QStringLiteral("this sender  "), QStringLiteral("dieser absender  ")},
        {QStringLiteral("whole domain  "), QStringLiteral("ganze domain  ")},
        {QStringLiteral("sending server  "), QStringLiteral("sendender server  ")},
        {QStringLiteral("remove  "), QStringLiteral("entfernen  ")},
        {QStringLiteral("Remove the topic "), QStringLiteral("Thema entfernen: ")},
        {QStringLiteral("VirusTotal flags "), QStringLiteral("VirusTotal warnt vor ")},
        {QStringLiteral("virustotal · "), QStringLiteral("virustotal · ")},
        {QStringLiteral("! could not load the original: "), QStringLiteral("! original nicht geladen: ")},
        {QStringLiteral("Could not save"), QStringLiteral("Konnte nicht speichern")},
    };
    return table;
}

QString loc(const QString& text)
{
    if (!Prefs::shared().german())
        return text;
    const QHash<QString, QString>& german = L10n::de();
    if (const auto found = german.constFind(text); found != german.cend())
        return *found;
    for (const L10n::Prefix& prefix : L10n::prefixes()) {
        if (text.startsWith(prefix.english))
            return prefix.german + text.sliced(prefix.english.size());
    }
    return text;
}
