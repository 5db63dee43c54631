#include "watch/StatusWatch.h"

#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/Message.h"
#include "common/BoxStateText.h"
#include "common/StatusBoard.h"
#include "common/Logging.h"
#include "watch/EchoProber.h"

#include <utility>

namespace {

// The alert's line for one box: which box, which address, and why.
QString unresolvedLine(int box, const QString &address, const QString &why)
{
    return QStringLiteral("Box %1: \"%2\"").arg(box).arg(address)
           + (why.isEmpty() ? QString() : QStringLiteral(" – ") + why);
}

QString describe(const EchoResult &r)
{
    const QString at = r.resolvedAddress.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(r.resolvedAddress);
    const QString why = r.detail.isEmpty() ? QString() : QStringLiteral(": %1").arg(r.detail);
    const QString via = r.socket == EchoResult::Socket::Raw ? QStringLiteral(", Raw-Socket") : QString();
    switch (r.outcome) {
    case EchoResult::Outcome::Reply:
        return QStringLiteral("Antwort nach %1 ms%2%3").arg(r.roundTripMs).arg(at, via);
    case EchoResult::Outcome::NoReply:
        return QStringLiteral("keine Antwort%1%2%3").arg(at, via, why);
    case EchoResult::Outcome::NoAddress:
        return QStringLiteral("keine Adresse eingetragen, nichts gesendet");
    case EchoResult::Outcome::Refused:
        return QStringLiteral("Adresse wird nie angepingt%1").arg(why);
    case EchoResult::Outcome::Unresolved:
        // The address rule's reason names the failure itself: "Name nicht auflösbar (…)".
        return r.detail.isEmpty() ? QStringLiteral("Name nicht auflösbar") : r.detail;
    case EchoResult::Outcome::IcmpNotAllowed:
        return QStringLiteral("ICMP nicht erlaubt%1").arg(why);
    case EchoResult::Outcome::Failed:
        return QStringLiteral("Fehler%1%2").arg(at, why);
    }
    return QString();
}

} // namespace

StatusWatch::StatusWatch(StatusBoard *display, BoxSender *sender, EchoProber *prober, QObject *parent)
    : QObject(parent)
    , m_display(display)
    , m_sender(sender)
    , m_prober(prober)
{
    connect(m_prober, &EchoProber::finished, this, &StatusWatch::takeResult);
    connect(m_sender, &BoxSender::modeAnswered, this, &StatusWatch::takeMode);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kDefaultTickLimitMs);
    connect(&m_deadline, &QTimer::timeout, this, &StatusWatch::giveUpWaiting);
}

void StatusWatch::hold()
{
    ++m_holds;
}

void StatusWatch::release()
{
    if (m_holds > 0)
        --m_holds;
}

void StatusWatch::tick()
{
    if (m_running) {
        qCDebug(lcWatch) << "Prüfung läuft noch, dieser Takt entfällt";
        return;
    }
    if (m_holds > 0) {
        qCDebug(lcWatch) << "Meldung offen, dieser Takt entfällt";
        return;
    }
    m_running = true;
    emit tickStarted();
    ++m_generation;
    m_tickTime.start();
    const BoxList before = m_boxes;
    m_boxes = m_sender->boxList()->boxes();
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        if (m_boxes.address(box).trimmed() != before.address(box).trimmed())
            m_box[box - 1].state = BoxState::Unknown; // another box: nothing is known of it
    for (Box &b : m_box) {
        b.probed = false;
        b.answered = false;
        b.result = EchoResult();
        b.modeAsked = 0;
        b.mode = QuestionAnswer();
    }

    // Count first, then start: a prober may answer before probe() returns.
    m_pending = 0;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        Box &b = m_box[box - 1];
        b.probed = m_boxes.isConfigured(box);
        if (!b.probed)
            continue;
        if (b.inFlight) {
            b.answered = true;
            b.result = EchoResult::of(EchoResult::Outcome::NoReply,
                                      QStringLiteral("die vorige Prüfung ist noch nicht zurück"));
            logResult(box, b.result);
            continue;
        }
        ++m_pending;
    }
    if (m_pending == 0) {
        askModes();
        return;
    }
    m_deadline.start();
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (m_box[box - 1].probed && !m_box[box - 1].answered) {
            m_box[box - 1].inFlight = true;
            m_prober->probe(m_generation * BoxList::kBoxes + (box - 1), m_boxes.address(box).trimmed());
        }
    }
}

void StatusWatch::takeResult(int id, const EchoResult &result)
{
    if (id < 0)
        return;
    const int box = id % BoxList::kBoxes + 1;
    m_box[box - 1].inFlight = false;
    if (!m_running || id / BoxList::kBoxes != m_generation || !m_box[box - 1].probed || m_box[box - 1].answered) {
        qCInfo(lcWatch).noquote() << QStringLiteral("Box %1: verspätetes Ergebnis verworfen:").arg(box)
                                  << describe(result);
        return;
    }
    m_box[box - 1].answered = true;
    m_box[box - 1].result = result;
    logResult(box, result);
    if (--m_pending == 0)
        askModes();
}

