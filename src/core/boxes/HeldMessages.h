#pragma once

#include "boxes/BoxList.h"
#include "boxes/HeldMessage.h"

#include <QDir>
#include <QJsonArray>
#include <QList>
#include <QSet>
#include <QString>

#include <array>
#include <limits>
#include <optional>

class Clock;

// The messages that wait for their boxes: per box in the order they were
// held, at most kMaxPerBox each. Every change is written at once to
// zelvo-zurueckgehalten.json in the working folder (through AtomicFile), so
// that a restart or a crash loses none; only one Zelvo runs per folder, so
// the file has one writer. A message leaves the file before it goes to its
// box, one at a time: a crash loses at most the one on its way, and one that
// cannot leave the file (a full disk, a read-only folder) is not sent, since
// a restart would send it again.
class HeldMessages
{
public:
    static inline const QString kFileName = QStringLiteral("zelvo-zurueckgehalten.json");
    static constexpr int kMaxPerBox = 100;

    HeldMessages(const QDir &folder, const Clock &clock);

    // Ids are 1..kMaxId; after the last one they start again at 1, skipping
    // those in use.
    static constexpr quint64 kMaxId = quint64(std::numeric_limits<qint64>::max());

    // Reads the file at start. Returns the messages whose time ran out
    // meanwhile; they are dropped. A damaged file is kept aside as
    // "<name>.defekt" (or "<name>.2.defekt", …) and the list starts empty;
    // a damaged entry alone goes there, the others stay.
    QList<HeldMessage> load();

    struct Held {
        quint64 id = 0;
        std::optional<HeldMessage> pushedOut; // the box's oldest, when it had kMaxPerBox
    };
    // Holds message (its id is given here) behind the others of its box.
    Held hold(HeldMessage message);

    // The box's oldest message, taken out of the list and the file; none
    // when the box has none, or when the message is in the file and the file
    // could not be written without it (it stays held; writeError() says why).
    std::optional<HeldMessage> takeFirst(int box);
    // A message taken that did not reach its box: first in its box again,
    // with its id and expiry. False when its box filled up meanwhile (it
    // would be the oldest, so it is the one pushed out).
    bool putBack(const HeldMessage &message);
    // The message with id, which then waits no more; none when unknown.
    std::optional<HeldMessage> take(quint64 id);
    // The messages whose time ran out by the clock's now, oldest first per box.
    QList<HeldMessage> dropExpired();

    // The questions for confirmation still open or waiting, kept in the same
    // file as the question watch writes them (read by load()).
    void keepQuestions(const QJsonArray &questions);
    const QJsonArray &questions() const { return m_questions; }

    const QList<HeldMessage> &held(int box) const { return m_boxes.at(box - 1); }
    int count() const;

    // Why the last write failed, in German; empty after a good one.
    QString writeError() const { return m_writeError; }

private:
    // Whether the file now holds the list; the log says why not, once per
    // failure, with what that means (consequence).
    bool save(const QString &consequence);
    QByteArray toJson() const;
    bool fromJson(const QByteArray &bytes);
    void setAside(const QString &why);
    quint64 freshId();
    bool inUse(quint64 id) const;

    QString m_path;
    const Clock &m_clock;
    std::array<QList<HeldMessage>, BoxList::kBoxes> m_boxes;
    quint64 m_nextId = 1;
    QString m_writeError;
    QJsonArray m_questions;
    QString m_loggedFailure;
    QSet<quint64> m_onDisk; // the ids the file holds, as last read or written
    bool m_mayWrite = true; // false while a damaged file could not be set aside
};
