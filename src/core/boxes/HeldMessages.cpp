#include "boxes/HeldMessages.h"

#include "boxes/StoredWords.h"
#include "common/AtomicFile.h"
#include "common/DamagedFile.h"
#include "common/Clock.h"
#include "common/Logging.h"
#include "common/SystemErrorText.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace {

constexpr int kFormat = 1;
// Four full boxes of the longest texts are far below this; a larger file
// is none of ours.
constexpr qint64 kMaxBytes = 16 * 1024 * 1024;

const char *const kReasons[] = {"off", "standby"};

using StoredWords::enumOf;
using StoredWords::wordOf;

} // namespace

HeldMessages::HeldMessages(const QDir &folder, const Clock &clock)
    : m_path(folder.filePath(kFileName))
    , m_clock(clock)
{
}

QList<HeldMessage> HeldMessages::load()
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return {};
    QFile file(m_path);
    if (!info.isFile()) {
        setAside(QStringLiteral("keine gewöhnliche Datei"));
        return {};
    }
    if (info.size() > kMaxBytes) {
        setAside(QStringLiteral("zu groß"));
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable is not damaged: it stays, and is not written over.
        m_mayWrite = false;
        qCWarning(lcSend).noquote() << m_path << "kann nicht gelesen werden:" << file.errorString()
                                    << "- zurückgehaltene Nachrichten bleiben bis zum Ende nur im Speicher";
        return {};
    }
    if (!fromJson(file.read(kMaxBytes + 1))) {
        setAside(QStringLiteral("kein lesbarer Inhalt"));
        return {};
    }
    return dropExpired();
}

HeldMessages::Held HeldMessages::hold(HeldMessage message)
{
    Q_ASSERT(message.box >= 1 && message.box <= BoxList::kBoxes);
    Held held;
    if (message.box < 1 || message.box > BoxList::kBoxes)
        return held;
    QList<HeldMessage> &box = m_boxes[message.box - 1];
    if (box.size() >= kMaxPerBox)
        held.pushedOut = box.takeFirst();
    message.id = freshId();
    held.id = message.id;
    box.append(message);
    save(QStringLiteral("neu zurückgehaltene Nachrichten gehen bei einem Neustart verloren"));
    return held;
}

void HeldMessages::keepQuestions(const QJsonArray &questions)
{
    if (questions == m_questions)
        return;
    m_questions = questions;
    save(QStringLiteral("offene Fragen gehen bei einem Neustart verloren"));
}

std::optional<HeldMessage> HeldMessages::takeFirst(int box)
{
    if (box < 1 || box > BoxList::kBoxes || m_boxes.at(box - 1).isEmpty())
        return std::nullopt;
    const HeldMessage first = m_boxes[box - 1].takeFirst();
    if (!save(QStringLiteral("zurückgehaltene Nachrichten bleiben zurückgehalten, bis sie geschrieben werden kann "
                             "(gesendet kämen sie nach einem Neustart noch einmal)"))
        && m_onDisk.contains(first.id)) {
        m_boxes[box - 1].prepend(first);
        return std::nullopt;
    }
    return first;
}

bool HeldMessages::putBack(const HeldMessage &message)
{
    if (message.box < 1 || message.box > BoxList::kBoxes || m_boxes.at(message.box - 1).size() >= kMaxPerBox)
        return false;
    HeldMessage back = message;
    if (inUse(back.id))
        back.id = freshId();
    m_boxes[message.box - 1].prepend(back);
    save(QStringLiteral("neu zurückgehaltene Nachrichten gehen bei einem Neustart verloren"));
    return true;
}

std::optional<HeldMessage> HeldMessages::take(quint64 id)
{
    for (QList<HeldMessage> &box : m_boxes) {
        for (qsizetype i = 0; i < box.size(); ++i) {
            if (box.at(i).id == id) {
                const HeldMessage taken = box.takeAt(i);
                save(QStringLiteral("ein verworfener Text steht noch darin und kommt beim nächsten Start wieder"));
                return taken;
            }
        }
    }
    return std::nullopt;
}

