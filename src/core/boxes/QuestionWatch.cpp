#include "boxes/QuestionWatch.h"

#include "boxes/BoxSender.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/HeldMessages.h"
#include "boxes/SendHandle.h"
#include "boxes/StoredWords.h"
#include "common/Clock.h"
#include "common/Logging.h"

#include <QJsonObject>

#include <algorithm>

namespace {

// In the order of QuestionWatch::Question::State.
const char *const kStates[] = {"waiting", "going", "open", "away"};

} // namespace

QuestionWatch::QuestionWatch(BoxSender *sender, DeliveryRecord *record, HeldMessages *held, const Clock &clock,
                             QObject *parent)
    : QObject(parent)
    , m_sender(sender)
    , m_record(record)
    , m_held(held)
    , m_clock(clock)
{
    m_states.fill(BoxState::Unknown);
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &QuestionWatch::poll);
    connect(sender, &BoxSender::boxStateSet, this, &QuestionWatch::stateSet);
    connect(sender, &BoxSender::modeAnswered, this, &QuestionWatch::answered);
    sender->takeQuestionsWith([this](SendHandle *handle, bool restored) { return take(handle, restored); });
}

int QuestionWatch::openCount() const
{
    int count = 0;
    for (const QList<Question> &box : m_boxes)
        count += int(box.size());
    return count;
}

QuestionWatch::Question *QuestionWatch::find(quint64 id)
{
    for (QList<Question> &box : m_boxes)
        for (Question &q : box)
            if (q.id == id)
                return &q;
    return nullptr;
}

// handle's question, asked now, open for minutes.
QuestionWatch::Question QuestionWatch::questionOf(const SendHandle *handle, int minutes) const
{
    Question q;
    q.id = handle->id();
    q.box = handle->box();
    q.message = handle->message();
    q.origin = handle->origin();
    q.madeAt = m_clock.now();
    q.expiresAt = q.madeAt.addSecs(qint64(minutes) * 60);
    return q;
}

// A message that asks for confirmation: out at once when its box has no
// question out, else it waits its turn.
std::optional<SendResult> QuestionWatch::take(SendHandle *handle, bool restored)
{
    QList<Question> &box = m_boxes[handle->box() - 1];
    if (restored) {
        m_restored << handle; // held for its box; restore() puts it in its place
        return std::nullopt;
    }
    const int minutes = m_sender->holdMinutesFor(handle->origin());
    Question q = questionOf(handle, minutes > 0 ? minutes : kDefaultMinutes);
    if (box.size() >= kMaxPerBox) {
        // The newest goes: the ones before it were asked for first.
        const SendResult refused = SendResult::failed(DeliveryOutcome::Expired, SendFailure::TooManyQuestions);
        QTimer::singleShot(0, this, [this, handle = QPointer<SendHandle>(handle), refused] {
            if (handle)
                m_sender->endKept(handle, refused);
        });
        return SendResult::failed(DeliveryOutcome::Held, SendFailure::QuestionOpen);
    }
    const bool first = box.isEmpty();
    q.handle = handle;
    box << q;
    if (first) {
        box.first().state = Question::State::Going;
        follow(box.first(), handle);
    }
    changed();
    if (first)
        return std::nullopt;
    qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Frage wartet, bis die vorige beantwortet ist:").arg(q.box)
                             << Delivery::firstLineOf(q.message.text);
    return SendResult::failed(DeliveryOutcome::Held, SendFailure::QuestionOpen);
}

void QuestionWatch::follow(Question &q, SendHandle *handle)
{
    q.handle = handle;
    const quint64 id = q.id;
    connect(handle, &SendHandle::finished, this, [this, id](const SendResult &result) { went(id, result); });
}

// The box's first question goes out, when it waits.
void QuestionWatch::goNext(int box)
{
    if (m_boxes[box - 1].isEmpty() || m_boxes[box - 1].first().state != Question::State::Waiting)
        return;
    Question &q = m_boxes[box - 1].first();
    q.state = Question::State::Going;
    if (SendHandle *handle = q.handle) {
        follow(q, handle);
        m_sender->proceed(handle);
    } else {
        follow(q, m_sender->sendAgain(q.id, q.box, q.message, q.origin));
    }
    changed();
}

