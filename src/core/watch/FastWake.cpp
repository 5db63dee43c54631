#include "watch/FastWake.h"

#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "common/Logging.h"
#include "watch/EchoProber.h"

// The watch's probes have ids from 0 up; these are below.
namespace {

int echoId(int box)
{
    return -box;
}

} // namespace

FastWake::FastWake(BoxSender *sender, EchoProber *prober, QObject *parent)
    : QObject(parent)
    , m_sender(sender)
    , m_prober(prober)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &FastWake::tick);
    connect(m_prober, &EchoProber::finished, this, &FastWake::takeEcho);
    connect(m_sender, &BoxSender::modeAnswered, this, &FastWake::takeMode);
    connect(m_sender, &BoxSender::heldCountChanged, this, &FastWake::update);
}

bool FastWake::waiting(int box) const
{
    return !m_sender->heldFor(box).isEmpty() || (m_alsoWaiting && m_alsoWaiting(box));
}

void FastWake::update()
{
    bool any = false;
    for (int box = 1; box <= BoxList::kBoxes && !any; ++box)
        any = waiting(box);
    if (any && !m_timer.isActive()) {
        qCDebug(lcWatch) << "eine Box wird jede Sekunde gefragt, bis sie eingeschaltet ist";
        m_timer.start();
    } else if (!any && m_timer.isActive()) {
        m_timer.stop();
    }
}

void FastWake::tick()
{
    update();
    if (!m_timer.isActive())
        return;
    const BoxList boxes = m_sender->boxList()->boxes();
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (!waiting(box) || !boxes.isConfigured(box))
            continue;
        if (m_sender->boxState(box) == BoxState::Off) {
            if (!m_probing[box - 1]) {
                m_probing[box - 1] = true;
                m_prober->probe(echoId(box), boxes.address(box).trimmed());
            }
        } else {
            askMode(box);
        }
    }
}

void FastWake::askMode(int box)
{
    if (!m_asked[box - 1])
        m_asked[box - 1] = m_sender->askMode(m_sender->boxList()->boxes().address(box).trimmed());
}

void FastWake::takeEcho(int id, const EchoResult &result)
{
    if (id >= 0 || -id > BoxList::kBoxes)
        return;
    const int box = -id;
    m_probing[box - 1] = false;
    // Back: its mode says whether it shows anything.
    if (result.outcome == EchoResult::Outcome::Reply && waiting(box))
        askMode(box);
}

void FastWake::takeMode(quint64 asked, const QuestionAnswer &answer)
{
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (!asked || m_asked[box - 1] != asked)
            continue;
        m_asked[box - 1] = 0;
        // No answer tells nothing: the watch's tick says more.
        if (!answer.reached)
            continue;
        const BoxState state = answer.stateSaid();
        const BoxState before = m_sender->boxState(box);
        if (state != before || state == BoxState::On)
            m_sender->setBoxState(box, state);
        if (state == BoxState::On && before != BoxState::On)
            emit cameOn(box);
    }
}
