// Reading stored mail: MIME::parse beside GMime 3 doing the same work (text part decoded to
// UTF-8, every other leaf decoded to bytes), over the corpus, over one 25 MB message with
// base64 attachments and over hostile shapes, each at two sizes (a parser linear in its input
// takes twice as long for twice the size); htmlToText on ordinary and on hostile HTML. Prints
// figures only.
#include "content/HTMLToText.h"
#include "content/MIMEParser.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <gmime/gmime.h>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

using Messages = QList<QByteArray>;

Messages loadCorpus()
{
    Messages messages;
    QDirIterator files(QStringLiteral(LUMARA_CORPUS_DIR), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.endsWith(u".md") || path.endsWith(u".tsv"))
            continue;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            messages.append(file.readAll());
    }
    return messages;
}

QByteArray base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 76 * 2 + 2);
    for (qsizetype at = 0; at < encoded.size(); at += 76)
        out += encoded.mid(at, 76) + "\r\n";
    return out;
}

QByteArray largeMessage()
{
    QByteArray message = "From: a@example.org\r\nTo: b@example.org\r\nSubject: files\r\nMIME-Version: 1.0\r\n"
                         "Content-Type: multipart/mixed; boundary=\"=_bench\"\r\n\r\n--=_bench\r\n"
                         "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                         + QByteArray("Gr=C3=BC=C3=9Fe, here are the files. =E2=82=AC 100\r\n").repeated(2000) + "\r\n";
    QRandomGenerator random(42);
    for (int i = 0; i < 6; ++i) {
        QByteArray data(3 << 20, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
        message += "--=_bench\r\nContent-Type: application/octet-stream; name=\"file" + QByteArray::number(i)
                   + ".bin\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"file"
                   + QByteArray::number(i) + ".bin\"\r\n\r\n" + base64Lines(data);
    }
    return message + "--=_bench--\r\n";
}

// GMime doing what MIME::parse does: the first plain or HTML text, the other leaves as bytes.
struct GMimeWalk {
    qint64 textChars = 0;
    qint64 attachmentBytes = 0;
    bool haveText = false;
};

void walk(GMimeObject* object, GMimeWalk& found)
{
    if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* message = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        if (message && g_mime_message_get_mime_part(message))
            walk(g_mime_message_get_mime_part(message), found);
    } else if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i)
            walk(g_mime_multipart_get_part(multipart, i), found);
    } else if (GMIME_IS_PART(object)) {
        GMimePart* part = GMIME_PART(object);
        if (GMIME_IS_TEXT_PART(object) && !g_mime_part_is_attachment(part) && !found.haveText) {
            char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(object));
            found.textChars += text ? qint64(strlen(text)) : 0;
            found.haveText = true;
            g_free(text);
            return;
        }
        GMimeDataWrapper* content = g_mime_part_get_content(part);
        if (!content)
            return;
        GMimeStream* bytes = g_mime_stream_mem_new();
        g_mime_data_wrapper_write_to_stream(content, bytes);
        found.attachmentBytes += g_mime_stream_length(bytes);
        g_object_unref(bytes);
    }
}

qint64 gmimeParse(const QByteArray& raw)
{
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(raw.constData(), size_t(raw.size()));
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    GMimeWalk found;
    if (message && g_mime_message_get_mime_part(message))
        walk(g_mime_message_get_mime_part(message), found);
    if (message)
        g_object_unref(message);
    g_object_unref(parser);
    g_object_unref(stream);
    return found.textChars + found.attachmentBytes;
}

qint64 ownParse(const QByteArray& raw)
{
    const MIME::Parsed parsed = MIME::parse(raw);
    qint64 total = parsed.text.size();
    for (const MIME::Attachment& attachment : parsed.attachments)
        total += attachment.data.size();
    return total;
}

qint64 totalBytes(const Messages& messages)
{
    qint64 total = 0;
    for (const QByteArray& message : messages)
        total += message.size();
    return total;
}

// Best of `rounds` passes over all messages, in seconds.
double bestSeconds(const Messages& messages, int rounds, const std::function<qint64(const QByteArray&)>& work)
{
    double best = 1e30;
    volatile qint64 sink = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray& message : messages)
            sink = sink + work(message);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

