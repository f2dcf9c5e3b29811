// Showing a long mail: 1 MB of plain text holding 2,000 web addresses, from the loaded text to
// the painted reader (finding the addresses, building the document, laying out and painting
// the first screen), at device pixel ratio 1 and 2. Median of several runs.
#include "core/AppIdentity.h"
#include "core/MailItem.h"
#include "support/TemporaryHome.h"
#include "ui/look/Theme.h"
#include "ui/main/ReaderTextView.h"
#include "ui/main/ReaderView.h"
#include "ui/main/WebLinks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int runs = 9;

QString longMail(int bytes, int links)
{
    const QString words = QStringLiteral("the quarterly figures are attached as promised, with the notes from the meeting ");
    QString text;
    text.reserve(bytes + 200);
    int placed = 0;
    for (int line = 0; text.size() < bytes; ++line) {
        text += words.left(40 + line % 37);
        // Spread the addresses evenly through the text.
        if (placed < links && qint64(line) * links >= qint64(placed) * (bytes / 75)) {
            text += QStringLiteral(" (see https://example.com/report/%1?part=%2).").arg(placed).arg(line);
            ++placed;
        }
        text += u'\n';
    }
    return text;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TemporaryHome home;
    QApplication app(argc, argv);
    AppIdentity::apply();
    Theme::applyToApplication();

    const QString text = longMail(1 << 20, 2000);
    std::printf("mail: %lld characters, %lld web addresses\n", qint64(text.size()), qint64(WebLinks::find(text).size()));

    MailItem mail;
    mail.subject = QStringLiteral("figures");
    mail.fromEmail = QStringLiteral("a@example.org");
    ReaderView reader(mail);
    reader.resize(1043, 588);  // the content area of a 1280 × 760 main window
    reader.show();
    app.processEvents();

    for (const qreal ratio : {1.0, 2.0}) {
        QImage image(reader.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        std::vector<double> finding, building, painting, total, wholeLayout;
        for (int run = 0; run < runs; ++run) {
            reader.showText(QStringLiteral("loading…"), true);
            reader.render(&image);
            QElapsedTimer timer;
            timer.start();
            const qsizetype found = WebLinks::find(text).size();
            finding.push_back(timer.nsecsElapsed() / 1e6);
            Q_UNUSED(found);
            timer.restart();
            reader.showText(text, false);
            const double built = timer.nsecsElapsed() / 1e6;
            reader.render(&image);
            const double whole = timer.nsecsElapsed() / 1e6;
            building.push_back(built);
            painting.push_back(whole - built);
            total.push_back(whole);
            // Beyond the first screen the text is laid out as it is needed; all of it, for the record.
            timer.restart();
            const QSizeF size = reader.textView()->document()->documentLayout()->documentSize();
            Q_UNUSED(size);
            wholeLayout.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::printf("ratio %.0f: loaded text to painted reader %.1f ms (finding addresses %.1f, building the text %.1f, "
                    "layout and paint %.1f), median of %d\n",
            ratio, median(total), median(finding), median(building), median(painting), runs);
        std::printf("         laying out the rest of the text afterwards: %.1f ms\n", median(wholeLayout));
    }
    return 0;
}
