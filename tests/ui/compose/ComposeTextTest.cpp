// What a compose window writes from the mail it answers: subjects, quotes, the forwarded block,
// the threading headers; and what it reads from its fields: addresses, the envelope, file sizes.
#include "ui/compose/ComposeText.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

MailItem mail()
{
    MailItem m;
    m.accountID = QStringLiteral("A");
    m.fromName = QStringLiteral("Ada Lovelace");
    m.fromEmail = QStringLiteral("ada@example.org");
    m.subject = QStringLiteral("engines");
    m.date = QDateTime(QDate(2024, 3, 9), QTime(7, 5), Qt::LocalTime);
    m.messageID = QStringLiteral("<m1@example.org>");
    return m;
}

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines.join(u'\n');
}

MIME::Attachment file(const QString& name, qsizetype bytes)
{
    return {name, QStringLiteral("application/pdf"), QByteArray(bytes, 'x')};
}

}  // namespace

class ComposeTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void subjects_data();
    void subjects();
    void replyBody_data();
    void replyBody();
    void forwardHeader_data();
    void forwardHeader();
    void addresses_data();
    void addresses();
    void envelopeKeepsFirstOfEach();
    void threading_data();
    void threading();
    void filesTitle_data();
    void filesTitle();
};

void ComposeTextTest::subjects_data()
{
    QTest::addColumn<bool>("forward");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("expected");
    QTest::newRow("reply adds Re:") << false << "engines" << "Re: engines";
    QTest::newRow("reply keeps Re:") << false << "Re: engines" << "Re: engines";
    QTest::newRow("reply keeps RE: in capitals") << false << "RE: engines" << "RE: engines";
    QTest::newRow("reply to a forward adds Re:") << false << "Fwd: engines" << "Re: Fwd: engines";
    QTest::newRow("reply to nothing") << false << "" << "Re: ";
    QTest::newRow("forward adds Fwd:") << true << "engines" << "Fwd: engines";
    QTest::newRow("forward keeps Fwd:") << true << "Fwd: engines" << "Fwd: engines";
    QTest::newRow("forward keeps fw:") << true << "fw: engines" << "fw: engines";
    QTest::newRow("forward keeps WG:") << true << "WG: Maschinen" << "WG: Maschinen";
    QTest::newRow("forward of a reply adds Fwd:") << true << "Re: engines" << "Fwd: Re: engines";
    QTest::newRow("prefix needs its colon") << true << "fwding" << "Fwd: fwding";
}

void ComposeTextTest::subjects()
{
    QFETCH(bool, forward);
    QFETCH(QString, subject);
    QTEST(forward ? ComposeText::forwardSubject(subject) : ComposeText::replySubject(subject), "expected");
}

void ComposeTextTest::replyBody_data()
{
    QTest::addColumn<std::optional<QString>>("quoted");
    QTest::addColumn<QString>("expected");
    const QString attribution = QStringLiteral("\n\n\u2014 Ada Lovelace, 09.03.2024 07:05:\n");
    QTest::newRow("from the list: no quote") << std::optional<QString>() << "\n\n";
    QTest::newRow("empty quote") << std::optional<QString>(QString()) << "\n\n";
    QTest::newRow("two lines") << std::optional<QString>("hello\n\nbye") << attribution + "> hello\n> \n> bye";
    QString eighty;
    for (int i = 1; i <= 80; ++i)
        eighty += QStringLiteral("> line %1").arg(i) + (i < 80 ? QStringLiteral("\n") : QString());
    QTest::newRow("120 lines give the first 80") << std::optional<QString>(numberedLines(120)) << attribution + eighty;
    QTest::newRow("80 lines give all") << std::optional<QString>(numberedLines(80)) << attribution + eighty;
}

void ComposeTextTest::replyBody()
{
    QFETCH(std::optional<QString>, quoted);
    QTEST(ComposeText::replyBody(mail(), quoted), "expected");
}

void ComposeTextTest::forwardHeader_data()
{
    QTest::addColumn<QString>("fromName");
    QTest::addColumn<std::optional<QString>>("toEmail");
    QTest::addColumn<QString>("expected");
    const QString head = QStringLiteral("\u2014 forwarded \u2014\n");
    const QString date = QStringLiteral("date     09.03.2024 07:05\n");
    const QString subject = QStringLiteral("subject  engines\n\n");
    QTest::newRow("name and To") << "Ada Lovelace" << std::optional<QString>("me@example.org")
                                 << head + "from     Ada Lovelace <ada@example.org>\n" + date + "to       me@example.org\n" + subject;
    QTest::newRow("no To") << "Ada Lovelace" << std::optional<QString>()
                           << head + "from     Ada Lovelace <ada@example.org>\n" + date + subject;
    QTest::newRow("empty To") << "Ada Lovelace" << std::optional<QString>(QString())
                              << head + "from     Ada Lovelace <ada@example.org>\n" + date + subject;
    QTest::newRow("no name") << "" << std::optional<QString>("me@example.org")
                             << head + "from     ada@example.org\n" + date + "to       me@example.org\n" + subject;
}

