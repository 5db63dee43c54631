#pragma once

#include "boxes/BoxList.h"
#include "boxes/HeldMessage.h"

#include <QDir>
#include <QList>
#include <QString>

#include <array>
#include <optional>

class Clock;

// The messages that wait for their boxes: per box in the order they were
// held, at most kMaxPerBox each. Every change is written at once to
// zelvo-zurueckgehalten.json in the working folder (through AtomicFile), so
// that a restart or a crash loses none; only one Zelvo runs per folder, so
// the file has one writer.
class HeldMessages
{
public:
    static inline const QString kFileName = QStringLiteral("zelvo-zurueckgehalten.json");
    static constexpr int kMaxPerBox = 100;

    HeldMessages(const QDir &folder, const Clock &clock);

    // Reads the file at start. Returns the messages whose time ran out
    // meanwhile; they are dropped. A damaged file is kept aside as
    // "<name>.defekt" (or "<name>.2.defekt", …) and the list starts empty.
    QList<HeldMessage> load();

    struct Held {
        quint64 id = 0;
        std::optional<HeldMessage> pushedOut; // the box's oldest, when it had kMaxPerBox
    };
    // Holds message (its id is given here) behind the others of its box.
    Held hold(HeldMessage message);

    // All messages of a box, oldest first; the box has none afterwards.
    QList<HeldMessage> takeAll(int box);
    // The message with id, which then waits no more; none when unknown.
    std::optional<HeldMessage> take(quint64 id);
    // The messages whose time ran out by the clock's now, oldest first per box.
    QList<HeldMessage> dropExpired();

    const QList<HeldMessage> &held(int box) const { return m_boxes.at(box - 1); }
    int count() const;

    // Why the last write failed, in German; empty after a good one.
    QString writeError() const { return m_writeError; }

private:
    void save();
    QByteArray toJson() const;
    bool fromJson(const QByteArray &bytes);
    void setAside(const QString &why);

    QString m_path;
    const Clock &m_clock;
    std::array<QList<HeldMessage>, BoxList::kBoxes> m_boxes;
    quint64 m_nextId = 1;
    QString m_writeError;
    bool m_mayWrite = true; // false while a damaged file could not be set aside
};
