#include "content/VirusTotal.h"
#include "core/Keychain.h"
#include "core/Prefs.h"
#include "support/KeyringSession.h"
#include "support/TemporaryHome.h"
#include "support/VirusTotalPeer.h"
#include "ui/look/Alerts.h"
#include "ui/look/Beep.h"
#include "ui/look/FileDialogs.h"
#include "ui/look/LULabel.h"
#include "ui/look/Opener.h"
#include "ui/main/AttachmentFiles.h"
#include "ui/main/AttachmentsView.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

MIME::Attachment file(const QString& name, const QByteArray& data = "some bytes", const QString& type = "application/octet-stream")
{
    return {name, type, data};
}

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

int modeOf(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// The widget of a row or picture now shown (replaced ones wait hidden for their deletion).
template <class T = QWidget>
T* shown(const AttachmentsView& view, const QString& name)
{
    for (T* widget : view.findChildren<T*>(name))
        if (!widget->isHidden())
            return widget;
    return nullptr;
}

QString rowText(const AttachmentsView& view, int index)
{
    const QWidget* row = shown(view, QStringLiteral("attachment%1").arg(index));
    return row ? row->findChild<LULabel*>(QStringLiteral("text"))->raw() : QStringLiteral("(no row)");
}

}  // namespace

// The attachment strip: names made safe, files that can run code, the private folder files open
// from, unlocking with its questions, pictures, and VirusTotal verdicts from a local stand-in.
class AttachmentsViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void canRunCode_data();
    void canRunCode();
    void fileName_data();
    void fileName();
    void openWritesIntoAPrivateFolder();
    void hostileSharedFolderBeeps_data();
    void hostileSharedFolderBeeps();
    void saveGoesThroughTheDialog();
    void unlockAsksFirst_data();
    void unlockAsksFirst();
    void pictures_data();
    void pictures();
    void withoutKeyNoVirusTotalText();
    void verdictsShowInTheRows();
    void flaggedFileAsksOnlyAboutVirusTotal();
    void verdictOfThePreviousMailIsDropped();

private:
    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    VirusTotalPeer m_virusTotal;
    QTemporaryDir m_temp;
    QList<Alert> m_alerts;
    int m_answer = 0;
    int m_beeps = 0;
    QList<QUrl> m_opened;
};

void AttachmentsViewTest::initTestCase()
{
    const QString keyring = m_keyring.start();
    QVERIFY2(keyring.isEmpty(), qPrintable(keyring));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    const QString peer = m_virusTotal.start();
    QVERIFY2(peer.isEmpty(), qPrintable(peer));
    VirusTotal::useServerForTesting(m_virusTotal.base(), {m_virusTotal.authority()});
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    Alerts::replace([this](const Alert& alert) {
        m_alerts << alert;
        return m_answer;
    });
    Beep::replace([this] { ++m_beeps; });
    Opener::replace([this](const QUrl& url) {
        m_opened << url;
        return true;
    });
}

void AttachmentsViewTest::init()
{
    Keychain::remove(QString::fromLatin1(VirusTotal::keyItem));
    m_alerts.clear();
    m_answer = 0;
    m_beeps = 0;
    m_opened.clear();
}

void AttachmentsViewTest::cleanup()
{
    FileDialogs::replace({});
}

void AttachmentsViewTest::canRunCode_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("code");
    QTest::newRow("exe in capitals after pdf") << "invoice.PDF.EXE" << true;
    QTest::newRow("no extension") << "README" << false;
    QTest::newRow("pdf") << "invoice.pdf" << false;
    QTest::newRow("picture") << "photo.jpeg" << false;
    QTest::newRow("svg") << "drawing.svg" << true;
    QTest::newRow("html") << "letter.htm" << true;
    QTest::newRow("macro document") << "budget.xlsm" << true;
    QTest::newRow("disk image") << "backup.img" << true;
    QTest::newRow("script") << "fix.sh" << true;
    QTest::newRow("desktop entry") << "Invoice.desktop" << true;
    QTest::newRow("AppImage") << "Tool-x86_64.AppImage" << true;
    QTest::newRow("package") << "update.deb" << true;
    QTest::newRow("installer") << "setup.run" << true;
    QTest::newRow("flatpak reference") << "app.flatpakref" << true;
    QTest::newRow("archive") << "photos.tar.gz" << false;
    QTest::newRow("exe hidden behind NUL") << QString::fromUtf16(u"evil.exe\0.pdf", 13) << true;
    QTest::newRow("exe hidden behind a line break") << "evil.exe\n.pdf" << true;
    QTest::newRow("pdf reversed by an override") << QString("evil\u202Efdp.exe") << true;
    QTest::newRow("exe made a folder") << "evil.exe/readme.txt" << false;
}

