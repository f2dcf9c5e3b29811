#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/look/ClosureMenuItem.h"
#include "ui/look/FieldRow.h"
#include "ui/look/FieldUnderline.h"
#include "ui/look/GroundView.h"
#include "ui/look/IconButton.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUSecureField.h"
#include "ui/look/Theme.h"

#include <QMenu>
#include <QTest>

class LookAndLanguageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void switchingTheLookRecolours();
    void switchingTheLanguageRetitles();
    void mailDataIsPlainText_data();
    void mailDataIsPlainText();
    void menuItemHasNoMnemonic();
    void labelElidesItsLastLine_data();
    void labelElidesItsLastLine();
    void fieldGeometry();

private:
    TemporaryHome m_home;
};

namespace {

// A small screen as a window would hold it: widgets made once, never rebuilt by the test.
struct Screenful {
    GroundView ground;
    LULabel* label = new LULabel(QStringLiteral("hold ? for keys"), 13, false, 0, 1, &ground);
    LUField* field = new LUField(QStringLiteral("search"), &ground);
    IconButton* icon = new IconButton(QStringLiteral("wrench.adjustable"), QStringLiteral("settings"), {}, &ground);
    LUButton* button = new LUButton(QStringLiteral("Settings…"), 13, true, {}, &ground);

    Screenful()
    {
        ground.resize(300, 160);
        label->setGeometry(10, 10, 280, 20);
        field->setGeometry(10, 40, 280, 24);
        icon->move(10, 80);
        button->move(10, 120);
        button->resize(button->sizeHint());
    }
};

QImage part(QWidget& widget)
{
    return Screen::render(widget, 2);
}

}  // namespace

void LookAndLanguageTest::init()
{
    Screen::useLanguage(false);
    Screen::useLook(true);
}

void LookAndLanguageTest::switchingTheLookRecolours()
{
    Screenful screen;
    screen.ground.show();
    QList<std::pair<QWidget*, int>> before;
    for (QWidget* widget : std::initializer_list<QWidget*>{screen.label, screen.field, screen.icon})
        before.append({widget, Screen::inkPixels(part(*widget))});
    QCOMPARE(screen.label->palette().color(QPalette::WindowText), Theme::cBBB);
    Screen::useLook(false);
    QCOMPARE(screen.label->palette().color(QPalette::WindowText), Theme::c222);
    QCOMPARE(screen.field->palette().color(QPalette::Text), Theme::c222);
    // The same marks, all in the new ink: nothing kept the old colour.
    for (const auto& [widget, inkBefore] : before) {
        QVERIFY2(inkBefore > 10, widget->metaObject()->className());
        QCOMPARE(Screen::inkPixels(part(*widget)), inkBefore);
    }
}

void LookAndLanguageTest::switchingTheLanguageRetitles()
{
    Screenful screen;
    const int englishWidth = screen.button->sizeHint().width();
    Screen::useLanguage(true);
    QCOMPARE(screen.label->text(), QStringLiteral("? halten für tasten"));
    QCOMPARE(screen.label->raw(), QStringLiteral("hold ? for keys"));
    QCOMPARE(screen.field->accessibleDescription(), QStringLiteral("suchen"));
    QCOMPARE(QAccessible::queryAccessibleInterface(screen.button)->text(QAccessible::Name), QStringLiteral("Einstellungen …"));
    // "Einstellungen …" is six characters longer than "Settings…".
    const qreal charWidth = QFontMetricsF(Theme::font(13)).horizontalAdvance(u'x');
    QVERIFY(std::abs(screen.button->sizeHint().width() - englishWidth - 6 * charWidth) <= 1);
    Screen::useLanguage(false);
    QCOMPARE(screen.label->text(), QStringLiteral("hold ? for keys"));
    QCOMPARE(screen.button->sizeHint().width(), englishWidth);
}

void LookAndLanguageTest::mailDataIsPlainText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("markup") << "<b>x</b>";
    QTest::newRow("mnemonic") << "&File";
    QTest::newRow("entity") << "&amp; &lt;";
}

