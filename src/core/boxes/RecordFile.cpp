#include "boxes/RecordFile.h"

#include "boxes/DeliveryRecord.h"
#include "boxes/SendResultText.h"
#include "boxes/StoredWords.h"
#include "common/AtomicFile.h"
#include "common/BoxCount.h"
#include "common/DamagedFile.h"
#include "common/Logging.h"
#include "common/SystemErrorText.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <iterator>

namespace {

constexpr int kFormat = 1;
// 500 entries of the longest texts stay far below this; a larger file is
// none of ours.
constexpr qint64 kMaxBytes = 32 * 1024 * 1024;

// In the order of DeliveryOutcome.
const char *const kOutcomes[] = {"waiting", "answered", "timedOut", "refused", "failed",
                                 "notSent", "dropped",  "held",     "expired"};
// In the order of SendFailure. Stored beside the words shown, which older
// readers and the page keep using.
const char *const kFailures[] = {"none",         "standby",         "off",           "notShown",
                                 "notHeldStandby", "notHeldOff",    "pushedOut",     "expired",
                                 "noBox",        "addressRefused",  "boxRefused",    "connectionRefused",
                                 "connectionClosed", "noConnection", "noHttpAnswer", "invalidTarget",
                                 "kindUnknown",  "lookupTimedOut",  "connectTimedOut", "noAnswer",
                                 "dropped",      "discarded",       "zelvoEnded",    "questionOpen",
                                 "tooManyQuestions"};
static_assert(std::size(kFailures) == std::size_t(SendFailure::TooManyQuestions) + 1);

using StoredWords::enumOf;
using StoredWords::kConfirmations;
using StoredWords::timeOf;
using StoredWords::timeText;
using StoredWords::wordOf;

QJsonObject toObject(const Delivery &d)
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), qint64(d.id));
    o.insert(QStringLiteral("time"), timeText(d.time));
    o.insert(QStringLiteral("source"), wordOf(d.origin.source, StoredWords::kSources));
    o.insert(QStringLiteral("box"), d.origin.box);
    o.insert(QStringLiteral("address"), d.address);
    o.insert(QStringLiteral("boxKind"), d.boxKind);
    o.insert(QStringLiteral("kind"), wordOf(d.kind, StoredWords::kKinds));
    o.insert(QStringLiteral("firstLine"), d.firstLine);
    o.insert(QStringLiteral("text"), d.text);
    o.insert(QStringLiteral("changedOnTheWay"), d.changedOnTheWay);
    o.insert(QStringLiteral("outcome"), wordOf(d.outcome, kOutcomes));
    o.insert(QStringLiteral("httpStatus"), d.httpStatus);
    o.insert(QStringLiteral("reason"), d.reason);
    o.insert(QStringLiteral("why"), wordOf(d.why, kFailures));
    o.insert(QStringLiteral("heldBecause"), d.heldBecause);
    o.insert(QStringLiteral("endedAt"), d.endedAt.isValid() ? timeText(d.endedAt) : QString());
    if (d.confirmation != Confirmation::None) {
        o.insert(QStringLiteral("confirmation"), wordOf(d.confirmation, kConfirmations));
        o.insert(QStringLiteral("confirmedAt"), d.confirmedAt.isValid() ? timeText(d.confirmedAt) : QString());
    }
    return o;
}

bool fromObject(const QJsonObject &o, Delivery *d)
{
    d->id = quint64(o.value(QStringLiteral("id")).toInteger());
    d->time = timeOf(o.value(QStringLiteral("time")));
    d->origin.box = o.value(QStringLiteral("box")).toInt();
    d->address = o.value(QStringLiteral("address")).toString().left(Delivery::kMaxText);
    d->boxKind = o.value(QStringLiteral("boxKind")).toString().left(Delivery::kMaxText);
    d->firstLine = Delivery::firstLineOf(o.value(QStringLiteral("firstLine")).toString());
    d->text = o.value(QStringLiteral("text")).toString().left(Delivery::kMaxText);
    d->changedOnTheWay = o.value(QStringLiteral("changedOnTheWay")).toBool();
    d->httpStatus = o.value(QStringLiteral("httpStatus")).toInt();
    d->reason = o.value(QStringLiteral("reason")).toString().left(Delivery::kMaxText);
    d->heldBecause = o.value(QStringLiteral("heldBecause")).toString().left(Delivery::kMaxText);
    d->endedAt = timeOf(o.value(QStringLiteral("endedAt")));
    if (!enumOf(o.value(QStringLiteral("outcome")), kOutcomes, &d->outcome))
        return false;
    // Written before the why was kept: only a thrown-away message is told apart.
    if (!enumOf(o.value(QStringLiteral("why")), kFailures, &d->why) && d->reason.isEmpty()
        && d->outcome == DeliveryOutcome::Dropped)
        d->why = SendFailure::Discarded;
    d->confirmedAt = timeOf(o.value(QStringLiteral("confirmedAt")));
    if (o.contains(QStringLiteral("confirmation"))
        && !enumOf(o.value(QStringLiteral("confirmation")), kConfirmations, &d->confirmation))
        return false;
    return d->id > 0 && d->time.isValid() && d->origin.box >= 0 && d->origin.box <= BoxCount::kBoxes
           && enumOf(o.value(QStringLiteral("source")), StoredWords::kSources, &d->origin.source)
           && enumOf(o.value(QStringLiteral("kind")), StoredWords::kKinds, &d->kind);
}

} // namespace