void AttachmentsViewTest::canRunCode()
{
    QFETCH(QString, name);
    QTEST(AttachmentFiles::canRunCode(name), "code");
}

void AttachmentsViewTest::fileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::newRow("slash and colon") << "a/b:c" << "a-b-c";
    QTest::newRow("empty") << "" << "attachment";
    QTest::newRow("dot") << "." << "attachment";
    QTest::newRow("dot dot") << ".." << "attachment";
    QTest::newRow("three dots stay") << "..." << "...";
    QTest::newRow("climbing out") << "../../.bashrc" << "..-..-.bashrc";
    QTest::newRow("NUL") << QString::fromUtf16(u"evil.exe\0.pdf", 13) << "evil.exe-.pdf";
    QTest::newRow("controls") << "tab\there\r\nend\x7f" << "tab-here--end-";
    QTest::newRow("direction override") << QString("photo\u202Egnp.exe") << "photo-gnp.exe";
    QTest::newRow("umlauts stay") << QString("Gr\u00fc\u00dfe.txt") << QString("Gr\u00fc\u00dfe.txt");
    QTest::newRow("long keeps its extension") << QString(300, u'x') + ".pdf" << QString(251, u'x') + ".pdf";
    QTest::newRow("long never splits a character") << QString(200, u'\u00fc') + ".pdf" << QString(125, u'\u00fc') + ".pdf";
    QTest::newRow("long extension is cut as a name") << "a." + QString(300, u'x') << "a." + QString(253, u'x');
}

void AttachmentsViewTest::fileName()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QCOMPARE(AttachmentFiles::fileName(name), written);
    QVERIFY(written.toUtf8().size() <= 255);
}

