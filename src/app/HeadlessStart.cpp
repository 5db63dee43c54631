#include "app/HeadlessStart.h"

#include "common/SystemErrorText.h"

#include <QFileInfo>

#include <cerrno>
#include <unistd.h>
#include <vector>

namespace HeadlessStart {

bool haveDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

QString programBeside(const QString &program)
{
    return QFileInfo(program).absolutePath() + QStringLiteral("/zelvo-headless");
}

QString exec(const QString &program, int argc, char **argv)
{
    const QByteArray path = programBeside(program).toLocal8Bit();
    std::vector<char *> args;
    args.push_back(const_cast<char *>(path.constData()));
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execv(path.constData(), args.data());
    return QStringLiteral("%1 kann nicht gestartet werden: %2")
        .arg(QString::fromLocal8Bit(path), SystemErrorText::of(errno));
}

} // namespace HeadlessStart
