#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <optional>
#include <variant>

// What VirusTotal's scanners said about a file, asked by its SHA-256 only: the file never leaves.
namespace VirusTotal {

// The outcome of a look-up, shown as one line beside the attachment.
struct Verdict {
    struct Clean {
        qint64 total;
    };
    struct Flagged {
        qint64 bad;  // scanners calling it malicious or suspicious
        qint64 total;
    };
    struct Failed {
        QString reason;
    };
    struct Unknown {};

    std::variant<Clean, Flagged, Failed, Unknown> value;

    QString text() const;
};

// The keychain item holding the user's API key.
inline constexpr char keyItem[] = "virustotal-api-key";

// The API key, or none when the item is missing or empty. Read afresh at every check.
std::optional<QString> key();

// Looks the file up (API v3 files endpoint); none when no key is set, and then nothing is sent.
// Answers of known and unknown files are kept for the rest of the run, failures are not.
// Call on the GUI thread.
QCoro::Task<std::optional<Verdict>> check(QByteArray data);

// Tests only: send look-ups to `base` instead of the VirusTotal host and trust `roots` besides
// the system's. The program never calls this.
void useServerForTesting(const QUrl& base, const QList<QSslCertificate>& roots);

}  // namespace VirusTotal
