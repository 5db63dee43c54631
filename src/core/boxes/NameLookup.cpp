#include "boxes/NameLookup.h"

#include "common/Logging.h"
#include "common/SystemErrorText.h"

#include <QHash>
#include <QList>
#include <QMetaObject>

#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Names being looked up, each with the waits that want its answer.
struct Lookups {
    std::mutex mutex;
    QHash<QString, QList<NameLookup *>> waiting;
};

// Never destroyed: a look-up thread may still finish while the program ends.
Lookups &lookups()
{
    static Lookups *all = new Lookups;
    return *all;
}

} // namespace

NameLookup::NameLookup(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
{
    bool first = false;
    {
        const std::lock_guard<std::mutex> lock(lookups().mutex);
        auto it = lookups().waiting.find(name);
        first = it == lookups().waiting.end();
        if (first)
            it = lookups().waiting.insert(name, {});
        it->append(this);
    }
    if (first)
        lookUp(name);
    else
        qCDebug(lcSend).noquote() << "wartet auf die laufende Namensauflösung von" << name;
}

NameLookup::~NameLookup()
{
    const std::lock_guard<std::mutex> lock(lookups().mutex);
    const auto it = lookups().waiting.find(m_name);
    if (it != lookups().waiting.end())
        it->removeOne(this);
}

int NameLookup::lookupsUnderWay()
{
    const std::lock_guard<std::mutex> lock(lookups().mutex);
    return int(lookups().waiting.size());
}

void NameLookup::lookUp(const QString &name)
{
    try {
        std::thread([name] { answer(name, BoxAddress::resolve(name)); }).detach();
    } catch (const std::system_error &e) {
        answer(name, BoxAddress::lookupFailed(
                         name, QStringLiteral("Name nicht auflösbar (%1)").arg(SystemErrorText::of(e.code().value()))));
    }
}

// Hands the answer to every wait still there, each on its own thread. A
// wait destroyed after this loses the queued call with it (QObject drops
// the events posted to it), and one destroyed before is no longer listed.
void NameLookup::answer(const QString &name, const BoxAddress &address)
{
    const std::lock_guard<std::mutex> lock(lookups().mutex);
    const QList<NameLookup *> waits = lookups().waiting.take(name);
    for (NameLookup *wait : waits)
        QMetaObject::invokeMethod(wait, [wait, address] { emit wait->resolved(address); }, Qt::QueuedConnection);
}