void LookAndLanguageTest::mailDataIsPlainText()
{
    QFETCH(QString, text);
    LULabel label(text, 13);
    label.resize(400, 20);
    QCOMPARE(label.text(), text);
    QCOMPARE(label.textFormat(), Qt::PlainText);
    // Every character is drawn: the ink reaches as far as the whole text does.
    const QImage image = Screen::render(label);
    int right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!Screen::isGround(image.pixelColor(x, y)))
                right = std::max(right, x);
    const int charWidth = QFontMetrics(label.font()).horizontalAdvance(u'x');
    QVERIFY2(right >= (text.size() - 1) * charWidth, qPrintable(QString::number(right)));
}

void LookAndLanguageTest::menuItemHasNoMnemonic()
{
    int runs = 0;
    QMenu menu;
    auto* item = new ClosureMenuItem(QStringLiteral("Tom &Jerry"), [&] { ++runs; }, &menu);
    menu.addAction(item);
    QCOMPARE(item->text(), QStringLiteral("Tom &&Jerry"));
    QVERIFY(item->shortcut().isEmpty());
    menu.show();
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QTest::keyClick(&menu, Qt::Key_J);
    QCOMPARE(runs, 0);
    item->trigger();
    QCOMPARE(runs, 1);
}

void LookAndLanguageTest::labelElidesItsLastLine_data()
{
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("elided");
    const QString longText = QStringLiteral("passwords stay in your keyring · mail is only read on this computer · esc goes back");
    QTest::newRow("one line") << 1 << longText << 1 << true;
    QTest::newRow("three lines") << 3 << longText << 3 << true;
    QTest::newRow("fits in three") << 3 << QStringLiteral("short one") << 1 << false;
    QTest::newRow("line break kept") << 3 << QStringLiteral("first\nsecond") << 2 << false;
}

void LookAndLanguageTest::labelElidesItsLastLine()
{
    QFETCH(int, maxLines);
    QFETCH(QString, text);
    LULabel label(text, 13, false, 0, maxLines);
    const int width = 20 * QFontMetrics(label.font()).horizontalAdvance(u'x');
    label.resize(width, 200);
    label.show();
    const QStringList shown = label.text().split(u'\n');
    QTEST(int(shown.size()), "lines");
    QTEST(shown.last().endsWith(u'…'), "elided");
    for (const QString& line : shown)
        QVERIFY2(QFontMetricsF(label.font()).horizontalAdvance(line) <= width, qPrintable(line));
    QCOMPARE(label.raw(), text);
}

void LookAndLanguageTest::fieldGeometry()
{
    auto* field = new LUField(QStringLiteral("to"));
    FieldUnderline underline(field, 40);
    QCOMPARE(underline.sizeHint(), QSize(80, 26));
    underline.resize(200, 26);
    underline.show();
    QCOMPARE(field->width(), 200);
    QCOMPARE(field->geometry().center().y(), 26 / 2 - 2);
    const QImage image = Screen::render(underline);
    QCOMPARE(Screen::inkRunsInRow(image, 25), (QList<int>{200}));

    auto* secure = new LUSecureField(QStringLiteral("password"));
    secure->setFaint(true);
    QVERIFY(!secure->faint());
    QCOMPARE(secure->echoMode(), QLineEdit::Password);
    FieldRow row(QStringLiteral("password"), secure, 120);
    row.resize(400, 34);
    row.show();
    QCOMPARE(row.height(), 34);
    QCOMPARE(row.label()->width(), 120);
    QCOMPARE(secure->x(), 128);
    QCOMPARE(secure->width(), 400 - 128);
    QCOMPARE(Screen::inkRunsInRow(Screen::render(row), 33).mid(0, 4), (QList<int>{3, 3, 3, 3}));
}

QTEST_MAIN(LookAndLanguageTest)
#include "LookAndLanguageTest.moc"
