#include "core/MailStore.h"
#include "core/Prefs.h"
#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/look/Beep.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/Opener.h"
#include "ui/look/Theme.h"
#include "ui/main/AttachmentsView.h"
#include "ui/main/ReaderTextView.h"
#include "ui/main/ReaderView.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

MailItem mail(const QString& subject = QStringLiteral("hello"))
{
    MailItem item;
    item.accountID = QStringLiteral("ACC-GONE");
    item.uid = 7;
    item.messageID = QStringLiteral("<reader@test>");
    item.fromName = QStringLiteral("Ada");
    item.fromEmail = QStringLiteral("ada@example.org");
    item.subject = subject;
    item.date = QDateTime(QDate(2024, 3, 5), QTime(14, 7), Qt::LocalTime);
    return item;
}

// Where a piece of the shown text lies in the text view's viewport.
QPoint pointOf(ReaderTextView* view, const QString& piece)
{
    const int at = int(view->document()->toPlainText().indexOf(piece));
    QTextCursor cursor(view->document());
    cursor.setPosition(at + 1);
    return view->cursorRect(cursor).center();
}

// Counts key presses that the text view let pass on to the reader.
class KeyWitness : public QObject {
public:
    QList<int> passed;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            passed << static_cast<QKeyEvent*>(event)->key();
        return false;
    }
};

}  // namespace

// The reader offscreen: header, text and links, keys, and a body that cannot load (the mail's
// account does not exist here).
class ReaderViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void header_data();
    void header();
    void keys_data();
    void keys();
    void copyWithCtrlC();
    void textIsShownAsItsCharacters();
    void linksOpenOnlyOnTheWeb();
    void failedLoadLeavesTheReaderUsable();
    void drawerHoldingTheMailIsSelected();
    void newLookRedrawsWithoutLoading();
    void layout_data();
    void layout();
    void stripGrowsWithItsRows();

private:
    TemporaryHome m_home;
    QList<QUrl> m_opened;
};

void ReaderViewTest::initTestCase()
{
    Beep::replace([] {});
    Opener::replace([this](const QUrl& url) {
        m_opened << url;
        return true;
    });
    Prefs::shared().setAccounts({{"ACC-1", "mara@icloud.com", "Mara", "imap.mail.me.com", 993, "mara", "smtp.mail.me.com", 587,
                                  "mara@icloud.com"}});
    Prefs::shared().setDrawerNames({"Work", "TAXES", "Later", "Travel", "Family"});
}

void ReaderViewTest::init()
{
    m_opened.clear();
    Screen::useLook(false);
}

void ReaderViewTest::header_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("fromName");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("shownSubject");
    QTest::addColumn<QString>("meta");
    QTest::newRow("name and account") << "hello" << "Ada" << "ACC-1" << "hello"
                                      << "Ada <ada@example.org> · 05.03.2024 14:07 · icloud";
    QTest::newRow("no name") << "hello" << "" << "ACC-1" << "hello" << "ada@example.org · 05.03.2024 14:07 · icloud";
    QTest::newRow("account removed") << "hello" << "Ada" << "ACC-GONE" << "hello"
                                     << "Ada <ada@example.org> · 05.03.2024 14:07 · ";
    QTest::newRow("no subject") << "" << "Ada" << "ACC-1" << "(no subject)"
                                << "Ada <ada@example.org> · 05.03.2024 14:07 · icloud";
}

void ReaderViewTest::header()
{
    QFETCH(QString, subject);
    QFETCH(QString, fromName);
    QFETCH(QString, account);
    MailItem item = mail(subject);
    item.fromName = fromName;
    item.accountID = account;
    ReaderView reader(item);
    QTEST(reader.subject()->raw(), "shownSubject");
    QTEST(reader.meta()->raw(), "meta");
}

void ReaderViewTest::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reported");  // what the reader asked its owner to do
    QTest::addColumn<bool>("passesOn");     // the key went on past the text view

    const int none = Qt::NoModifier;
    QTest::newRow("escape") << int(Qt::Key_Escape) << none << "" << "back" << false;
    QTest::newRow("r") << int(Qt::Key_R) << none << "r" << "reply" << false;
    QTest::newRow("shift R") << int(Qt::Key_R) << int(Qt::ShiftModifier) << "R" << "reply" << false;
    QTest::newRow("f") << int(Qt::Key_F) << none << "f" << "forward" << false;
    QTest::newRow("x") << int(Qt::Key_X) << none << "x" << "done" << false;
    QTest::newRow("e") << int(Qt::Key_E) << none << "e" << "scam" << false;
    QTest::newRow("0") << int(Qt::Key_0) << none << "0" << "assign 0" << false;
    QTest::newRow("3") << int(Qt::Key_3) << none << "3" << "assign 3" << false;
    QTest::newRow("5") << int(Qt::Key_5) << none << "5" << "assign 5" << false;
    QTest::newRow("6 does nothing") << int(Qt::Key_6) << none << "6" << "" << false;
    QTest::newRow("7 does nothing") << int(Qt::Key_7) << none << "7" << "" << false;
    QTest::newRow("ctrl r is not reply") << int(Qt::Key_R) << int(Qt::ControlModifier) << "r" << "" << true;
    QTest::newRow("alt 3 is not a drawer") << int(Qt::Key_3) << int(Qt::AltModifier) << "3" << "" << true;
    QTest::newRow("other letter") << int(Qt::Key_Q) << none << "q" << "" << true;
}

