#include "content/MIMEParser.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

// Real-world mail from the test suites of other mail libraries, kept beside the repository.
static const QString corpus = QStringLiteral(LUMARA_CORPUS_DIR);

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Generous enough for the sanitizer build; only work that grows faster than the input exceeds it.
qint64 allowedMilliseconds(qsizetype bytes)
{
    return 2000 + bytes / 50;  // 20 µs per byte
}

}  // namespace

class MIMECorpusTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyFileParses();
    void hostileMessages_data();
    void hostileMessages();
    void knownFiles_data();
    void knownFiles();
};

void MIMECorpusTest::everyFileParses()
{
    QDirIterator files(corpus, QDir::Files, QDirIterator::Subdirectories);
    int parsed = 0;
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.endsWith(u".md") || path.endsWith(u".tsv"))
            continue;
        const QByteArray message = readFile(path);
        QElapsedTimer timer;
        timer.start();
        const MIME::Parsed result = MIME::parse(message);
        QVERIFY2(timer.elapsed() <= allowedMilliseconds(message.size()), qPrintable(path));
        ++parsed;
    }
    QVERIFY2(parsed > 0, qPrintable(QStringLiteral("no corpus at ") + corpus));
}

void MIMECorpusTest::hostileMessages_data()
{
    QTest::addColumn<QByteArray>("message");

    const QByteArray html = "Content-Type: text/html\r\n\r\n";
    constexpr int megabytes = 5 << 20;
    QTest::newRow("unclosed heads") << html + QByteArray("<head ").repeated(megabytes / 6);
    QTest::newRow("unclosed styles, scripts, comments")
        << html + QByteArray("<style<script<!--").repeated(megabytes / 17);
    QTest::newRow("unclosed list items and tags") << html + QByteArray("<li <a ").repeated(megabytes / 7);
    QTest::newRow("numeric references without end") << html + QByteArray("&#x0000000").repeated(megabytes / 10);
    QTest::newRow("blank runs without line end") << "\r\n" + QByteArray(megabytes, ' ') + "x";
    QTest::newRow("many delimiters") << "Content-Type: multipart/mixed; boundary=b\r\n\r\n" + QByteArray("--b\r\n").repeated(megabytes / 5);
    QTest::newRow("encoded words without end") << "Subject: " + QByteArray("=?a?q?").repeated(1 << 16) + "\r\n\r\n";
}

void MIMECorpusTest::hostileMessages()
{
    QFETCH(QByteArray, message);
    QElapsedTimer timer;
    timer.start();
    MIME::parse(message);
    QVERIFY2(timer.elapsed() <= allowedMilliseconds(message.size()), qPrintable(QString::number(timer.elapsed())));
}

void MIMECorpusTest::knownFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("textStart");
    QTest::addColumn<QStringList>("attachments");  // name, type, size, SHA-256 prefix

    QTest::newRow("base64 image") << "cpython-email/msg_07.txt" << "Hi there,\n\nThis is the dingus fish."
                                  << QStringList{"dingusfish.gif", "image/gif", "3512", "354288075c6cd6c6"};
    QTest::newRow("Latin-1 RFC 2231 file name")
        << "mime4j-mimetools/attachment-filename-encoding-Latin1.msg" << "Attachment Test"
        << QStringList{QStringLiteral("attachment.\u00e4\u00f6\u00fc"), "text/plain", "5", "c9d04c9565fc665c"};
    QTest::newRow("HTML with an inline image") << "enmime/mail-html-only-inline.raw" << "Test of HTML section"
                                               << QStringList{"favicon.png", "image/png", "687", "b2da38772091039c"};
    QTest::newRow("GB2312 text") << "spamassassin/nice-cjk-gb2312.1"
                                 << QStringLiteral("\u53f0\u6e7e\u946b\u9f99\u5546\u8d38\u96c6\u56e2\u516c\u53f8") << QStringList{};
}

void MIMECorpusTest::knownFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, textStart);
    QFETCH(QStringList, attachments);
    const MIME::Parsed parsed = MIME::parse(readFile(corpus + u'/' + file));
    QVERIFY2(parsed.text.startsWith(textStart), qPrintable(parsed.text.left(200)));
    QStringList found;
    for (const MIME::Attachment& attachment : parsed.attachments) {
        const QByteArray hash = QCryptographicHash::hash(attachment.data, QCryptographicHash::Sha256).toHex();
        found << attachment.name << attachment.type << QString::number(attachment.data.size()) << hash.left(16);
    }
    QCOMPARE(found, attachments);
}

QTEST_GUILESS_MAIN(MIMECorpusTest)
#include "MIMECorpusTest.moc"
