#include "content/VirusTotal.h"
#include "core/Keychain.h"

#include <QCryptographicHash>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcoronetworkreply.h>

#include <cmath>
#include <memory>

namespace VirusTotal {

namespace {

constexpr int transferTimeoutMs = 15000;

struct Endpoint {
    QUrl base{QStringLiteral("https://www.virustotal.com")};
    QList<QSslCertificate> extraRoots;
};

// Both only touched on the GUI thread.
Endpoint& endpoint()
{
    static Endpoint current;
    return current;
}

QHash<QString, Verdict>& cache()
{
    static QHash<QString, Verdict> verdicts;
    return verdicts;
}

Verdict failed(const QString& reason)
{
    return {Verdict::Failed{reason}};
}

// data → attributes → last_analysis_stats; any other shape counts as no scanner at all.
QHash<QString, qint64> analysisStats(const QJsonObject& document)
{
    const QJsonValue stats = document.value(u"data").toObject().value(u"attributes").toObject().value(u"last_analysis_stats");
    QHash<QString, qint64> counts;
    if (!stats.isObject())
        return counts;
    const QJsonObject object = stats.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        // A count no scanner list comes near is another shape; checked before converting,
        // which is undefined for a double that qint64 cannot hold, and so that the sum fits.
        const double number = it.value().toDouble(-1.5);
        if (!it.value().isDouble() || !(std::abs(number) <= 2147483647.0) || number != std::trunc(number))
            return {};
        counts.insert(it.key(), qint64(number));
    }
    return counts;
}

Verdict fromReport(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return failed(QStringLiteral("offline"));
    const QHash<QString, qint64> stats = analysisStats(document.object());
    const qint64 bad = stats.value(QStringLiteral("malicious")) + stats.value(QStringLiteral("suspicious"));
    qint64 total = 0;
    for (const qint64 count : stats)
        total += count;
    if (bad < 1)
        return {Verdict::Clean{total}};
    return {Verdict::Flagged{bad, total}};
}

Verdict fromReply(QNetworkReply& reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())  // no HTTP answer at all: no network, refused, TLS failure, time-out
        return failed(QStringLiteral("offline"));
    switch (const int code = status.toInt()) {
    case 200:
        return fromReport(reply.readAll());
    case 404:
        return {Verdict::Unknown{}};
    case 401:
    case 403:
        return failed(QStringLiteral("key not accepted"));
    case 429:
        return failed(QStringLiteral("limit reached, try later"));
    default:
        return failed(QStringLiteral("no answer (%1)").arg(code));
    }
}

QNetworkRequest lookUpRequest(const QString& hash, const QString& apiKey)
{
    QUrl url = endpoint().base;
    url.setPath(url.path() + QStringLiteral("/api/v3/files/") + hash);
    QNetworkRequest request(url);
    request.setRawHeader("x-apikey", apiKey.toUtf8());
    request.setTransferTimeout(transferTimeoutMs);
    if (!endpoint().extraRoots.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(endpoint().extraRoots);
        request.setSslConfiguration(tls);
    }
    return request;
}

}  // namespace

QString Verdict::text() const
{
    struct Text {
        QString operator()(const Clean& clean) const
        {
            return QStringLiteral("virustotal 0/%1 \u00b7 clean").arg(clean.total);
        }
        QString operator()(const Flagged& flagged) const
        {
            return QStringLiteral("virustotal %1/%2 \u00b7 FLAGGED").arg(flagged.bad).arg(flagged.total);
        }
        QString operator()(const Failed& failure) const { return QStringLiteral("virustotal \u00b7 ") + failure.reason; }
        QString operator()(const Unknown&) const { return QStringLiteral("virustotal \u00b7 file not known"); }
    };
    return std::visit(Text{}, value);
}

std::optional<QString> key()
{
    std::optional<QString> stored = Keychain::get(QString::fromLatin1(keyItem));
    if (!stored || stored->isEmpty())
        return std::nullopt;
    return stored;
}

QCoro::Task<std::optional<Verdict>> check(QByteArray data)
{
    const std::optional<QString> apiKey = key();
    if (!apiKey)
        co_return std::nullopt;

    QFuture<QString> hashing = QtConcurrent::run([data] {
        return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
    });
    const QString hash = co_await hashing;
    if (const auto known = cache().constFind(hash); known != cache().constEnd())
        co_return *known;

    QNetworkAccessManager network;
    const std::unique_ptr<QNetworkReply> reply(network.get(lookUpRequest(hash, *apiKey)));
    co_await reply.get();
    const Verdict verdict = fromReply(*reply);
    if (!std::holds_alternative<Verdict::Failed>(verdict.value))
        cache().insert(hash, verdict);
    co_return verdict;
}

void useServerForTesting(const QUrl& base, const QList<QSslCertificate>& roots)
{
    endpoint() = {base, roots};
}

}  // namespace VirusTotal