// The box took the question (or it ended on its way).
void QuestionWatch::went(quint64 id, const SendResult &result)
{
    Question *q = find(id);
    if (!q || q->state != Question::State::Going)
        return;
    const int box = q->box;
    if (!result.delivered()) {
        // Its record says why; a question that may be on the screen without
        // an answer is asked again when the box is on.
        if (result.outcome == DeliveryOutcome::TimedOut && !result.shownText.isEmpty()) {
            q->state = Question::State::Away;
            changed();
            return;
        }
        m_boxes[box - 1].removeFirst();
        changed();
        goNext(box);
        return;
    }
    if (!m_sender->canTellAnswer(box)) {
        qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Nachricht angezeigt, bis sie geschlossen wird (die Box "
                                                   "kann nicht melden, ob sie gesehen wurde):")
                                        .arg(box)
                                 << Delivery::firstLineOf(q->message.text);
        end(box, Confirmation::CannotTell);
        return;
    }
    q->state = Question::State::Open;
    if (m_record)
        m_record->confirm(id, Confirmation::Waiting);
    emit confirmationChanged(box, q->message.text, Confirmation::Waiting, QDateTime());
    changed();
}

void QuestionWatch::stateSet(int box, BoxState state)
{
    const BoxState before = std::exchange(m_states[box - 1], state);
    if (m_boxes[box - 1].isEmpty())
        return;
    Question &q = m_boxes[box - 1].first();
    if (state != BoxState::On && state != BoxState::Unknown && q.state == Question::State::Open) {
        q.state = Question::State::Away; // its screen went dark: the question is gone
        changed();
    } else if (state == BoxState::On && before != BoxState::On
               && (q.state == Question::State::Open || q.state == Question::State::Away)) {
        ask(q); // once right after it came on: answered meanwhile?
    }
}

void QuestionWatch::ask(Question &q)
{
    if (!q.asked)
        q.asked = m_sender->askAnswer(q.box);
}

void QuestionWatch::poll()
{
    const QDateTime now = m_clock.now();
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        QList<Question> &list = m_boxes[box - 1];
        // Those waiting their turn whose time ran out were never shown.
        for (qsizetype i = list.size() - 1; i >= 0; --i) {
            if (list.at(i).state != Question::State::Waiting || list.at(i).expiresAt > now)
                continue;
            const Question q = list.takeAt(i);
            const SendResult expired = SendResult::failed(DeliveryOutcome::Expired, SendFailure::Expired);
            if (q.handle)
                m_sender->endKept(q.handle, expired);
            else if (m_record)
                m_record->conclude(q.id, expired);
            changed();
        }
        goNext(box);
        if (list.isEmpty())
            continue;
        Question &q = list.first();
        const bool out = q.state == Question::State::Open || q.state == Question::State::Away;
        if (out && q.expiresAt <= now) {
            qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Nachricht nicht bestätigt:").arg(box)
                                     << Delivery::firstLineOf(q.message.text);
            end(box, Confirmation::Unconfirmed);
            continue;
        }
        const BoxState state = m_states[box - 1];
        if (out && (state == BoxState::On || state == BoxState::Unknown))
            ask(q);
    }
}

void QuestionWatch::answered(quint64 asked, const QuestionAnswer &answer)
{
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (m_boxes[box - 1].isEmpty() || m_boxes[box - 1].first().asked != asked)
            continue;
        Question &q = m_boxes[box - 1].first();
        q.asked = 0;
        if (!answer.reached || !answer.reply)
            return; // asked again at the next poll
        if (*answer.reply != PromptReply::Open) {
            const Confirmation c = *answer.reply == PromptReply::Yes  ? Confirmation::Yes
                                   : *answer.reply == PromptReply::No ? Confirmation::No
                                                                       : Confirmation::Seen;
            qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Nachricht gesehen (%2):")
                                            .arg(box)
                                            .arg(c == Confirmation::Yes  ? QStringLiteral("Ja")
                                                 : c == Confirmation::No ? QStringLiteral("Nein")
                                                                         : QStringLiteral("beantwortet"))
                                     << Delivery::firstLineOf(q.message.text);
            end(box, c);
        } else if (q.state == Question::State::Away && m_states[box - 1] != BoxState::Off
                   && m_states[box - 1] != BoxState::Standby) {
            qCInfo(lcSend).noquote() << QStringLiteral("Box %1: Frage erneut gestellt:").arg(box)
                                     << Delivery::firstLineOf(q.message.text);
            q.state = Question::State::Going;
            follow(q, m_sender->sendAgain(q.id, q.box, q.message, q.origin));
            changed();
        }
        return;
    }
}