QList<HeldMessage> HeldMessages::dropExpired()
{
    const QDateTime now = m_clock.now();
    QList<HeldMessage> expired;
    for (QList<HeldMessage> &box : m_boxes) {
        for (auto it = box.begin(); it != box.end();) {
            if (it->expired(now)) {
                expired << *it;
                it = box.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (!expired.isEmpty())
        save(QStringLiteral("verfallene Nachrichten stehen noch darin und werden beim nächsten Start verworfen"));
    return expired;
}

int HeldMessages::count() const
{
    int n = 0;
    for (const QList<HeldMessage> &box : m_boxes)
        n += box.size();
    return n;
}

bool HeldMessages::save(const QString &consequence)
{
    const QString error = m_mayWrite ? AtomicFile::write(m_path, toJson())
                                     : QStringLiteral("die alte Datei ist weder lesbar noch beiseitegelegt");
    // Once per failure and what it means, not once per message.
    if (!error.isEmpty() && error + consequence != m_loggedFailure) {
        qCWarning(lcSend).noquote() << m_path << "kann nicht geschrieben werden:" << error << "-" << consequence;
        m_loggedFailure = error + consequence;
    } else if (error.isEmpty() && !m_writeError.isEmpty()) {
        qCInfo(lcSend).noquote() << m_path << "wird wieder geschrieben";
    }
    if (error.isEmpty()) {
        m_loggedFailure.clear();
        m_onDisk.clear();
        for (const QList<HeldMessage> &box : m_boxes)
            for (const HeldMessage &m : box)
                m_onDisk.insert(m.id);
    }
    m_writeError = error;
    return error.isEmpty();
}

quint64 HeldMessages::freshId()
{
    quint64 id = 0;
    do {
        id = m_nextId;
        m_nextId = m_nextId >= kMaxId ? 1 : m_nextId + 1;
    } while (inUse(id));
    return id;
}

bool HeldMessages::inUse(quint64 id) const
{
    for (const QList<HeldMessage> &box : m_boxes)
        for (const HeldMessage &m : box)
            if (m.id == id)
                return true;
    return false;
}

QByteArray HeldMessages::toJson() const
{
    QJsonArray list;
    for (const QList<HeldMessage> &box : m_boxes) {
        for (const HeldMessage &m : box) {
            QJsonObject o = StoredWords::keptFields(m);
            o.insert(QStringLiteral("reason"), wordOf(m.reason, kReasons));
            if (m.message.confirm)
                o.insert(QStringLiteral("confirm"), true);
            list.append(o);
        }
    }
    QJsonObject file;
    file.insert(QStringLiteral("format"), kFormat);
    file.insert(QStringLiteral("nextId"), qint64(m_nextId));
    file.insert(QStringLiteral("held"), list);
    if (!m_questions.isEmpty())
        file.insert(QStringLiteral("questions"), m_questions);
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

bool HeldMessages::fromJson(const QByteArray &bytes)
{
    const QJsonObject file = QJsonDocument::fromJson(bytes).object();
    if (file.value(QStringLiteral("format")).toInt() != kFormat || !file.value(QStringLiteral("held")).isArray())
        return false;
    std::array<QList<HeldMessage>, BoxList::kBoxes> boxes;
    const qint64 nextId = file.value(QStringLiteral("nextId")).toInteger();
    m_nextId = nextId >= 1 ? quint64(nextId) : 1;
    QJsonArray bad;
    const QJsonArray entries = file.value(QStringLiteral("held")).toArray();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject o = entries.at(i).toObject();
        HeldMessage m;
        // An id out of range gets a fresh one below.
        const bool complete = StoredWords::readKeptFields(o, &m);
        m.message.confirm = o.value(QStringLiteral("confirm")).toBool();
        const char *why = nullptr;
        if (m.box < 1 || m.box > BoxList::kBoxes)
            why = "keine Box 1 bis 4";
        else if (!complete || !enumOf(o.value(QStringLiteral("reason")), kReasons, &m.reason))
            why = "unvollständig";
        else if (boxes.at(m.box - 1).size() >= kMaxPerBox)
            why = "mehr als 100 für die Box";
        if (why) {
            qCWarning(lcSend).noquote() << m_path << QStringLiteral("Eintrag %1 ist beschädigt (%2) und wird beiseitegelegt")
                                                         .arg(i + 1)
                                                         .arg(QLatin1String(why));
            bad.append(entries.at(i));
            continue;
        }
        boxes[m.box - 1].append(m);
    }
    m_boxes = boxes;
    m_questions = file.value(QStringLiteral("questions")).toArray();
    // An id given twice: the later one gets a fresh one.
    QSet<quint64> seen;
    for (QList<HeldMessage> &box : m_boxes)
        for (HeldMessage &m : box) {
            if (m.id == 0 || seen.contains(m.id)) {
                m.id = 0;
                m.id = freshId();
            }
            seen.insert(m.id);
            m_onDisk.insert(m.id);
        }
    if (!bad.isEmpty()) {
        const QString aside = DamagedFile::freeName(m_path);
        const QByteArray kept = QJsonDocument(QJsonObject{{QStringLiteral("format"), kFormat},
                                                          {QStringLiteral("held"), bad}})
                                    .toJson(QJsonDocument::Indented);
        const QString error = AtomicFile::write(aside, kept);
        qCWarning(lcSend).noquote() << m_path << bad.size()
                                    << (error.isEmpty() ? QStringLiteral("beschädigte Einträge beiseitegelegt als %1").arg(aside)
                                                        : QStringLiteral("beschädigte Einträge verworfen, %1 kann nicht "
                                                                         "geschrieben werden: %2")
                                                              .arg(aside, error));
    }
    return true;
}

void HeldMessages::setAside(const QString &why)
{
    const QString aside = DamagedFile::setAside(m_path);
    if (aside.isEmpty()) {
        m_mayWrite = false;
        qCWarning(lcSend).noquote() << m_path
                                    << QStringLiteral("ist beschädigt (%1) und kann nicht beiseitegelegt werden:").arg(why)
                                    << SystemErrorText::of(errno)
                                    << "- sie bleibt, wie sie ist; zurückgehaltene Nachrichten bleiben bis zum Ende "
                                       "nur im Speicher";
        return;
    }
    qCWarning(lcSend).noquote() << m_path << QStringLiteral("ist beschädigt (%1), beiseitegelegt als").arg(why)
                                << aside << "- es geht ohne zurückgehaltene Nachrichten weiter";
}