void compare(const char* what, const Messages& messages, int rounds)
{
    const double megabytes = double(totalBytes(messages)) / (1 << 20);
    const double own = bestSeconds(messages, rounds, ownParse);
    const double gmime = bestSeconds(messages, rounds, gmimeParse);
    std::printf("%-28s %8.1f MB  MIME::parse %8.1f MB/s   GMime %8.1f MB/s   ratio %.2f\n", what, megabytes,
                megabytes / own, megabytes / gmime, gmime / own);
}

// Hostile messages of about `bytes` bytes.
QByteArray longBoundary(qsizetype bytes, qsizetype boundaryLength)
{
    const QByteArray boundary(boundaryLength, 'x');
    const QByteArray part = "--" + boundary + "\r\nContent-Type: application/octet-stream\r\n\r\n"
                            + QByteArray(boundaryLength, 'x') + "y\r\n";
    return "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n"
           + part.repeated(std::max<qsizetype>(1, bytes / part.size())) + "--" + boundary + "--\r\n";
}

QByteArray manyParts(qsizetype bytes)
{
    const QByteArray part = "--b\r\nContent-Type: application/octet-stream\r\n\r\nx\r\n";
    return "Content-Type: multipart/mixed; boundary=b\r\n\r\n" + part.repeated(bytes / part.size()) + "--b--\r\n";
}

QByteArray longHeaderLine(qsizetype bytes)
{
    return "Subject: " + QByteArray("=?utf-8?q?a?= b ").repeated(bytes / 32) + "\r\nX-Junk: "
           + QByteArray(bytes / 2, 'j') + "\r\nContent-Type: text/plain\r\n\r\nhello\r\n";
}

QByteArray foldedHeader(qsizetype bytes)
{
    return "Content-Type: text/plain;" + QByteArray("\r\n x=1;").repeated(bytes / 8) + "\r\n\r\nhello\r\n";
}

QByteArray parameterFlood(qsizetype bytes)
{
    QByteArray flood;
    for (qsizetype i = 0; flood.size() < bytes; ++i)
        flood += "; p" + QByteArray::number(i) + "=\"v;" + QByteArray::number(i) + "\"";
    return "Content-Type: application/octet-stream" + flood + "; name=x.bin\r\n\r\ndata\r\n";
}

QByteArray base64Junk(qsizetype bytes)
{
    return "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n"
           + QByteArray("QUJD!@#$%^&*()\r\n").repeated(bytes / 16);
}

QByteArray deepNesting(qsizetype bytes)
{
    QByteArray entity = "Content-Type: text/plain\r\n\r\n" + QByteArray("deep text\r\n").repeated(bytes / 11);
    for (int level = 0; level < 40; ++level) {
        const QByteArray boundary = "level" + QByteArray::number(level);
        entity = (level % 2 ? "Content-Type: message/rfc822\r\n\r\n" + entity
                            : "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" + boundary + "\r\n"
                                  + entity + "\r\n--" + boundary + "--\r\n");
    }
    return entity;
}

// Each shape at two sizes: the time of the larger over the smaller (2 when linear) and the
// time beside GMime's on the larger.
void hostile(const char* what, const std::function<QByteArray(qsizetype)>& make, qsizetype bytes)
{
    const QByteArray small = make(bytes), large = make(2 * bytes);
    const double ownSmall = bestSeconds({small}, 3, ownParse), ownLarge = bestSeconds({large}, 3, ownParse);
    const double gmime = bestSeconds({large}, 3, gmimeParse);
    std::printf("%-28s %8.1f MB  MIME::parse %8.1f ms   GMime %8.1f ms   ratio %.2f   doubled size: x%.2f\n", what,
                double(large.size()) / (1 << 20), ownLarge * 1e3, gmime * 1e3, ownLarge / gmime, ownLarge / ownSmall);
}

QString ordinaryHtml(qsizetype bytes)
{
    const QString block = QStringLiteral(
        "<div class=\"row\"><p style=\"margin:0\">Dear customer, your order&nbsp;#4711 has shipped &ndash; "
        "track it <a href=\"https://example.org/t?id=1&amp;x=2\">here</a>.</p><br/>"
        "<ul><li>Item one &euro;12,50</li><li>Gr&uuml;&szlig;e &#228;&#x20AC;</li></ul>"
        "<table><tr><td>Total</td><td><b>&euro;25,00</b></td></tr></table><!-- tracking --></div>\n");
    return QStringLiteral("<html><head><style>p{color:red}</style></head><body>")
           + block.repeated(bytes / block.size()) + QStringLiteral("</body></html>");
}