void AttachmentsViewTest::openWritesIntoAPrivateFolder()
{
    const QString shared = m_temp.filePath(QStringLiteral("LU.MARA"));
    QVERIFY(QDir().mkpath(shared));
    QVERIFY(QFile::setPermissions(shared, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    AttachmentsView view;
    view.set({file(QStringLiteral("a/b:c"), "first file"), file(QStringLiteral("notes.txt"), "second file")});
    view.open(0);
    QVERIFY(m_opened.isEmpty());  // locked
    view.unlock(0);
    view.unlock(1);
    view.open(0);
    view.open(1);
    view.open(1);
    QCOMPARE(m_beeps, 0);
    QCOMPARE(m_opened.size(), 3);
    QCOMPARE(modeOf(shared), 0700);
    QStringList folders;
    for (const QUrl& url : m_opened) {
        const QFileInfo written(url.toLocalFile());
        QCOMPARE(written.dir().absolutePath(), QDir(shared).absoluteFilePath(written.dir().dirName()));
        QCOMPARE(modeOf(written.absolutePath()), 0700);
        QCOMPARE(modeOf(written.absoluteFilePath()), 0600);
        folders << written.dir().dirName();
    }
    QCOMPARE(QFileInfo(m_opened[0].toLocalFile()).fileName(), QStringLiteral("a-b-c"));
    QFile second(m_opened[2].toLocalFile());
    QVERIFY(second.open(QIODevice::ReadOnly));
    QCOMPARE(second.readAll(), QByteArray("second file"));
    folders.removeDuplicates();
    QCOMPARE(folders.size(), 3);  // a fresh folder for every opening
}

void AttachmentsViewTest::hostileSharedFolderBeeps_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to another folder") << "link";
    QTest::newRow("another user's folder") << "owner";
    QTest::newRow("a file") << "file";
}

void AttachmentsViewTest::hostileSharedFolderBeeps()
{
    QFETCH(QString, kind);
    QTemporaryDir temp;
    const QString shared = temp.filePath(QStringLiteral("LU.MARA"));
    const QString elsewhere = temp.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    if (kind == u"link") {
        QVERIFY(QFile::link(elsewhere, shared));
    } else if (kind == u"owner") {
        QVERIFY(QDir().mkpath(shared));
        const passwd* nobody = ::getpwnam("nobody");
        QVERIFY(nobody);
        QVERIFY2(::chown(QFile::encodeName(shared).constData(), nobody->pw_uid, nobody->pw_gid) == 0, "needs to run as root");
    } else {
        QFile plain(shared);
        QVERIFY(plain.open(QIODevice::WriteOnly));
    }
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    AttachmentsView view;
    view.set({file(QStringLiteral("notes.txt"))});
    view.unlock(0);
    view.open(0);
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    QCOMPARE(m_beeps, 1);
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(QDir(elsewhere).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    if (kind == u"owner")
        QCOMPARE(QDir(shared).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void AttachmentsViewTest::saveGoesThroughTheDialog()
{
    const QString target = m_temp.filePath(QStringLiteral("saved.bin"));
    QString suggested;
    QString chosen = target;
    FileDialogs::replace([&](const FileRequest& request) {
        suggested = request.suggestedName;
        return QStringList{chosen};
    });
    AttachmentsView view;
    view.set({file(QStringLiteral("a/b:c"), "the bytes")});
    view.save(0);
    QVERIFY2(suggested.isEmpty() && !QFile::exists(target), "locked files are not saved");
    view.unlock(0);
    view.save(0);
    QCOMPARE(suggested, QStringLiteral("a-b-c"));
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("the bytes"));
    QCOMPARE(m_beeps, 0);

    chosen = m_temp.filePath(QStringLiteral("no/such/folder/saved.bin"));
    view.save(0);
    QCOMPARE(m_beeps, 1);  // not silent: the user would believe the file exists
}

void AttachmentsViewTest::unlockAsksFirst_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("unlocked");
    QTest::newRow("plain file unlocks at once") << "report.pdf" << 0 << false << true;
    QTest::newRow("program kept locked") << "tool.EXE" << 0 << true << false;
    QTest::newRow("program unlocked anyway") << "tool.EXE" << 1 << true << true;
    QTest::newRow("alert dismissed") << "setup.desktop" << -1 << true << false;
}

void AttachmentsViewTest::unlockAsksFirst()
{
    QFETCH(QString, name);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    m_answer = answer;
    AttachmentsView view;
    view.set({file(name)});
    QVERIFY(rowText(view, 0).startsWith(QStringLiteral("locked · ")));
    view.unlock(0);
    QCOMPARE(!m_alerts.isEmpty(), asked);
    QTEST(view.isUnlocked(0), "unlocked");
    if (asked) {
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts[0].style, Alert::Style::warning);
        QCOMPARE(m_alerts[0].message, name + QStringLiteral(" can run code on this computer."));
        QCOMPARE(m_alerts[0].informative, QStringLiteral("Only unlock it if you expected exactly this file from this sender."));
        QCOMPARE(m_alerts[0].buttons, (QStringList{"Keep locked", "Unlock anyway"}));
        QCOMPARE(m_alerts[0].escapeButton, 0);  // Escape keeps it locked too
        QVERIFY(rowText(view, 0).endsWith(QStringLiteral(" · can run code")));
    }
    QCOMPARE(rowText(view, 0).startsWith(QStringLiteral("locked · ")), !view.isUnlocked(0));
}

void AttachmentsViewTest::pictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("picture");  // none: no picture
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='40'><rect width='40' height='40'/></svg>";
    QTest::newRow("small png") << "dot.png" << "image/png" << png(40, 20) << QSize(40, 20);
    QTest::newRow("tall png scaled to 180") << "tall.png" << "image/png" << png(300, 600) << QSize(90, 180);
    QTest::newRow("svg never") << "drawing.svg" << "image/svg+xml" << svg << QSize();
    QTest::newRow("svg posing as png") << "cat.png" << "image/png" << svg << QSize();
    QTest::newRow("not an image type") << "dot.png" << "application/octet-stream" << png(40, 20) << QSize();
    QTest::newRow("broken image") << "dot.png" << "image/png" << QByteArray("\x89PNG broken") << QSize();
}

void AttachmentsViewTest::pictures()
{
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QByteArray, data);
    QFETCH(QSize, picture);
    m_answer = 1;
    AttachmentsView view;
    view.set({file(name, data, type)});
    QVERIFY(!shown<QLabel>(view, QStringLiteral("picture0")));
    view.unlock(0);
    QVERIFY(view.isUnlocked(0));
    QLabel* shownPicture = shown<QLabel>(view, QStringLiteral("picture0"));
    QCOMPARE(shownPicture ? shownPicture->size() : QSize(), picture);
    view.lock(0);
    QVERIFY(!shown<QLabel>(view, QStringLiteral("picture0")));
}

