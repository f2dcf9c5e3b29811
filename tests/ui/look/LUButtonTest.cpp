#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/look/LUButton.h"
#include "ui/look/MailDrag.h"
#include "ui/look/Theme.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <optional>

class LUButtonTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void barMark_data();
    void barMark();
    void underline_data();
    void underline();
    void turnedTitle();
    void barMarkWidensBy();
    void doubleClick();
    void dropsEveryMailInOrder();
    void dropNeedsHandlerAndMail();
    void accessibleAsAButton();
    void contextMenuOnSecondaryClick();

private:
    TemporaryHome m_home;
};

namespace {

// Left-most ink column at or right of fromX, in device pixels, over the title's rows.
int firstInkColumn(const QImage& image, int fromX)
{
    for (int x = fromX; x < image.width(); ++x)
        for (int y = 0; y < image.height() - 2; ++y)
            if (Screen::isInk(image.pixelColor(x, y)))
                return x;
    return -1;
}

QRect inkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Screen::isInk(image.pixelColor(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}


void sendDrag(QWidget& target, QEvent::Type type, QMimeData* data)
{
    if (type == QEvent::DragLeave) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(&target, &leave);
        return;
    }
    if (type == QEvent::DragEnter) {
        QDragEnterEvent enter(QPoint(2, 2), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &enter);
        return;
    }
    QDropEvent drop(QPointF(2, 2), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
}

}  // namespace

void LUButtonTest::barMark_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<qreal>("ratio");
    for (const bool selected : {true, false})
        for (const bool dark : {true, false})
            for (const qreal ratio : {1.0, 2.0})
                QTest::addRow("%s %s @%gx", selected ? "selected" : "idle", dark ? "dark" : "light", ratio) << selected << dark << ratio;
}

// The square at (0, 2) sized by the mark, only when selected; the title at mark + 12 either way.
void LUButtonTest::barMark()
{
    QFETCH(bool, selected);
    QFETCH(bool, dark);
    QFETCH(qreal, ratio);
    Screen::useLook(dark);
    LUButton button(QStringLiteral("HH"));
    button.setBarMark(12.5);
    button.setSelected(selected);
    button.resize(button.sizeHint());
    const QImage image = Screen::render(button, ratio);

    QCOMPARE(Screen::isInk(Screen::pixel(image, {1, 3})), selected);
    QCOMPARE(Screen::isInk(Screen::pixel(image, {11.5, 13.5})), selected);
    QVERIFY(!Screen::isInk(Screen::pixel(image, {6, 1.4})));   // above the square
    QVERIFY(!Screen::isInk(Screen::pixel(image, {13, 8})));    // right of it
    const int titleStart = firstInkColumn(image, int(13 * ratio));
    QVERIFY2(titleStart >= int(24.5 * ratio) && titleStart <= int(26.5 * ratio), qPrintable(QString::number(titleStart)));
    // No underline with a bar mark, even when selected.
    QCOMPARE(Screen::inkRunsInRow(image, image.height() - 1), (QList<int>{0, image.width()}));
}

void LUButtonTest::underline_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("always");
    QTest::addColumn<bool>("hoverWithHandler");
    QTest::addColumn<bool>("underlined");
    QTest::addColumn<qreal>("ratio");
    for (const qreal ratio : {1.0, 2.0}) {
        QTest::addRow("idle @%gx", ratio) << false << false << false << false << ratio;
        QTest::addRow("selected @%gx", ratio) << true << false << false << true << ratio;
        QTest::addRow("always underlined @%gx", ratio) << false << true << false << true << ratio;
        QTest::addRow("mail drag hovering @%gx", ratio) << false << false << true << true << ratio;
    }
}

// A dashed line 3 on 3 off along the bottom, 1 px thick, from the left edge.
void LUButtonTest::underline()
{
    QFETCH(bool, selected);
    QFETCH(bool, always);
    QFETCH(bool, hoverWithHandler);
    QFETCH(bool, underlined);
    QFETCH(qreal, ratio);
    Screen::useLook(true);
    LUButton button(QStringLiteral("inbox"), 13, always);
    button.setSelected(selected);
    if (hoverWithHandler) {
        button.setOnDrop([](const QString&) {});
        std::unique_ptr<QMimeData> data(MailDrag::make({QStringLiteral("a|b|c")}));
        sendDrag(button, QEvent::DragEnter, data.get());
    }
    button.resize(80, button.sizeHint().height());
    const QImage image = Screen::render(button, ratio);
    const QList<int> bottom = Screen::inkRunsInRow(image, image.height() - 1);
    if (!underlined) {
        QCOMPARE(bottom, (QList<int>{0, image.width()}));
        return;
    }
    const int dash = int(3 * ratio);
    QCOMPARE(bottom.mid(0, 6), (QList<int>{dash, dash, dash, dash, dash, dash}));
    // One pixel thick at 1x: the row above holds nothing of the line.
    if (ratio == 1.0)
        QVERIFY(!Screen::isInk(image.pixelColor(1, image.height() - 2)));
}