QString hostileHtml(qsizetype bytes)
{
    const QString openings = QStringLiteral("<head <style <script <!-- <li <a &#x1");
    return openings.repeated(bytes / openings.size());
}

void htmlRate(const char* what, const QString& html)
{
    const double megabytes = double(html.toUtf8().size()) / (1 << 20);
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        const QString text = MIME::htmlToText(html);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
        if (text.isNull() && !html.isEmpty())
            std::printf("?");
    }
    std::printf("%-28s %8.1f MB  htmlToText %8.1f ms/MB\n", what, megabytes, best * 1000 / megabytes);
}

// Past 16 MB of HTML (32 MB as UTF-16) every new string is fresh memory from the system, so each
// copy of the text costs its page faults: 20 MB against 10 MB shows what the copies cost. The peer
// is one copy of the 20 MB text. Handed over, as MIME::parse does, the text needs no copy at all.
// This thread's processor time, page faults included: other programs on the machine leave it alone.
double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void htmlGrowth()
{
    const QString ten = ordinaryHtml(10 << 20), twenty = ordinaryHtml(20 << 20);
    const auto best = [](const QString& html, bool handedOver) {
        double seconds = 1e30;
        for (int round = 0; round < 5; ++round) {
            QString own = html;
            if (handedOver)
                own.detach();
            const double start = cpuSeconds();
            const QString text = MIME::htmlToText(std::move(own));
            seconds = std::min(seconds, cpuSeconds() - start);
        }
        return seconds;
    };
    double copySeconds = 1e30;
    for (int round = 0; round < 5; ++round) {
        const double start = cpuSeconds();
        QString copy = twenty;
        copy.detach();
        copySeconds = std::min(copySeconds, cpuSeconds() - start);
    }
    const double megabytes = double(twenty.toUtf8().size()) / (1 << 20);
    for (const bool handedOver : {false, true}) {
        const double tenSeconds = best(ten, handedOver), twentySeconds = best(twenty, handedOver);
        std::printf("%-28s %8.1f MB  htmlToText %8.1f ms CPU, 10 MB %8.1f ms   ratio %.2f (aim under 2)\n",
                    handedOver ? "ordinary HTML, handed over" : "ordinary HTML, 20 MB", megabytes, twentySeconds * 1e3,
                    tenSeconds * 1e3, twentySeconds / tenSeconds);
        if (!handedOver)
            std::printf("  peer, one copy of the 20 MB text: %.1f ms   htmlToText costs %.1f copies\n", copySeconds * 1e3,
                        twentySeconds / copySeconds);
    }
}

}  // namespace

int main()
{
    g_mime_init();
    const Messages corpus = loadCorpus();
    if (corpus.isEmpty()) {
        std::printf("no corpus at %s\n", LUMARA_CORPUS_DIR);
        return 1;
    }
    std::printf("%lld corpus files\n", qint64(corpus.size()));
    compare("corpus", corpus, 5);
    compare("25 MB base64 message", {largeMessage()}, 5);
    std::printf("hostile shapes (ratio: MIME::parse time over GMime's, lower is faster)\n");
    hostile("boundary of 996 characters", [](qsizetype bytes) { return longBoundary(bytes, 996); }, 1 << 20);
    hostile("boundary of 200,000 (whole)", [](qsizetype bytes) { return longBoundary(bytes, 200000); }, 1 << 20);
    hostile("100,000 parts", manyParts, 3 << 20);
    hostile("10 MB header lines", longHeaderLine, 10 << 20);
    hostile("folded header", foldedHeader, 4 << 20);
    hostile("parameter flood", parameterFlood, 2 << 20);
    hostile("base64 junk", base64Junk, 10 << 20);
    hostile("deep nesting", deepNesting, 4 << 20);
    htmlRate("ordinary HTML", ordinaryHtml(1 << 20));
    htmlGrowth();
    htmlRate("hostile HTML", hostileHtml(5 << 20));
    htmlRate("hostile HTML, half", hostileHtml(5 << 19));
    g_mime_shutdown();
    return 0;
}