RecordFile::RecordFile(const QDir &folder, DeliveryRecord *record, QObject *parent)
    : QObject(parent)
    , m_path(folder.filePath(kFileName))
    , m_record(record)
{
    m_writeLater.setSingleShot(true);
    m_writeLater.setTimerType(Qt::CoarseTimer);
    m_writeLater.setInterval(kWriteDelayMs);
    connect(&m_writeLater, &QTimer::timeout, this, &RecordFile::flush);
    connect(record, &DeliveryRecord::added, this, &RecordFile::changed);
    connect(record, &DeliveryRecord::updated, this, &RecordFile::changed);
}

RecordFile::~RecordFile()
{
    if (m_writeLater.isActive())
        flush();
}

void RecordFile::load()
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return;
    QString damage;
    QFile file(m_path);
    QList<Delivery> entries;
    if (!info.isFile()) {
        damage = QStringLiteral("keine gewöhnliche Datei");
    } else if (info.size() > kMaxBytes) {
        damage = QStringLiteral("zu groß");
    } else if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable is not damaged: it stays, and is not written over.
        m_mayWrite = false;
        qCWarning(lcSend).noquote() << m_path << "kann nicht gelesen werden:" << file.errorString()
                                    << "- der Verlauf bleibt bis zum Ende nur im Speicher";
        return;
    } else {
        const QJsonObject o = QJsonDocument::fromJson(file.read(kMaxBytes + 1)).object();
        const QJsonValue list = o.value(QStringLiteral("entries"));
        bool whole = o.value(QStringLiteral("format")).toInt() == kFormat && list.isArray();
        quint64 lastId = 0;
        for (const QJsonValue &v : list.toArray()) {
            Delivery d;
            whole = whole && fromObject(v.toObject(), &d) && d.id > lastId;
            if (!whole)
                break;
            lastId = d.id;
            if (d.outcome == DeliveryOutcome::Held)
                continue;
            if (d.outcome == DeliveryOutcome::Waiting) {
                d.outcome = DeliveryOutcome::Failed;
                d.why = SendFailure::ZelvoEnded;
                d.reason = SendResultText::reason(SendResult::failed(d.outcome, d.why));
            }
            entries << d;
        }
        if (!whole)
            damage = QStringLiteral("kein lesbarer Inhalt");
    }
    if (!damage.isEmpty()) {
        const QString aside = DamagedFile::setAside(m_path);
        if (aside.isEmpty()) {
            m_mayWrite = false;
            qCWarning(lcSend).noquote() << m_path
                                        << QStringLiteral("ist beschädigt (%1) und kann nicht beiseitegelegt werden:")
                                               .arg(damage)
                                        << SystemErrorText::of(errno)
                                        << "- sie bleibt, wie sie ist; der Verlauf bleibt bis zum Ende nur im Speicher";
        } else {
            qCWarning(lcSend).noquote() << m_path << QStringLiteral("ist beschädigt (%1), beiseitegelegt als").arg(damage)
                                        << aside << "- der Verlauf beginnt leer";
        }
        return;
    }
    m_record->restore(entries);
}

void RecordFile::changed()
{
    if (!m_writeLater.isActive())
        m_writeLater.start();
}

void RecordFile::flush()
{
    m_writeLater.stop();
    const QString error = m_mayWrite ? AtomicFile::write(m_path, toJson())
                                     : QStringLiteral("die alte Datei ist weder lesbar noch beiseitegelegt");
    // Once per failure, not once per entry.
    if (!error.isEmpty() && error != m_writeError)
        qCWarning(lcSend).noquote() << m_path << "kann nicht geschrieben werden:" << error
                                    << "- die neuesten Einträge des Verlaufs gehen bei einem Neustart verloren";
    else if (error.isEmpty() && !m_writeError.isEmpty())
        qCInfo(lcSend).noquote() << m_path << "wird wieder geschrieben";
    m_writeError = error;
}

QByteArray RecordFile::toJson() const
{
    QJsonArray list;
    for (const Delivery &d : m_record->entries())
        list.append(toObject(d));
    QJsonObject file;
    file.insert(QStringLiteral("format"), kFormat);
    file.insert(QStringLiteral("entries"), list);
    return QJsonDocument(file).toJson(QJsonDocument::Compact);
}