void LUButtonTest::turnedTitle()
{
    Screen::useLook(false);
    LUButton button(QStringLiteral("HHHHHHHH"));
    button.setBarMark(10);
    button.resize(button.sizeHint() + QSize(0, 80));
    const int titleX = 22 + 1;
    const auto titleInk = [&] {
        QImage image = Screen::render(button);
        return inkBounds(image.copy(titleX, 0, image.width() - titleX, image.height()));
    };
    const QRect level = titleInk();
    button.setTitleTurn(90);
    const QRect turned = titleInk();
    QVERIFY2(level.width() > 3 * level.height(), qPrintable(QStringLiteral("%1x%2").arg(level.width()).arg(level.height())));
    QVERIFY2(turned.height() > 3 * turned.width(), qPrintable(QStringLiteral("%1x%2").arg(turned.width()).arg(turned.height())));
    // Turned about its own centre: the middle of the ink stays where the level title's was.
    QVERIFY(std::abs(turned.center().x() - level.center().x()) <= 2);
}

void LUButtonTest::barMarkWidensBy()
{
    LUButton plain(QStringLiteral("drawer"));
    LUButton marked(QStringLiteral("drawer"));
    marked.setBarMark(12.5);
    QCOMPARE(marked.sizeHint().width(), plain.sizeHint().width() + 25);
    QCOMPARE(marked.sizeHint().height(), plain.sizeHint().height());
    QVERIFY(plain.sizeHint().height() >= QFontMetrics(Theme::font(13)).height() + 7);
}

void LUButtonTest::doubleClick()
{
    QStringList fired;
    LUButton button(QStringLiteral("open"), 13, false, [&] { fired << QStringLiteral("action"); });
    button.onDoubleClick = [&] { fired << QStringLiteral("double"); };
    button.resize(button.sizeHint());
    const QPoint inside(3, 3);
    QTest::mousePress(&button, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, inside);
    QMouseEvent second(QEvent::MouseButtonDblClick, inside, button.mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(&button, &second);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, inside);
    QCOMPARE(fired, (QStringList{"action", "double"}));

    // Pressing alone does nothing; releasing outside does nothing.
    fired.clear();
    QTest::mousePress(&button, Qt::LeftButton, {}, inside);
    QVERIFY(fired.isEmpty());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(-5, 3));
    QVERIFY(fired.isEmpty());
}

void LUButtonTest::dropsEveryMailInOrder()
{
    LUButton button(QStringLiteral("1 work"));
    QStringList dropped;
    button.setOnDrop([&](const QString& id) { dropped << id; });
    const QStringList ids{QStringLiteral("acc|<b@x>"), QStringLiteral("acc|uid7"), QStringLiteral("out|acc|<c@x>")};
    std::unique_ptr<QMimeData> data(MailDrag::make(ids));
    sendDrag(button, QEvent::DragEnter, data.get());
    QVERIFY(button.dropHover());
    sendDrag(button, QEvent::Drop, data.get());
    QCOMPARE(dropped, ids);
    QVERIFY(!button.dropHover());

    sendDrag(button, QEvent::DragEnter, data.get());
    sendDrag(button, QEvent::DragLeave, nullptr);
    QVERIFY(!button.dropHover());
    QCOMPARE(dropped.size(), ids.size());
}

void LUButtonTest::dropNeedsHandlerAndMail()
{
    LUButton withoutHandler(QStringLiteral("1 work"));
    std::unique_ptr<QMimeData> mail(MailDrag::make({QStringLiteral("acc|uid1")}));
    sendDrag(withoutHandler, QEvent::DragEnter, mail.get());
    QVERIFY(!withoutHandler.dropHover());

    LUButton withHandler(QStringLiteral("1 work"));
    int calls = 0;
    withHandler.setOnDrop([&](const QString&) { ++calls; });
    QMimeData text;
    text.setText(QStringLiteral("acc|uid1"));
    sendDrag(withHandler, QEvent::DragEnter, &text);
    QVERIFY(!withHandler.dropHover());
    QMimeData broken;
    broken.setData(MailDrag::type(), "{not json");
    sendDrag(withHandler, QEvent::DragEnter, &broken);
    sendDrag(withHandler, QEvent::Drop, &broken);
    QCOMPARE(calls, 0);
}

void LUButtonTest::accessibleAsAButton()
{
    int presses = 0;
    LUButton button(QStringLiteral("Tom & <b>Jerry</b>"), 13, false, [&] { ++presses; });
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Button);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Tom & <b>Jerry</b>"));
    QVERIFY(accessible->actionInterface());
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(presses, 1);
    QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
}

void LUButtonTest::contextMenuOnSecondaryClick()
{
    LUButton withoutMenu(QStringLiteral("in"));
    QContextMenuEvent nothing(QContextMenuEvent::Mouse, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(&withoutMenu, &nothing);
    QVERIFY(!QApplication::activePopupWidget());

    LUButton button(QStringLiteral("1 work"));
    button.contextMenu = [] {
        auto menu = std::make_unique<QMenu>();
        menu->addAction(QStringLiteral("rename"));
        return menu;
    };
    button.show();
    QContextMenuEvent secondary(QContextMenuEvent::Mouse, QPoint(2, 2), button.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&button, &secondary);
    auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(shown);
    QCOMPARE(shown->actions().value(0)->text(), QStringLiteral("rename"));
    shown->close();
    // The menu is the button's to free once it closes.
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

QTEST_MAIN(LUButtonTest)
#include "LUButtonTest.moc"
