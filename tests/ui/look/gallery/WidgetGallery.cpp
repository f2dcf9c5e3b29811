// Every widget of the look on one page, for looking at it: WidgetGallery [--light] [--german].
#include "core/AppIdentity.h"
#include "core/Prefs.h"
#include "ui/look/DashedLine.h"
#include "ui/look/FieldRow.h"
#include "ui/look/FieldUnderline.h"
#include "ui/look/GroundView.h"
#include "ui/look/IconButton.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUScroller.h"
#include "ui/look/LUSecureField.h"
#include "ui/look/LogoView.h"
#include "ui/look/PlusButton.h"
#include "ui/look/SolidLine.h"
#include "ui/look/SpreadButton.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QPainter>
#include <QPlainTextEdit>

namespace {

class Swatches : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        for (int i = 0; i < 6; ++i)
            painter.fillRect(QRectF(i * 22, 0, 16, 16), Theme::pastel(i));
    }
};

LULabel* faintLabel(const QString& text, QWidget* page)
{
    auto* label = new LULabel(text, 10, true, 1.5, 1, page);
    label->setFaint(true);
    return label;
}

template <typename W>
W* place(W* widget, int x, int y, QSize size = {})
{
    widget->move(x, y);
    widget->resize(size.isValid() ? size : widget->sizeHint());
    return widget;
}

void buildPage(GroundView* page)
{
    place(new LogoView({}, page), 40, 30, QSize(188, int(LogoView::heightFor(188))));
    place(new PlusButton({}, page), 260, 30);
    place(new IconButton(QStringLiteral("wrench.adjustable"), QStringLiteral("settings"), {}, page), 350, 30);
    place(new IconButton(QStringLiteral("gearshape"), QStringLiteral("gear"), {}, page), 390, 30);
    place(new IconButton(QStringLiteral("no.such.icon"), QStringLiteral("unknown"), {}, page), 430, 30);
    place(new SpreadButton(QStringLiteral("lu.pong"), 9, {}, page), 350, 80, QSize(112, 14));
    place(new Swatches(page), 480, 36, QSize(140, 16));

    int y = 130;
    place(faintLabel(QStringLiteral("buttons"), page), 40, y);
    y += 24;
    place(new LUButton(QStringLiteral("check"), 13, false, {}, page), 40, y);
    auto* selected = place(new LUButton(QStringLiteral("write"), 13, false, {}, page), 120, y);
    selected->setSelected(true);
    place(new LUButton(QStringLiteral("Settings…"), 13, true, {}, page), 200, y);
    auto* detailed = new LUButton(QStringLiteral("1 work"), 13, false, {}, page);
    detailed->setBarMark(12.5);
    detailed->setSelected(true);
    detailed->setDetail(QStringLiteral("12"));
    place(detailed, 340, y, QSize(150, detailed->sizeHint().height()));
    auto* idle = new LUButton(QStringLiteral("2 family"), 13, false, {}, page);
    idle->setBarMark(12.5);
    place(idle, 510, y);
    auto* turned = new LUButton(QStringLiteral(">"), 13, false, {}, page);
    turned->setBarMark(12.5);
    turned->setTitleTurn(90);
    place(turned, 640, y, turned->sizeHint());

    y += 70;
    place(faintLabel(QStringLiteral("labels"), page), 40, y);
    y += 24;
    place(new LULabel(QStringLiteral("hold ? for keys"), 13, false, 0, 1, page), 40, y);
    place(new LULabel(QStringLiteral("<b>not bold</b> & &File, shown as given"), 13, true, 0, 1, page), 260, y);
    y += 26;
    place(faintLabel(QStringLiteral("checked 10:42"), page), 40, y);
    auto* wrapped = new LULabel(
        QStringLiteral("passwords stay in your keyring · mail is only read on this computer · esc or the wrench goes back "
                       "· this text is long enough to need a fourth line, which it does not get"),
        10, true, 1.5, 3, page);
    place(wrapped, 260, y, QSize(380, 50));

    y += 70;
    place(faintLabel(QStringLiteral("fields"), page), 40, y);
    y += 24;
    place(new FieldUnderline(new LUField(QStringLiteral("search")), 200, page), 40, y, QSize(200, 26));
    auto* faint = new LUField(QStringLiteral("search"));
    faint->setFaint(true);
    place(new FieldUnderline(faint, 200, page), 260, y, QSize(200, 26));
    auto* filled = new LUField(QStringLiteral("to"));
    filled->setText(QStringLiteral("ada@example.org"));
    place(new FieldUnderline(filled, 200, page), 480, y, QSize(200, 26));
    y += 40;
    place(new FieldRow(QStringLiteral("address"), new LUField(QStringLiteral("you@example.org")), 120, page), 40, y, QSize(640, 34));
    y += 34;
    place(new FieldRow(QStringLiteral("password"), new LUSecureField(QStringLiteral("app-specific password")), 120, page), 40, y,
        QSize(640, 34));

    y += 54;
    place(faintLabel(QStringLiteral("lines"), page), 40, y);
    y += 24;
    place(new DashedLine(false, page), 40, y, QSize(640, 1));
    auto* subtle = place(new DashedLine(false, page), 40, y + 14, QSize(640, 1));
    subtle->subtle = true;
    auto* hairline = place(new DashedLine(false, page), 40, y + 28, QSize(640, 1));
    hairline->hairline = true;
    auto* marks = place(new DashedLine(false, page), 40, y + 42, QSize(640, 1));
    marks->marks = true;
    place(new SolidLine(page), 40, y + 56, QSize(640, 1));
    auto* vertical = place(new DashedLine(true, page), 720, 130, QSize(1, 440));
    vertical->marks = true;

    auto* text = new QPlainTextEdit(page);
    text->setFrameShape(QFrame::NoFrame);
    text->setFont(Theme::font(13));
    QString lines;
    for (int n = 1; n <= 80; ++n)
        lines += QStringLiteral("line %1 of a long text with an overlay scroller\n").arg(n);
    text->setPlainText(lines);
    place(text, 760, 130, QSize(440, 300));
    LUScroller::overlay(text)->show();
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    AppIdentity::apply();
    const QStringList arguments = app.arguments();
    Prefs::shared().setDark(!arguments.contains(QStringLiteral("--light")));
    Prefs::shared().setGerman(arguments.contains(QStringLiteral("--german")));
    Theme::applyToApplication();

    GroundView page;
    page.setWindowTitle(QStringLiteral("LU.MARA widgets"));
    page.resize(1240, 640);
    buildPage(&page);
    page.show();
    return app.exec();
}