void ReaderViewTest::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    ReaderView reader(mail());
    QStringList reported;
    reader.onBack = [&] { reported << "back"; };
    reader.onReply = [&](const std::optional<QString>&) { reported << "reply"; };
    reader.onForward = [&] { reported << "forward"; };
    reader.onDone = [&] { reported << "done"; };
    reader.onScam = [&] { reported << "scam"; };
    reader.onAssign = [&](int view) { reported << QStringLiteral("assign %1").arg(view); };
    KeyWitness witness;
    reader.installEventFilter(&witness);
    reader.resize(900, 600);
    reader.show();
    const QString before = reader.textView()->toPlainText();
    QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QApplication::sendEvent(reader.textView(), &press);
    QTEST(reported.join(u','), "reported");
    QTEST(!witness.passed.isEmpty(), "passesOn");
    QCOMPARE(reader.textView()->toPlainText(), before);

    // Listed keys count as handled even with nobody listening.
    ReaderView bare(mail());
    QKeyEvent again(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QApplication::sendEvent(bare.textView(), &again);
    QFETCH(bool, passesOn);
    QCOMPARE(again.isAccepted(), !passesOn);
}

void ReaderViewTest::copyWithCtrlC()
{
    ReaderView reader(mail());
    reader.resize(900, 600);
    reader.show();
    reader.showText(QStringLiteral("copy this line\nand not this one"), false);
    QTextCursor cursor(reader.textView()->document());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    reader.textView()->setTextCursor(cursor);
    QApplication::clipboard()->clear();
    QTest::keyClick(reader.textView(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("copy this line"));
}

void ReaderViewTest::textIsShownAsItsCharacters()
{
    const QString text = QStringLiteral("<b>bold</b> &amp; <a href=\"file:///etc/passwd\">here</a> <img src=x onerror=alert(1)>\n"
                                        "\u202Efdp.exe and <script>alert(1)</script>");
    ReaderView reader(mail());
    reader.resize(900, 600);
    reader.show();
    reader.showText(text, false);
    QCOMPARE(reader.textView()->document()->toPlainText(), text);
    QCOMPARE(reader.textView()->document()->blockCount(), 2);
    QCOMPARE(reader.textView()->anchorAt(pointOf(reader.textView(), QStringLiteral("here"))), QString());
}

void ReaderViewTest::linksOpenOnlyOnTheWeb()
{
    ReaderView reader(mail());
    reader.resize(900, 600);
    reader.show();
    reader.showText(QStringLiteral("read https://example.com/a?b=c, not file:///etc/passwd"), false);
    ReaderTextView* view = reader.textView();
    const QPoint link = pointOf(view, QStringLiteral("example.com"));
    QCOMPARE(view->anchorAt(link), QStringLiteral("https://example.com/a?b=c"));
    QCOMPARE(view->anchorAt(pointOf(view, QStringLiteral("passwd"))), QString());
    QTest::mouseMove(view->viewport(), link);
    QCOMPARE(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, link);
    QCOMPARE(m_opened, QList<QUrl>{QUrl("https://example.com/a?b=c")});

    // Whatever else asks the text to open an address, only web addresses leave.
    for (const char* other : {"file:///etc/passwd", "javascript:alert(1)", "data:text/html,x", "mailto:a@example.com"})
        Q_EMIT view->anchorClicked(QUrl(QString::fromLatin1(other)));
    Q_EMIT view->anchorClicked(QUrl("http://example.org/"));
    QCOMPARE(m_opened, (QList<QUrl>{QUrl("https://example.com/a?b=c"), QUrl("http://example.org/")}));
}

void ReaderViewTest::failedLoadLeavesTheReaderUsable()
{
    ReaderView reader(mail());
    QTRY_VERIFY(reader.shownText().startsWith(QStringLiteral("could not load this mail.\n")));
    QVERIFY(reader.shownText().size() > QStringLiteral("could not load this mail.\n").size());  // and why
    QVERIFY(reader.shownDim());
    QVERIFY(!reader.loadedText());
    QVERIFY(reader.attachments()->items().isEmpty());
    QStringList reported;
    reader.onBack = [&] { reported << "back"; };
    reader.onReply = [&](const std::optional<QString>& quoted) { reported << (quoted ? "reply with text" : "reply"); };
    for (LUButton* button : reader.findChildren<LUButton*>())
        if (button->title() == u"‹ back" || button->title() == u"reply")
            button->press();
    QCOMPARE(reported, (QStringList{"back", "reply"}));
}

void ReaderViewTest::drawerHoldingTheMailIsSelected()
{
    const MailItem item = mail();
    MailStore::shared().assign(item, 2);
    ReaderView reader(item);
    QStringList titles;
    QList<bool> selected;
    for (const LUButton* button : reader.drawerButtons()) {
        titles << button->title();
        selected << button->selected();
    }
    QCOMPARE(titles, (QStringList{"1 work", "2 taxes", "3 later", "4 travel", "5 family"}));
    QCOMPARE(selected, (QList<bool>{false, true, false, false, false}));
    MailStore::shared().assign(item, 0);
}

void ReaderViewTest::newLookRedrawsWithoutLoading()
{
    ReaderView reader(mail());
    reader.resize(900, 600);
    reader.show();
    QTRY_VERIFY(reader.shownText().startsWith(QStringLiteral("could not")));
    const QString text = QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMM https://example.com/MMMMMMMMMMMM");
    reader.showText(text, false);
    const QRect area(reader.textView()->mapTo(&reader, QPoint()), reader.textView()->size());
    const int light = Screen::inkPixels(Screen::render(reader).copy(area));
    QVERIFY(light > 200);
    Screen::useLook(true);
    QCOMPARE(reader.shownText(), text);
    QCOMPARE(reader.textView()->toPlainText(), text);
    const int dark = Screen::inkPixels(Screen::render(reader).copy(area));
    QVERIFY2(dark > light / 2, qPrintable(QStringLiteral("%1 ink pixels after %2").arg(dark).arg(light)));
}

void ReaderViewTest::layout_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("textWidth");
    QTest::newRow("narrow") << 700 << 620;
    QTest::newRow("wide") << 1400 << 900;
}