// Only a box that answers echo is asked its mode, once per tick; all of
// them at once, so that their answers share the thread's wake-ups.
void StatusWatch::askModes()
{
    m_pending = 0;
    const QString stored = m_display->boxStatus();
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        Box &b = m_box[box - 1];
        if (b.probed && b.answered && b.result.status() == 0) {
            // A box that came back (or is seen first) is asked what it is
            // before anything else: its kind says how it is asked its mode,
            // and the texts that follow are written for it.
            const bool wasOn = box <= stored.size() && stored.at(box - 1) == QLatin1Char('1');
            if (!wasOn && b.state != BoxState::Standby)
                m_sender->identifyAt(m_boxes.address(box));
            b.modeAsked = m_sender->askMode(m_boxes.address(box));
            ++m_pending;
        }
    }
    if (m_pending == 0)
        finishTick();
    else if (!m_deadline.isActive())
        m_deadline.start();
}

void StatusWatch::takeMode(quint64 asked, const QuestionAnswer &answer)
{
    if (!m_running)
        return;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        Box &b = m_box[box - 1];
        if (b.modeAsked != 0 && b.modeAsked == asked) {
            b.modeAsked = 0;
            b.mode = answer;
            if (--m_pending == 0) {
                finishTick();
                return;
            }
        }
    }
}

void StatusWatch::giveUpWaiting()
{
    if (!m_running)
        return;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (m_box[box - 1].modeAsked) {
            // A box that takes this long to say its mode has not said it.
            m_box[box - 1].modeAsked = 0;
            m_box[box - 1].mode.reached = false;
            m_box[box - 1].mode.error = QStringLiteral("nicht rechtzeitig beantwortet");
        }
        if (m_box[box - 1].probed && !m_box[box - 1].answered) {
            m_box[box - 1].answered = true;
            m_box[box - 1].result = EchoResult::of(
                EchoResult::Outcome::NoReply,
                QStringLiteral("kein Ergebnis nach %1 ms (Namensauflösung?)").arg(m_deadline.interval()));
            logResult(box, m_box[box - 1].result);
        }
    }
    m_pending = 0;
    finishTick();
}

void StatusWatch::logResult(int box, const EchoResult &result)
{
    // Every ten seconds the same answer is no news: the info level hears of a
    // box when what it says changes (the round trip time aside), the debug
    // level of every probe.
    const QString address = m_boxes.address(box).trimmed();
    const bool reply = result.outcome == EchoResult::Outcome::Reply;
    const QString said = address + QLatin1Char('|') + QString::number(int(result.outcome)) + QLatin1Char('|')
                         + (reply ? result.resolvedAddress : result.detail);
    const QString line = QStringLiteral("Box %1 \"%2\": ").arg(box).arg(address) + describe(result);
    if (m_box[box - 1].lastLogged == said) {
        qCDebug(lcWatch).noquote() << line;
        return;
    }
    m_box[box - 1].lastLogged = said;
    qCInfo(lcWatch).noquote() << line;
}

// The info level hears of a box's state when it changes; each mode answer
// goes to the debug level.
void StatusWatch::logState(int box, BoxState state, const QuestionAnswer &mode)
{
    const QString said = !mode.reached           ? QStringLiteral("Modus unbekannt: %1").arg(mode.error)
                         : mode.canShow.has_value() ? QStringLiteral("Modus: %1").arg(*mode.canShow ? QStringLiteral("zeigt Nachrichten")
                                                                                                  : QStringLiteral("Standby oder AV-Eingang"))
                                                  : QStringLiteral("Modus nicht abfragbar");
    if (m_box[box - 1].result.status() == 0)
        qCDebug(lcWatch).noquote() << QStringLiteral("Box %1:").arg(box) << said;
    // A box that could not be probed: its echo line says why.
    const EchoResult::Outcome echo = m_box[box - 1].result.outcome;
    // One that answers echo but not the mode question (a login missing)
    // keeps its state, which may be old or unknown: the log says why once.
    const QString refusal = echo == EchoResult::Outcome::Reply && !mode.reached ? mode.error : QString();
    if (refusal != std::exchange(m_box[box - 1].modeRefusalLogged, refusal) && !refusal.isEmpty())
        qCInfo(lcWatch).noquote() << QStringLiteral("Box %1 sagt nicht, ob sie Nachrichten zeigt: %2").arg(box).arg(refusal);
    if (state == m_box[box - 1].stateLogged
        || (echo != EchoResult::Outcome::Reply && echo != EchoResult::Outcome::NoReply))
        return;
    m_box[box - 1].stateLogged = state;
    const QString text = BoxStateText::of(state, BoxStateText::Form::Log);
    const bool modeUnknown = !mode.canShow.has_value() && echo == EchoResult::Outcome::Reply;
    qCInfo(lcWatch).noquote() << QStringLiteral("Box %1 ist %2%3").arg(box).arg(text, modeUnknown ? QStringLiteral(" (%1)").arg(said) : QString());
}