// The box's question is done: its record says how, the next one goes.
void QuestionWatch::end(int box, Confirmation confirmation)
{
    const Question q = m_boxes[box - 1].takeFirst();
    if (m_record && confirmation != Confirmation::None)
        m_record->confirm(q.id, confirmation, m_clock.now());
    if (confirmation != Confirmation::None)
        emit confirmationChanged(box, q.message.text, confirmation, m_clock.now());
    changed();
    goNext(box);
}

void QuestionWatch::restore()
{
    if (!m_held)
        return;
    const QList<Question> kept = fromJson(m_held->questions());
    const QList<SendHandle *> restored = std::exchange(m_restored, {});
    for (Question q : kept) {
        if (q.box < 1 || q.box > BoxList::kBoxes || m_boxes[q.box - 1].size() >= kMaxPerBox)
            continue;
        QList<Question> &box = m_boxes[q.box - 1];
        if (q.state == Question::State::Going) {
            // Held for its box, it comes back as a held message; one that was
            // on its way is asked again.
            const auto it = std::find_if(restored.begin(), restored.end(),
                                         [&](SendHandle *h) { return h->box() == q.box && h->message() == q.message; });
            if (it != restored.end() && box.isEmpty()) {
                q.id = (*it)->id();
                box << q;
                follow(box.last(), *it);
                continue;
            }
            q.state = Question::State::Away;
        }
        if (q.state == Question::State::Open)
            q.state = Question::State::Away; // answered meanwhile, or asked again
        if (!box.isEmpty() && q.state != Question::State::Waiting)
            q.state = Question::State::Waiting;
        box << q;
    }
    // A held one read back that the file did not name goes on as its box's.
    for (SendHandle *handle : restored) {
        if (find(handle->id()))
            continue;
        Question q = questionOf(handle, kDefaultMinutes);
        q.state = m_boxes[q.box - 1].isEmpty() ? Question::State::Going : Question::State::Waiting;
        m_boxes[q.box - 1] << q;
        follow(m_boxes[q.box - 1].last(), handle);
    }
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        goNext(box);
    if (openCount() > 0)
        qCInfo(lcSend).noquote() << openCount() << "Fragen warten auf Bestätigung";
    changed();
}

void QuestionWatch::changed()
{
    const int count = openCount();
    if (count > 0 && !m_poll.isActive())
        m_poll.start();
    else if (count == 0)
        m_poll.stop();
    if (m_held) {
        QList<Question> all;
        for (const QList<Question> &box : m_boxes)
            all += box;
        m_held->keepQuestions(toJson(all));
    }
    if (count != m_countShown) {
        m_countShown = count;
        emit openCountChanged(count);
    }
}

QJsonArray QuestionWatch::toJson(const QList<Question> &all)
{
    using namespace StoredWords;
    QJsonArray array;
    for (const Question &q : all) {
        QJsonObject o = keptFields(q);
        o.insert(QStringLiteral("sourceName"), q.origin.sourceName);
        o.insert(QStringLiteral("state"), wordOf(q.state, kStates));
        array.append(o);
    }
    return array;
}

QList<QuestionWatch::Question> QuestionWatch::fromJson(const QJsonArray &array)
{
    using namespace StoredWords;
    QList<Question> all;
    for (const QJsonValue &value : array) {
        const QJsonObject o = value.toObject();
        Question q;
        const bool complete = readKeptFields(o, &q);
        q.message.confirm = true;
        q.origin.sourceName = o.value(QStringLiteral("sourceName")).toString();
        if (!complete || q.id == 0 || q.box < 1 || q.box > BoxList::kBoxes
            || !enumOf(o.value(QStringLiteral("state")), kStates, &q.state)) {
            qCWarning(lcSend).noquote() << HeldMessages::kFileName << "eine offene Frage ist unvollständig und entfällt";
            continue;
        }
        all << q;
    }
    return all;
}