void ComposeTextTest::forwardHeader()
{
    QFETCH(QString, fromName);
    QFETCH(std::optional<QString>, toEmail);
    MailItem m = mail();
    m.fromName = fromName;
    m.toEmail = toEmail;
    QTEST(ComposeText::forwardHeader(m), "expected");
}

void ComposeTextTest::addresses_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("bare address") << "ada@example.org" << QStringList{"ada@example.org"};
    QTest::newRow("name with angle brackets") << "Ada Lovelace <ada@example.org>" << QStringList{"ada@example.org"};
    QTest::newRow("both kinds of separator and a word without @")
        << "ada@example.org; Charles <charles@example.org>, nobody" << QStringList{"ada@example.org", "charles@example.org"};
    QTest::newRow("blanks and empty pieces") << " \tada@example.org\t ,, ;" << QStringList{"ada@example.org"};
    QTest::newRow("duplicates kept") << "a@example.org, a@example.org" << QStringList{"a@example.org", "a@example.org"};
    QTest::newRow("empty field") << "" << QStringList{};
}

void ComposeTextTest::addresses()
{
    QFETCH(QString, field);
    QTEST(ComposeText::addresses(field), "expected");
}

void ComposeTextTest::envelopeKeepsFirstOfEach()
{
    QCOMPARE(ComposeText::envelope({"a@x.org", "b@x.org"}, {"b@x.org", "c@x.org"}, {"a@x.org", "d@x.org", "d@x.org"}),
        (QStringList{"a@x.org", "b@x.org", "c@x.org", "d@x.org"}));
}

void ComposeTextTest::threading_data()
{
    QTest::addColumn<QString>("references");
    QTest::addColumn<QString>("messageID");
    QTest::addColumn<std::optional<QString>>("inReplyTo");
    QTest::addColumn<std::optional<QString>>("expected");
    QTest::newRow("chain and id") << "<r1@x> <r2@x>" << "<m@x>" << std::optional<QString>("<m@x>") << std::optional<QString>("<r1@x> <r2@x> <m@x>");
    QTest::newRow("id alone") << "" << "<m@x>" << std::optional<QString>("<m@x>") << std::optional<QString>("<m@x>");
    // No trailing space after the chain when the mail had no Message-ID.
    QTest::newRow("chain alone") << "<r1@x>" << "" << std::optional<QString>() << std::optional<QString>("<r1@x>");
    QTest::newRow("neither") << "" << "" << std::optional<QString>() << std::optional<QString>();
}

void ComposeTextTest::threading()
{
    QFETCH(QString, references);
    QFETCH(QString, messageID);
    MailItem m = mail();
    m.references = references;
    m.messageID = messageID;
    QTEST(ComposeText::inReplyTo(m), "inReplyTo");
    QTEST(ComposeText::references(m), "expected");
}

void ComposeTextTest::filesTitle_data()
{
    QTest::addColumn<QList<MIME::Attachment>>("files");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << QList<MIME::Attachment>{} << "+ add";
    QTest::newRow("one tiny file counts as 1 kb") << QList<MIME::Attachment>{file("a.txt", 10)} << "1 · 1 kb · a.txt   \u2304";
    QTest::newRow("three of 8 MiB") << QList<MIME::Attachment>{file("a.pdf", 8 << 20), file("b.pdf", 8 << 20), file("c.pdf", 8 << 20)}
                                    << "3 · 24.0 mb · a.pdf, b.pdf, c.pdf   \u2304";
    QTest::newRow("just under a megabyte") << QList<MIME::Attachment>{file("a", 1024 * 1023)} << "1 · 1023 kb · a   \u2304";
}

void ComposeTextTest::filesTitle()
{
    QFETCH(QList<MIME::Attachment>, files);
    QTEST(ComposeText::filesTitle(files), "expected");
}

QTEST_GUILESS_MAIN(ComposeTextTest)
#include "ComposeTextTest.moc"
