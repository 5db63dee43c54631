#include "boxes/HttpTransport.h"

#include "boxes/BoxAddress.h"
#include "boxes/HttpExchange.h"
#include "boxes/SendResultText.h"
#include "common/BoxStateText.h"
#include "common/Logging.h"

#include <algorithm>
#include <utility>

namespace {


bool isPrintableTarget(const QByteArray &target)
{
    return target.startsWith('/')
           && std::all_of(target.begin(), target.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

bool isPrintableHeader(const std::pair<QByteArray, QByteArray> &header)
{
    const auto printable = [](char c) { return c >= 0x20 && c < 0x7F; };
    return !header.first.isEmpty() && std::all_of(header.first.begin(), header.first.end(), printable)
           && std::all_of(header.second.begin(), header.second.end(), printable);
}

} // namespace

HttpTransport::HttpTransport(quint16 port, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_timeoutMs(timeoutMs)
{
}

// Exchanges still waiting for a name's look-up stop waiting with their
// objects; the look-up is left to run out.
HttpTransport::~HttpTransport() = default;

std::shared_ptr<BoxLink> HttpTransport::link(const QString &address)
{
    const QString key = address.trimmed();
    if (const auto found = m_links.constFind(key); found != m_links.constEnd())
        return *found;
    letGoOfIdleLinks();
    return *m_links.insert(key, std::make_shared<BoxLink>(key));
}

// Typed addresses (the address test, zelvo send) leave links behind; the
// configured boxes' stay.
void HttpTransport::letGoOfIdleLinks()
{
    int idle = 0;
    for (const std::shared_ptr<BoxLink> &l : std::as_const(m_links))
        idle += !l->firstBox && l->idle() && l->login.user.isEmpty();
    if (idle <= kIdleLinksKept)
        return;
    m_links.removeIf([](const auto &it) {
        const BoxLink *l = it.value().get();
        return !l->firstBox && l->idle() && l->login.user.isEmpty();
    });
}

HttpExchange *HttpTransport::create(const std::shared_ptr<BoxLink> &link)
{
    return new HttpExchange(m_nextId++, link, this);
}

quint64 HttpTransport::submit(const std::shared_ptr<BoxLink> &link, const Message &message)
{
    HttpExchange *x = create(link);
    x->message = message;
    const quint64 id = x->id();
    hand(x);
    return id;
}

void HttpTransport::identify(const std::shared_ptr<BoxLink> &link)
{
    askIdentity(link, m_protocols.identityOrder(*link), -1);
}

bool HttpTransport::askIdentity(const std::shared_ptr<BoxLink> &link, QList<BoxProtocol *> kinds, int position)
{
    // A kind that tells nothing when asked is skipped.
    while (!kinds.isEmpty() && !kinds.first()->question(BoxQuestion::Identity))
        kinds.removeFirst();
    if (kinds.isEmpty())
        return false;
    HttpExchange *x = create(link);
    x->question = BoxQuestion::Identity;
    x->asked = kinds.takeFirst();
    x->askNext = kinds;
    hand(x, position);
    return true;
}

bool HttpTransport::identifying(const BoxLink &link)
{
    const QList<HttpExchange *> &order = link.lane.order;
    return std::any_of(order.begin(), order.end(), [](const HttpExchange *x) { return x->question == BoxQuestion::Identity; });
}

// An identity question goes to the kind it asks; everything else to the
// kind of the box.
BoxProtocol &HttpTransport::protocolOf(const HttpExchange *x)
{
    return x->asked ? *x->asked : m_protocols.protocolFor(x->link());
}

quint64 HttpTransport::ask(const std::shared_ptr<BoxLink> &link, BoxQuestion question)
{
    HttpExchange *x = create(link);
    x->question = question;
    x->askedAs = x->id();
    const quint64 id = x->id();
    if (link->settled && !m_protocols.protocolFor(*link).questionFor(*link, question)) {
        delete x; // this kind cannot be asked: the box cannot tell
        emitAnswered(id, QuestionAnswer());
        return id;
    }
    // Its kind says how a box is asked its mode: one not known yet is asked
    // what it is first.
    if (question == BoxQuestion::Mode && !link->settled && !identifying(*link) && !link->refused())
        identify(link);
    hand(x);
    return id;
}

// The request for x, for what is known of its box by now; logged: the
// changes made to suit the box are logged.
MessageRequest HttpTransport::requestOf(const HttpExchange *x, bool logged)
{
    BoxProtocol &protocol = protocolOf(x);
    if (x->question)
        return MessageRequest{protocol.questionFor(x->link(), *x->question).value_or(BoxGet()), false, {}};
    const MessageRequest request = protocol.messageRequest(x->link(), x->message);
    if (logged)
        for (const QString &change : request.changes)
            qCInfo(lcSend).noquote() << change;
    return request;
}

void HttpTransport::hand(HttpExchange *x, int position)
{
    BoxLink &link = x->link();
    const QString &key = link.key();
    const BoxAddress &box = link.address();
    if (link.refused()) {
        // Refused by its text alone: nothing to queue or wait for.
        const QByteArray target = requestOf(x, false).get.target;
        const quint64 id = x->id();
        const bool isMessage = !x->question;
        const quint64 askedAs = x->askedAs;
        const QString reason = box.reason();
        logNotSent(link, target, reason);
        delete x;
        if (isMessage)
            emitDone(id, SendResult::failed(DeliveryOutcome::NotSent, SendFailure::AddressRefused, reason));
        else if (askedAs)
            emitAnswered(askedAs, {false, std::nullopt, reason, true, 0, std::nullopt});
        return;
    }
    connect(x, &HttpExchange::connected, this, [this, x] { service(x->sharedLink()); });
    connect(x, &HttpExchange::writtenOut, this, [this, x] { service(x->sharedLink()); });
    connect(x, &HttpExchange::ended, this,
            [this, x](const SendResult &result) { ended(x, result); });
    const int questionLimit = x->question == BoxQuestion::Mode ? kModeTimeoutMs : kQueryTimeoutMs;
    x->startLimit(x->question ? std::min(questionLimit, m_timeoutMs) : m_timeoutMs);
    m_requests.insert(x->id(), x);
    QList<HttpExchange *> &order = link.lane.order;
    order.insert(position < 0 ? order.size() : std::min(position, int(order.size())), x);
    service(x->sharedLink());
}

// Runs the lanes whose state changed; calls made while it runs (a request
// failing at once) only mark their lane.
void HttpTransport::service(const std::shared_ptr<BoxLink> &link)
{
    if (std::find(m_dirty.begin(), m_dirty.end(), link) == m_dirty.end())
        m_dirty.push_back(link);
    if (m_servicing)
        return;
    m_servicing = true;
    while (!m_dirty.empty()) {
        const std::shared_ptr<BoxLink> l = m_dirty.back();
        m_dirty.pop_back();
        writeWhatMayGo(*l);
        startWhatMayStart(*l);
    }
    m_servicing = false;
}

void HttpTransport::startWhatMayStart(BoxLink &link)
{
    const QList<HttpExchange *> order = link.lane.order; // a start may fail at once and leave it
    for (HttpExchange *x : order) {
        if (link.lane.open >= kMaxConnectionsPerBox)
            return;
        if (x->state() == HttpExchange::State::Queued) {
            ++link.lane.open;
            x->start(m_port);
        }
        // Nothing behind a question starts before the question is done.
        if (x->question)
            return;
    }
}

void HttpTransport::writeWhatMayGo(BoxLink &link)
{
    BoxLink::Lane &lane = link.lane;
    while (!lane.order.isEmpty()) {
        HttpExchange *x = lane.order.first();
        using State = HttpExchange::State;
        if (x->state() == State::Done || (x->state() == State::Reading && !x->question)) {
            lane.order.removeFirst();
            continue;
        }
        if (x->state() == State::Connected && x->question == BoxQuestion::Mode && !link.settled) {
            // The questions before it did not tell what the box is: nobody
            // knows how to ask it its mode.
            x->end(DeliveryOutcome::Failed, SendFailure::KindUnknown);
            continue;
        }
        if (x->state() == State::Connected) {
            // Encoded only now: what was learnt from the box meanwhile counts.
            x->get = requestOf(x, true).get;
            if (!isPrintableTarget(x->get.target)
                || !std::all_of(x->get.headers.begin(), x->get.headers.end(), isPrintableHeader)) {
                x->end(DeliveryOutcome::Failed, SendFailure::InvalidTarget);
                continue;
            }
            const BoxAddress &address = link.address();
            const quint16 port = address.port() ? address.port() : m_port;
            const QByteArray host = address.urlHost().toLatin1() + (port == 80 ? QByteArray() : ':' + QByteArray::number(port));
            QByteArray request = "GET " + x->get.target + " HTTP/1.1\r\nHost: " + host + "\r\n";
            for (const auto &header : x->get.headers)
                request += header.first + ": " + header.second + "\r\n";
            request += "Connection: close\r\n\r\n";
            if (x->askedAs)
                qCDebug(lcSend).noquote() << "GET" << link.key() << x->get.target;
            else
                qCInfo(lcSend).noquote() << "GET" << link.key() << x->get.target;
            x->write(request);
        }
        return; // the first one not yet written holds the rest back
    }
}

void HttpTransport::ended(HttpExchange *x, const SendResult &end)
{
    const DeliveryOutcome outcome = end.outcome;
    const int status = end.httpStatus;
    // The words only for the log and a question's asker.
    const QString error = end.why == SendFailure::None ? QString() : SendResultText::reason(end);
    BoxLink &link = x->link();
    const QString key = link.key();
    if (x->get.target.isEmpty())
        x->get = requestOf(x, false).get;
    BoxLink::Lane &lane = link.lane;
    const int position = std::max(0, int(lane.order.indexOf(x)));
    lane.order.removeOne(x);
    if (x->wasStarted())
        --lane.open;
    m_requests.remove(x->id());

    const QByteArray target = x->get.target;
    if (x->askedAs)
        qCDebug(lcSend).noquote() << "Frage an" << key << target << "-" << (error.isEmpty() ? QString::number(status) : error);
    else if (outcome == DeliveryOutcome::NotSent)
        logNotSent(link, target, error);
    else if (!x->triedToConnect() && !error.isEmpty())
        qCWarning(lcSend).noquote() << "nicht gesendet an" << (QLatin1Char('"') + key + QLatin1Char('"')) << target << "-" << error;
    else if (!error.isEmpty())
        qCWarning(lcSend).noquote() << "Fehler bei" << (QLatin1Char('"') + key + QLatin1Char('"')) << target << "-" << error;
    else
        qCInfo(lcSend).noquote() << "Antwort von" << key << status << target;

    BoxProtocol &protocol = protocolOf(x);
    AnswerMeaning meaning;
    if (x->answer().status() > 0)
        meaning = protocol.readAnswer(link, x->question, x->get, x->answer());
    else if (x->question)
        protocol.unanswered(link, x->question);
    if (x->question == BoxQuestion::Identity) {
        // The next kind's question goes where this one stood, still ahead
        // of the messages behind it.
        const QString kindBefore = m_protocols.kindOf(link);
        if (!m_protocols.identified(link, protocol, meaning, x->answer().status())
            && !askIdentity(x->sharedLink(), x->askNext, position))
            m_protocols.recognisedNone(link);
        const QString kind = m_protocols.kindOf(link);
        if (!kind.isEmpty() && kind != kindBefore) {
            // Named as the lowest box that has it.
            const QString box = link.firstBox ? BoxStateText::boxName(link.firstBox, QString(), key) : key;
            qCInfo(lcSend).noquote() << box + QStringLiteral(" ist ein ") + kind + QStringLiteral("-Receiver")
                                            + (meaning.version.isEmpty() ? QString()
                                                                         : QStringLiteral(", Webinterface ") + meaning.version);
            emit kindLearnt(key, kind, meaning.version);
        }
    }
    if (x->askedAs) {
        endQuestion(x, meaning, error, outcome);
    } else if (!x->question) {
        SendResult result = end;
        result.shownText = x->written() ? protocol.shownText(x->get) : QString();
        if (outcome == DeliveryOutcome::Answered && !result.delivered())
            result.why = SendFailure::BoxRefused;
        // The box's own words why it did not take it make it a failure,
        // whatever the status ("Anmeldung verlangt" for a 401).
        if (meaning.verdict == AnswerMeaning::Verdict::Refused && !meaning.why.isEmpty()) {
            result.said = meaning.why;
            result.outcome = DeliveryOutcome::Failed;
            result.why = SendFailure::BoxRefused;
        }
        emitDone(x->id(), result);
    }
    const std::shared_ptr<BoxLink> shared = x->sharedLink();
    x->deleteLater();
    service(shared);
}

void HttpTransport::endQuestion(HttpExchange *x, const AnswerMeaning &meaning, const QString &error,
                                DeliveryOutcome outcome)
{
    BoxLink &link = x->link();
    const bool answered = x->answer().status() > 0;
    if (answered && meaning.verdict == AnswerMeaning::Verdict::NotThisKind) {
        // The server lacks this question: its next one goes in its place,
        // still ahead of the messages behind.
        const std::optional<BoxGet> next = m_protocols.protocolFor(link).questionFor(link, *x->question);
        if (next && next->target != x->get.target) {
            HttpExchange *y = create(x->sharedLink());
            y->question = x->question;
            y->askedAs = x->askedAs;
            hand(y, 0);
            return;
        }
    }
    // An answer that tells nothing (garbage, a refusal) is no answer: the
    // question is asked again next time.
    const bool refused = answered && meaning.verdict == AnswerMeaning::Verdict::Refused;
    QuestionAnswer answer;
    answer.reached = answered && !refused;
    answer.error = !refused               ? error
                   : !meaning.why.isEmpty() ? meaning.why
                                            : QStringLiteral("HTTP %1").arg(x->answer().status());
    answer.neverSent = outcome == DeliveryOutcome::NotSent;
    answer.status = x->answer().status();
    if (answer.reached) {
        answer.canShow = meaning.canShow;
        answer.reply = meaning.reply;
    }
    emitAnswered(x->askedAs, answer);
}

void HttpTransport::emitAnswered(quint64 id, const QuestionAnswer &answer)
{
    QMetaObject::invokeMethod(this, [this, id, answer] { emit answered(id, answer); }, Qt::QueuedConnection);
}

// A refused address is logged as a warning once (until its reason
// changes), then quietly.
void HttpTransport::logNotSent(BoxLink &link, const QByteArray &target, const QString &reason)
{
    const QString address = QLatin1Char('"') + link.key() + QLatin1Char('"');
    if (std::exchange(link.refusalLogged, reason) == reason)
        qCDebug(lcSend).noquote() << "nicht gesendet an" << address << target << "-" << reason;
    else
        qCWarning(lcSend).noquote() << "nicht gesendet an" << address << target << "-" << reason;
}

// Queued, so that a result never arrives inside submit().
void HttpTransport::emitDone(quint64 id, const SendResult &result)
{
    QMetaObject::invokeMethod(this, [this, id, result] { emit done(id, result); }, Qt::QueuedConnection);
}
