#pragma once

#include "boxes/Delivery.h"

#include <QDateTime>
#include <QJsonValue>
#include <QLatin1String>
#include <QString>

#include <cstddef>

// The words Zelvo's own files use for its enums, in the enums' order, so
// that a file written by one version reads the same in the next.
namespace StoredWords {

inline const char *const kKinds[] = {"popup", "message"};
inline const char *const kSources[] = {"reminder", "statusNotice", "boxTest", "typedText", "script", "web"};

template <typename Enum, std::size_t N>
QString wordOf(Enum value, const char *const (&words)[N])
{
    return QLatin1String(words[std::size_t(value)]);
}

// False when the text is none of the words.
template <typename Enum, std::size_t N>
bool enumOf(const QJsonValue &text, const char *const (&words)[N], Enum *value)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (text.toString() == QLatin1String(words[i])) {
            *value = Enum(i);
            return true;
        }
    }
    return false;
}

// Kept in UTC, so that a daylight saving change between writing and reading
// moves nothing.
inline QString timeText(const QDateTime &t)
{
    return t.toUTC().toString(Qt::ISODateWithMs);
}

// Invalid when the text is no time.
inline QDateTime timeOf(const QJsonValue &text)
{
    const QDateTime t = QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
    return t.isValid() ? t.toLocalTime() : QDateTime();
}

} // namespace StoredWords