void ReaderViewTest::layout()
{
    QFETCH(int, width);
    ReaderView reader(mail());
    reader.resize(width, 600);
    reader.show();
    const QWidget* bar = reader.findChild<QWidget*>(QStringLiteral("actionBar"));
    QCOMPARE(bar->pos(), QPoint(44, 24));
    QCOMPARE(reader.subject()->geometry().top(), bar->geometry().bottom() + 1 + 26);
    QCOMPARE(reader.meta()->geometry().top(), reader.subject()->geometry().bottom() + 1 + 10);
    const QWidget* scroll = reader.findChild<QWidget*>(QStringLiteral("scroll"));
    QCOMPARE(scroll->x(), 44);
    QTEST(scroll->width(), "textWidth");
    QCOMPARE(reader.textView()->geometry(), scroll->rect());
    QCOMPARE(reader.attachments()->geometry().bottom() + 1, 600 - 18);
    QCOMPARE(scroll->geometry().bottom() + 1, reader.attachments()->y() - 10);
}

void ReaderViewTest::stripGrowsWithItsRows()
{
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    ReaderView reader(mail());
    reader.resize(900, 600);
    reader.show();
    AttachmentsView* strip = reader.attachments();
    const QWidget* scroll = reader.findChild<QWidget*>(QStringLiteral("scroll"));
    QCOMPARE(strip->height(), 0);
    strip->set({{QStringLiteral("chart.png"), QStringLiteral("image/png"), png}, {QStringLiteral("notes.txt"), QStringLiteral("text/plain"), "x"}});
    const int rows = strip->height();
    QVERIFY2(rows >= 2 * 12, qPrintable(QString::number(rows)));
    QCOMPARE(strip->geometry().bottom() + 1, 600 - 18);
    QCOMPARE(scroll->geometry().bottom() + 1, strip->y() - 10);
    strip->unlock(0);
    QCOMPARE(strip->height(), rows + 8 + 40);  // the picture under its row
    QCOMPARE(scroll->geometry().bottom() + 1, strip->y() - 10);
    QVERIFY(strip->findChild<QLabel*>(QStringLiteral("picture0"))->isVisible());
}

QTEST_MAIN(ReaderViewTest)
#include "ReaderViewTest.moc"
