#include "core/NotificationCenter.h"

#include <QTest>
#include <QThread>

class NotificationCenterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void observersHearOnlyTheirName();
    void postFromAnotherThreadArrivesOnTheMainThread();
    void observerEndsWithItsContext();
};

void NotificationCenterTest::observersHearOnlyTheirName()
{
    QObject context;
    QList<QObject*> heard;
    NotificationCenter::shared().observe(Notification::notesChanged, &context, [&heard](QObject* object) { heard.append(object); });
    NotificationCenter::shared().post(Notification::storeChanged);
    NotificationCenter::shared().post(Notification::notesChanged, &context);
    QCOMPARE(heard, QList<QObject*>{&context});  // told at once, with the object
}

void NotificationCenterTest::postFromAnotherThreadArrivesOnTheMainThread()
{
    QObject context;
    QThread* heardOn = nullptr;
    NotificationCenter::shared().observe(Notification::storeChanged, &context, [&heardOn](QObject*) { heardOn = QThread::currentThread(); });
    std::unique_ptr<QThread> worker(QThread::create([] { NotificationCenter::shared().post(Notification::storeChanged); }));
    worker->start();
    QVERIFY(worker->wait(5000));
    QTRY_COMPARE(heardOn, QThread::currentThread());
}

void NotificationCenterTest::observerEndsWithItsContext()
{
    int heard = 0;
    {
        QObject context;
        NotificationCenter::shared().observe(Notification::themeChanged, &context, [&heard](QObject*) { ++heard; });
        NotificationCenter::shared().post(Notification::themeChanged);
    }
    NotificationCenter::shared().post(Notification::themeChanged);
    QCOMPARE(heard, 1);
}

QTEST_GUILESS_MAIN(NotificationCenterTest)
#include "NotificationCenterTest.moc"
