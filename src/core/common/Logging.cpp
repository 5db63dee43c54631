#include "common/Logging.h"

Q_LOGGING_CATEGORY(lcSend, "zelvo.send", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWatch, "zelvo.watch", QtInfoMsg)
Q_LOGGING_CATEGORY(lcReminders, "zelvo.reminders", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWeb, "zelvo.web", QtInfoMsg)

void useZelvoLogPattern()
{
    if (qEnvironmentVariableIsEmpty("QT_MESSAGE_PATTERN"))
        qSetMessagePattern(
            QStringLiteral("%{time yyyy-MM-dd hh:mm:ss} %{category} %{if-warning}warnung: %{endif}%{message}"));
}