// A tick ends in four steps: judge what each box is, show it, tell the
// sender, then write the notices; the alerts go last.
void StatusWatch::finishTick()
{
    const QString current = judge();
    const QStringList alerts = show();
    tell();
    notify(current);

    qCDebug(lcWatch) << "Prüfung fertig nach" << m_tickTime.elapsed() << "ms";
    m_deadline.stop();
    m_running = false;
    // Messages last: a modal box opened from here must find the tick done.
    for (const QString &text : alerts)
        emit alert(text);
    emit tickFinished();
}

// Each probed box's state from its echo and its mode answer; the boxes on,
// one character per box ('1' on).
QString StatusWatch::judge()
{
    QString current;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        Box &b = m_box[box - 1];
        if (!b.probed) {
            current += QLatin1Char('0'); // not configured: the lamp keeps its colour
            continue;
        }
        // A box whose mode could not be learnt stays as it was: only a box
        // that cannot be asked at all (an old server) counts as on.
        b.state = b.result.status() != 0  ? BoxState::Off
                  : !b.mode.reached       ? b.state
                                          : b.mode.stateSaid();
        logState(box, b.state, b.mode);
        current += b.state == BoxState::On ? QLatin1Char('1') : QLatin1Char('0');
    }
    return current;
}

// The lamps; the alerts to raise for what the probes found.
QStringList StatusWatch::show()
{
    QStringList alerts;
    QStringList unresolved; // one line per box whose name is new to the alert
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        Box &b = m_box[box - 1];
        if (!b.probed)
            continue;
        m_display->setLamp(box, b.state);
        // Shown once per address that does not resolve; each failure is still logged.
        const QString address = m_boxes.address(box).trimmed();
        if (b.result.outcome == EchoResult::Outcome::Unresolved && b.unresolvedShown != address) {
            b.unresolvedShown = address;
            unresolved << unresolvedLine(box, address, b.result.detail);
        } else if (b.unresolvedShown != address) {
            b.unresolvedShown.clear();
        }
        if (b.result.outcome == EchoResult::Outcome::IcmpNotAllowed && !m_toldIcmpNotAllowed) {
            m_toldIcmpNotAllowed = true;
            alerts << kIcmpNotAllowedAlert;
        }
    }
    if (!unresolved.isEmpty())
        alerts.prepend(kUnresolvedAlert + QLatin1Char('\n') + unresolved.join(QLatin1Char('\n')));
    return alerts;
}

// The sender hears first, so that what waited for a box that came on goes
// before the notice. A box that could not be probed (ICMP not allowed, a
// name not resolved) is off for the lamp, but the sender does not know it:
// it asks the box itself before a message.
void StatusWatch::tell()
{
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (!m_box[box - 1].probed)
            continue;
        const EchoResult::Outcome echo = m_box[box - 1].result.outcome;
        const bool told = echo == EchoResult::Outcome::Reply || echo == EchoResult::Outcome::NoReply;
        m_sender->setBoxState(box, told ? m_box[box - 1].state : BoxState::Unknown);
    }
}

// The notice to the boxes that are on and want it, when any box changed.
void StatusWatch::notify(const QString &current)
{
    const QString stored = m_display->boxStatus();
    if (current != stored) {
        const Message notice{MessageKind::Message, composeNotice(stored, current)};
        for (int box = 1; box <= BoxList::kBoxes; ++box) {
            if (m_boxes.reportFlag(box) != 0 && current.at(box - 1) == QLatin1Char('1') && m_boxes.isConfigured(box))
                m_sender->send(box, notice, {MessageSource::StatusNotice, box});
        }
        m_display->showInfo(kPanelText);
        qCInfo(lcWatch).noquote() << "Status" << stored << "->" << current;
    }
    m_display->setBoxStatus(current);
}

QString StatusWatch::composeNotice(const QString &stored, const QString &current)
{
    QString notice = kNoticeHead;
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        const QChar now = box <= current.size() ? current.at(box - 1) : QLatin1Char('0');
        const QChar before = box <= stored.size() ? stored.at(box - 1) : QLatin1Char('0');
        if (now == before)
            continue;
        notice += QStringLiteral("- die") + QLatin1Char(' ') + QString::number(box) + QStringLiteral(". D-Box wurde ")
                  + (now == QLatin1Char('1') ? QStringLiteral("ein") : QStringLiteral("aus"))
                  + QStringLiteral("geschaltet\n");
    }
    return notice;
}
