#include "common/Logging.h"

Q_LOGGING_CATEGORY(lcSend, "zelvo.send", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWatch, "zelvo.watch", QtInfoMsg)
Q_LOGGING_CATEGORY(lcReminders, "zelvo.reminders", QtInfoMsg)
