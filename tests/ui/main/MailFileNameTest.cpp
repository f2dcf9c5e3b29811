#include "ui/main/MailFileName.h"

#include <QTest>

class MailFileNameTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suggested_data();
    void suggested();
    void staysWithinTheFileNameLimit_data();
    void staysWithinTheFileNameLimit();
};

void MailFileNameTest::suggested_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("name");
    const QString letters200 = QString(200, u'a');
    QTest::newRow("specials") << "Re: a/b\\c" << "Re- a-b-c.eml";
    QTest::newRow("all ten") << "/:\\?%*|\"<>" << "----------.eml";
    QTest::newRow("empty") << "" << "(no subject).eml";
    QTest::newRow("200 characters") << letters200 << QString(80, u'a') + ".eml";
    QTest::newRow("control characters") << "tab\there\nnew\x7f" << "tab-here-new-.eml";
    // An emoji at units 80 and 81 would be split: the pair goes whole.
    QTest::newRow("pair at the cut") << QString(79, u'x') + "😀tail" << QString(79, u'x') + ".eml";
    QTest::newRow("pair before the cut") << QString(78, u'x') + "😀tail" << QString(78, u'x') + "😀.eml";
}

void MailFileNameTest::suggested()
{
    QFETCH(QString, subject);
    QTEST(MailFileName::suggested(subject), "name");
}

void MailFileNameTest::staysWithinTheFileNameLimit_data()
{
    QTest::addColumn<QString>("subject");
    QTest::newRow("four-byte characters") << QString(40, u'x').replace(u'x', QStringLiteral("😀"));
    QTest::newRow("three-byte characters") << QString(80, QChar(0x4E2D));
    QTest::newRow("mixed") << QStringLiteral("ä€😀").repeated(30);
}

void MailFileNameTest::staysWithinTheFileNameLimit()
{
    QFETCH(QString, subject);
    const QString name = MailFileName::suggested(subject);
    QVERIFY2(name.toUtf8().size() <= 255, qPrintable(QString::number(name.toUtf8().size())));
    QVERIFY(name.endsWith(QStringLiteral(".eml")));
    QVERIFY(subject.startsWith(name.chopped(4)));
    // Nothing lost that would have fit: one more character would break a limit.
    QVERIFY(name.size() > 4 + 60);
    // No broken pair: the name survives a round trip through UTF-8.
    QCOMPARE(QString::fromUtf8(name.toUtf8()), name);
}

QTEST_APPLESS_MAIN(MailFileNameTest)
#include "MailFileNameTest.moc"
