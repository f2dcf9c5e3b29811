#include "core/MailSearchIndex.h"

#include <QTest>

// The index folds most text without the normalizer; it must find what folding the whole field
// at once finds.
class MailSearchIndexTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void foldsLikeTheWholeField_data();
    void foldsLikeTheWholeField();
    void findsEveryPlaceAndNoJoin();
};

void MailSearchIndexTest::foldsLikeTheWholeField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("found");

    QTest::newRow("ASCII capitals") << "Quarterly REPORT" << "ly rep" << true;
    QTest::newRow("precomposed letters") << "Zoë Müller-Ångström" << "MULLER-ANG" << true;
    QTest::newRow("marks after ASCII") << QString("Zoe\u0308") << "zoe" << true;
    QTest::newRow("marks reordered after a precomposed letter") << QString("\u00E9\u0316x") << "ex" << true;
    QTest::newRow("spacing marks reordered") << QString("x\u302E") + QString::fromUcs4(U"\U0001D165") << "x" << true;
    QTest::newRow("decomposition of marks only") << QString("a\u0344b") << "ab" << true;
    QTest::newRow("ligature") << QString("\uFB01nal") << "final" << true;
    QTest::newRow("title-case digraph") << QString("\u01C5ivo") << "dzivo" << true;
    QTest::newRow("Hangul syllables") << QString("\uD55C\uAD6D") << QString("\uD55C") << true;
    QTest::newRow("letters beyond the first plane") << QString::fromUcs4(U"\U0001D400\U0001D401") << "ab" << true;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + "x" << "x" << true;
    QTest::newRow("sharp s stays one letter") << "Straße" << "strasse" << false;
    QTest::newRow("not found") << "Zoë" << "zoey" << false;
}

void MailSearchIndexTest::foldsLikeTheWholeField()
{
    QFETCH(QString, field);
    QFETCH(QString, query);
    QFETCH(bool, found);
    MailItem mail;
    mail.subject = field;
    mail.toName = "(" + field + ")";
    MailSearchIndex index;
    index.build({mail});
    QVERIFY(index.matches(MailSearchIndex::fold(field))[0]);
    QVERIFY(index.matches("(" + MailSearchIndex::fold(field) + ")")[0]);
    QCOMPARE(index.matches(MailSearchIndex::fold(query))[0], found);
}

// The search tests several places at a time: a match at every offset from a block's start and
// near the end of the text is found, one across two fields or two mails is not.
void MailSearchIndexTest::findsEveryPlaceAndNoJoin()
{
    std::vector<MailItem> mails;
    for (int offset = 0; offset < 20; ++offset) {
        MailItem mail;
        mail.subject = QString(offset, QChar('x')) + "Needle";
        mail.fromName = "le";
        mail.fromEmail = "y";
        mails.push_back(mail);
    }
    MailItem last;
    last.toEmail = "-ne";
    mails.push_back(last);
    MailSearchIndex index;
    index.build(mails);
    for (const QString query : {"needle", "ne", "n", "e", "xneedle"}) {
        const std::vector<bool> found = index.matches(query);
        for (int offset = 0; offset < 20; ++offset)
            QCOMPARE(found[size_t(offset)], query != "xneedle" || offset > 0);
        QCOMPARE(found[20], query == "ne" || query == "n" || query == "e");
    }
    for (const QString query : {"needlele", "ley", "ex", "yx", "yxx", "-ne-"}) {
        const std::vector<bool> found = index.matches(query);
        QCOMPARE(std::count(found.begin(), found.end(), true), 0);
    }
}

QTEST_GUILESS_MAIN(MailSearchIndexTest)
#include "MailSearchIndexTest.moc"