void AttachmentsViewTest::withoutKeyNoVirusTotalText()
{
    AttachmentsView view;
    view.set({file(QStringLiteral("a.pdf"), "no key 1"), file(QStringLiteral("b.exe"), "no key 2")});
    QTest::qWait(300);
    for (int i = 0; i < 2; ++i)
        QVERIFY2(!rowText(view, i).contains(QStringLiteral("virustotal")), qPrintable(rowText(view, i)));
    QVERIFY(!m_virusTotal.requested().contains(VirusTotalPeer::hash("no key 1")));
}

void AttachmentsViewTest::verdictsShowInTheRows()
{
    Keychain::set(QStringLiteral("test-key"), QString::fromLatin1(VirusTotal::keyItem));
    m_virusTotal.answerStats("rows clean", 0, 72);
    m_virusTotal.answer("rows limit", 429, "");
    AttachmentsView view;
    view.set({file(QStringLiteral("a.pdf"), "rows clean"), file(QStringLiteral("b.pdf"), "rows unknown"),
        file(QStringLiteral("c.pdf"), "rows limit")});
    QCOMPARE(rowText(view, 0), QStringLiteral("locked · a.pdf · 1 kb · virustotal …"));
    QTRY_COMPARE(rowText(view, 2), QStringLiteral("locked · c.pdf · 1 kb · virustotal · limit reached, try later"));
    QCOMPARE(rowText(view, 0), QStringLiteral("locked · a.pdf · 1 kb · virustotal 0/72 · clean"));
    QCOMPARE(rowText(view, 1), QStringLiteral("locked · b.pdf · 1 kb · virustotal · file not known"));
}

void AttachmentsViewTest::flaggedFileAsksOnlyAboutVirusTotal()
{
    Keychain::set(QStringLiteral("test-key"), QString::fromLatin1(VirusTotal::keyItem));
    m_virusTotal.answerStats("flagged program", 4, 72);
    AttachmentsView view;
    view.set({file(QStringLiteral("invoice.exe"), "flagged program")});
    QTRY_VERIFY(view.verdict(0));
    QCOMPARE(rowText(view, 0), QStringLiteral("locked · invoice.exe · 1 kb · can run code · virustotal 4/72 · FLAGGED"));

    m_answer = 0;
    view.unlock(0);
    QVERIFY(!view.isUnlocked(0));
    QCOMPARE(m_alerts.size(), 1);
    QCOMPARE(m_alerts[0].style, Alert::Style::critical);
    QCOMPARE(m_alerts[0].message, QStringLiteral("VirusTotal flags invoice.exe."));
    QCOMPARE(m_alerts[0].informative,
        QStringLiteral("virustotal 4/72 · FLAGGED\nSeveral virus scanners know this file as harmful. Better delete the mail."));
    QCOMPARE(m_alerts[0].buttons.value(0), QStringLiteral("Keep locked"));  // the default
    QCOMPARE(m_alerts[0].escapeButton, 0);

    m_alerts.clear();
    m_answer = 1;
    view.unlock(0);
    QVERIFY(view.isUnlocked(0));
    QCOMPARE(m_alerts.size(), 1);  // no second question about running code
}

void AttachmentsViewTest::verdictOfThePreviousMailIsDropped()
{
    Keychain::set(QStringLiteral("test-key"), QString::fromLatin1(VirusTotal::keyItem));
    m_virusTotal.answerStats("previous mail 1", 9, 72);
    m_virusTotal.answerStats("this mail", 0, 70);
    AttachmentsView view;
    view.set({file(QStringLiteral("old.pdf"), "previous mail 1"), file(QStringLiteral("old2.pdf"), "previous mail 2")});
    view.set({file(QStringLiteral("new.pdf"), "this mail")});
    QTRY_COMPARE(rowText(view, 0), QStringLiteral("locked · new.pdf · 1 kb · virustotal 0/70 · clean"));
    QTRY_VERIFY(m_virusTotal.requested().contains(VirusTotalPeer::hash("previous mail 1")));
    QTest::qWait(500);
    QCOMPARE(rowText(view, 0), QStringLiteral("locked · new.pdf · 1 kb · virustotal 0/70 · clean"));
    QCOMPARE(rowText(view, 1), QStringLiteral("(no row)"));
    QVERIFY(!view.verdict(1));
    QVERIFY2(!m_virusTotal.requested().contains(VirusTotalPeer::hash("previous mail 2")), "the old look-up went on");
}

QTEST_MAIN(AttachmentsViewTest)
#include "AttachmentsViewTest.moc"
