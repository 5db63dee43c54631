#pragma once

#include <QLoggingCategory>

// Log categories, all to stderr, info and above on by default.
Q_DECLARE_LOGGING_CATEGORY(lcSend)       // "zelvo.send": each request and its outcome
Q_DECLARE_LOGGING_CATEGORY(lcWatch)      // "zelvo.watch": each probe result
Q_DECLARE_LOGGING_CATEGORY(lcReminders)  // "zelvo.reminders": list checks and bad lists
Q_DECLARE_LOGGING_CATEGORY(lcWeb)        // "zelvo.web": the page on the home network

// The log line of both programs: time, category, message; a pattern the
// user set in QT_MESSAGE_PATTERN wins.
void useZelvoLogPattern();
