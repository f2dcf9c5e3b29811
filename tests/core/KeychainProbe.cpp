// Runs Keychain operations in a process of its own, so a test can read what another process
// stored and watch the calls against a bus without a Secret Service.
// Arguments: a sequence of "get KEY", "set KEY VALUE" and "remove KEY"; each get prints one line,
// "=" and the secret, or "none".
#include "core/Keychain.h"

#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromUtf8(argv[i]);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& op = args[i];
        if (op == u"get" && i + 1 < args.size()) {
            const std::optional<QString> secret = Keychain::get(args[++i]);
            std::printf("%s\n", secret ? ("=" + secret->toUtf8()).constData() : "none");
        } else if (op == u"set" && i + 2 < args.size()) {
            Keychain::set(args[i + 2], args[i + 1]);
            i += 2;
        } else if (op == u"remove" && i + 1 < args.size()) {
            Keychain::remove(args[++i]);
        } else {
            std::fprintf(stderr, "KeychainProbe: bad argument %s\n", argv[i + 1]);
            return 2;
        }
    }
    return 0;
}
