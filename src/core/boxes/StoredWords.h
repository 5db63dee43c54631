#pragma once

#include "boxes/Delivery.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QLatin1String>
#include <QString>

#include <cstddef>

// The words Zelvo's own files use for its enums, in the enums' order, so
// that a file written by one version reads the same in the next.
namespace StoredWords {

inline const char *const kKinds[] = {"popup", "message"};
inline const char *const kSources[] = {"reminder", "statusNotice", "boxTest", "typedText", "script", "web"};
// The web page's record answer says these too.
inline const char *const kConfirmations[] = {"none", "waiting", "yes", "no", "seen", "unconfirmed", "cannotTell"};

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

// The fields every message kept for later has in Zelvo's files (a held
// message, an open question): id, box, kind, text, source, title, madeAt,
// expiresAt.
template <typename Kept>
QJsonObject keptFields(const Kept &k)
{
    QJsonObject o{{QStringLiteral("id"), qint64(k.id)},
                  {QStringLiteral("box"), k.box},
                  {QStringLiteral("kind"), wordOf(k.message.kind, kKinds)},
                  {QStringLiteral("text"), k.message.text},
                  {QStringLiteral("source"), wordOf(k.origin.source, kSources)},
                  {QStringLiteral("title"), k.origin.title},
                  {QStringLiteral("madeAt"), timeText(k.madeAt)},
                  {QStringLiteral("expiresAt"), timeText(k.expiresAt)}};
    // A reminder's due time: held over a restart, it still says it comes late.
    if (k.origin.dueAt.isValid())
        o.insert(QStringLiteral("dueAt"), timeText(k.origin.dueAt));
    if (!k.origin.dueWords.isEmpty())
        o.insert(QStringLiteral("dueWords"), k.origin.dueWords);
    return o;
}

// Reads keptFields() back into k (an id out of range as 0; the box as
// written, for the caller to check). False when the text, a time, the kind
// or the source is missing or none of ours.
template <typename Kept>
bool readKeptFields(const QJsonObject &o, Kept *k)
{
    const qint64 id = o.value(QStringLiteral("id")).toInteger();
    k->id = id > 0 ? quint64(id) : 0;
    k->box = o.value(QStringLiteral("box")).toInt();
    k->message.text = o.value(QStringLiteral("text")).toString();
    k->origin.box = k->box;
    k->origin.title = o.value(QStringLiteral("title")).toString();
    k->origin.dueAt = timeOf(o.value(QStringLiteral("dueAt")));
    k->origin.dueWords = o.value(QStringLiteral("dueWords")).toString();
    k->madeAt = timeOf(o.value(QStringLiteral("madeAt")));
    k->expiresAt = timeOf(o.value(QStringLiteral("expiresAt")));
    return o.value(QStringLiteral("text")).isString() && k->madeAt.isValid() && k->expiresAt.isValid()
           && enumOf(o.value(QStringLiteral("kind")), kKinds, &k->message.kind)
           && enumOf(o.value(QStringLiteral("source")), kSources, &k->origin.source);
}

} // namespace StoredWords
