#include "Desktop.h"

#include "support/ChildProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

namespace {

QString run(const QString& program, const QStringList& arguments, const QString& display, int waitMs, bool* ok = nullptr)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(waitMs);
    if (!finished)
        process.kill();
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

Desktop::~Desktop()
{
    if (m_server)
        stopChild(*m_server);
}

QString Desktop::start()
{
    // The first display number whose lock and socket are free; Xvfb says so if it lost a race.
    for (int number = 91; number < 200; ++number) {
        const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(number);
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        if (QFile::exists(lock) || QFile::exists(socket))
            continue;
        m_server = std::make_unique<QProcess>();
        dieWithTest(*m_server);
        m_server->setProcessChannelMode(QProcess::MergedChannels);
        m_server->start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(number), QStringLiteral("-screen"), QStringLiteral("0"),
                                                    QStringLiteral("1600x1000x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!m_server->waitForStarted(5000))
            return QStringLiteral("Xvfb does not start (package xvfb): ") + m_server->errorString();
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_server->state() == QProcess::Running && !QFile::exists(socket))
            QThread::msleep(50);
        if (m_server->state() == QProcess::Running && QFile::exists(socket)) {
            m_display = QStringLiteral(":%1").arg(number);
            bool ok = false;
            run(QStringLiteral("xdotool"), {QStringLiteral("getmouselocation")}, m_display, 5000, &ok);
            return ok ? QString() : QStringLiteral("xdotool cannot reach the display (package xdotool)");
        }
        stopChild(*m_server);
        m_server.reset();
    }
    return QStringLiteral("no free X display between :91 and :199");
}

QString Desktop::xdotool(const QStringList& arguments, int waitMs) const
{
    return run(QStringLiteral("xdotool"), arguments, m_display, waitMs);
}

QString Desktop::waitForWindow(const QString& titlePattern, int waitMs) const
{
    const QString pattern = u'^' + titlePattern + u'$';
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        const QStringList ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern})
                                    .split(u'\n', Qt::SkipEmptyParts);
        if (!ids.isEmpty())
            return ids.constLast();
        QThread::msleep(100);
    }
    return {};
}

void Desktop::focus(const QString& window) const
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
}

QRect Desktop::geometry(const QString& window) const
{
    focus(window);
    // "Position: 160,120 (screen: 0)" and "Geometry: 1280x760"
    const QString text = xdotool({QStringLiteral("getwindowgeometry"), window});
    const QRegularExpressionMatch position = QRegularExpression(QStringLiteral("Position: (\\d+),(\\d+)")).match(text);
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(text);
    if (!position.hasMatch() || !size.hasMatch())
        return {};
    return {position.captured(1).toInt(), position.captured(2).toInt(), size.captured(1).toInt(), size.captured(2).toInt()};
}

bool Desktop::keys(const QStringList& keys, int delayMs) const
{
    bool ok = false;
    run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(delayMs)} + keys, m_display,
        20000, &ok);
    return ok;
}

bool Desktop::type(const QString& text) const
{
    bool ok = false;
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text}, m_display, 60000, &ok);
    return ok;
}

bool Desktop::click(QPoint screen) const
{
    bool ok = false;
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(screen.x()),
                                       QString::number(screen.y()), QStringLiteral("click"), QStringLiteral("1")},
        m_display, 10000, &ok);
    return ok;
}

QColor Desktop::pixel(QPoint screen) const
{
    // "0,0: (34,34,34)  #222222  srgb(34,34,34)"
    const QString text = run(QStringLiteral("import"),
        {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
            QStringLiteral("1x1+%1+%2").arg(screen.x()).arg(screen.y()), QStringLiteral("-depth"), QStringLiteral("8"),
            QStringLiteral("txt:-")},
        m_display, 20000);
    const QRegularExpressionMatch hex = QRegularExpression(QStringLiteral("#([0-9A-Fa-f]{6})")).match(text);
    return hex.hasMatch() ? QColor(u'#' + hex.captured(1)) : QColor();
}

QImage Desktop::grab(const QRect& screen) const
{
    QProcess import;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    import.setProcessEnvironment(environment);
    import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                                              QStringLiteral("%1x%2+%3+%4").arg(screen.width()).arg(screen.height()).arg(screen.x()).arg(screen.y()),
                                              QStringLiteral("png:-")});
    if (!import.waitForFinished(20000))
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

bool Desktop::screenshot(const QString& file) const
{
    bool ok = false;
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file}, m_display, 20000, &ok);
    return ok;
}
