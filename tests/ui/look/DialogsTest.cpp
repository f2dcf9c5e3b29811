#include "support/TemporaryHome.h"
#include "ui/look/Alerts.h"
#include "ui/look/FileDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

template <class T>
QCoro::Task<> into(QCoro::Task<T> task, std::optional<T>* answer)
{
    T value = co_await task;
    *answer = std::move(value);
}

}  // namespace

// The real dialogs behind the seams, answered as a user would: whoever awaits one goes on with
// the answer, and the dialog goes away.
class DialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void alertAnswered_data();
    void alertAnswered();
    void fileDialogAnswered_data();
    void fileDialogAnswered();

private:
    TemporaryHome m_home;
};

void DialogsTest::alertAnswered_data()
{
    QTest::addColumn<int>("click");  // the button clicked; -1 presses Escape
    QTest::addColumn<int>("answer");
    QTest::newRow("first button") << 0 << 0;
    QTest::newRow("second button") << 1 << 1;
    QTest::newRow("escape presses the one chosen for it") << -1 << 0;
}

void DialogsTest::alertAnswered()
{
    QFETCH(int, click);
    QWidget window;
    window.show();
    Alert alert;
    alert.message = QStringLiteral("Keep it?");
    alert.buttons = {QStringLiteral("Keep"), QStringLiteral("Drop")};
    alert.escapeButton = 0;
    std::optional<int> answer;
    QCoro::Task<> asking = into(Alerts::ask(&window, alert), &answer);
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = window.findChild<QMessageBox*>()));
    if (click < 0)
        QTest::keyClick(box, Qt::Key_Escape);
    else
        box->buttons().value(click)->click();
    QTRY_VERIFY(answer.has_value());
    QTEST(*answer, "answer");
    QTRY_VERIFY(!window.findChild<QMessageBox*>());
}

void DialogsTest::fileDialogAnswered_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("file chosen") << true;
    QTest::newRow("cancelled") << false;
}

void DialogsTest::fileDialogAnswered()
{
    QFETCH(bool, accept);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("letter.eml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QWidget window;
    window.show();
    std::optional<QStringList> chosen;
    const FileRequest request{FileRequest::Kind::openOne, {QStringLiteral("mail (*.eml)")}, {}};
    QCoro::Task<> asking = into(FileDialogs::ask(&window, request), &chosen);
    QFileDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = window.findChild<QFileDialog*>()));
    if (accept) {
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();  // as its Open button does
    } else {
        dialog->reject();
    }
    QTRY_VERIFY(chosen.has_value());
    QCOMPARE(*chosen, accept ? QStringList{path} : QStringList{});
    QTRY_VERIFY(!window.findChild<QFileDialog*>());
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
