#include "ui/main/AttachmentFiles.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QUuid>

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype maxNameBytes = 255;

const QSet<QString>& codeExtensions()
{
    static const QSet<QString> extensions{
        QStringLiteral("app"), QStringLiteral("pkg"), QStringLiteral("dmg"), QStringLiteral("command"),
        QStringLiteral("sh"), QStringLiteral("zsh"), QStringLiteral("bash"), QStringLiteral("py"),
        QStringLiteral("js"), QStringLiteral("jar"), QStringLiteral("exe"), QStringLiteral("msi"),
        QStringLiteral("bat"), QStringLiteral("scpt"), QStringLiteral("applescript"), QStringLiteral("workflow"),
        QStringLiteral("html"), QStringLiteral("htm"), QStringLiteral("svg"), QStringLiteral("docm"),
        QStringLiteral("xlsm"), QStringLiteral("pptm"), QStringLiteral("iso"), QStringLiteral("img"),
        // What this desktop starts or installs when asked to open it.
        QStringLiteral("desktop"), QStringLiteral("appimage"), QStringLiteral("deb"), QStringLiteral("rpm"),
        QStringLiteral("run"), QStringLiteral("bin"), QStringLiteral("flatpak"), QStringLiteral("flatpakref"),
        QStringLiteral("snap")};
    return extensions;
}

bool isDirectionControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool replaced(QChar c)
{
    return c == u'/' || c == u':' || c.category() == QChar::Other_Control || isDirectionControl(c.unicode());
}

QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.sliced(dot + 1).toLower();
}

qsizetype utf8Length(QStringView text)
{
    return text.toUtf8().size();
}

// The longest start of text within maxBytes of UTF-8, never splitting a character.
QString headWithin(const QString& text, qsizetype maxBytes)
{
    qsizetype bytes = 0, end = 0;
    while (end < text.size()) {
        const qsizetype width = text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const qsizetype add = utf8Length(QStringView(text).sliced(end, width));
        if (bytes + add > maxBytes)
            break;
        bytes += add;
        end += width;
    }
    return text.first(end);
}

class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray& data)
{
    const char* next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        next += written;
        left -= written;
    }
    return true;
}

// The shared folder is opened without following a link and must be this user's; another user
// could otherwise read every attachment opened, or swap in files of their own.
int openOwnFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return -1;
    Descriptor folder(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!folder.valid() || ::fstat(folder.get(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return -1;
    if ((info.st_mode & 07777) != 0700 && ::fchmod(folder.get(), 0700) != 0)
        return -1;
    return folder.release();
}

}  // namespace

QString AttachmentFiles::fileName(const QString& name)
{
    QString safe = name;
    for (QChar& c : safe)
        if (replaced(c))
            c = u'-';
    if (safe.isEmpty() || safe == u"." || safe == u"..")
        return QStringLiteral("attachment");
    if (utf8Length(safe) <= maxNameBytes)
        return safe;
    const qsizetype dot = safe.lastIndexOf(u'.');
    const QString extension = dot > 0 ? safe.sliced(dot) : QString();
    // An extension too long to be one is cut like the rest of the name.
    if (extension.isEmpty() || utf8Length(extension) > maxNameBytes / 2)
        return headWithin(safe, maxNameBytes);
    return headWithin(safe.first(dot), maxNameBytes - utf8Length(extension)) + extension;
}

bool AttachmentFiles::canRunCode(const QString& name)
{
    const QSet<QString>& code = codeExtensions();
    if (code.contains(extensionOf(fileName(name))))
        return true;
    for (qsizetype i = 0; i < name.size(); ++i)
        if (name[i].category() == QChar::Other_Control && code.contains(extensionOf(name.first(i))))
            return true;
    return false;
}

std::optional<QString> AttachmentFiles::writePrivate(const QByteArray& data, const QString& name)
{
    const QString base = QDir::tempPath() + QStringLiteral("/LU.MARA");
    Descriptor shared(openOwnFolder(QFile::encodeName(base)));
    if (!shared.valid())
        return std::nullopt;
    const QString folderName = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QByteArray folderBytes = QFile::encodeName(folderName);
    if (::mkdirat(shared.get(), folderBytes.constData(), 0700) != 0)
        return std::nullopt;
    Descriptor folder(::openat(shared.get(), folderBytes.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid() || ::fchmod(folder.get(), 0700) != 0)
        return std::nullopt;
    const QString file = fileName(name);
    const QByteArray fileBytes = QFile::encodeName(file);
    Descriptor out(::openat(folder.get(), fileBytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid())
        return std::nullopt;
    if (::fchmod(out.get(), 0600) != 0 || !writeAll(out.get(), data) || !out.close()) {
        ::unlinkat(folder.get(), fileBytes.constData(), 0);
        return std::nullopt;
    }
    return base + u'/' + folderName + u'/' + file;
}
