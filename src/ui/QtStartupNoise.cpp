#include "QtStartupNoise.h"

#include <QString>
#include <QtGlobal>

namespace QtStartupNoise {
namespace {

QtMessageHandler g_next = nullptr;

bool isNoise(const QString &message)
{
    return message.contains(QLatin1String("QPlatformNativeInterface::systemTrayWindowChanged"))
        || message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

void filter(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && isNoise(message))
        return;
    g_next(type, context, message);
}

} // namespace

void silence()
{
    g_next = qInstallMessageHandler(filter);
}

} // namespace QtStartupNoise
