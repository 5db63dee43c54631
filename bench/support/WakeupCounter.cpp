#include "WakeupCounter.h"

#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// voluntary_ctxt_switches of one thread, -1 when it has ended.
qint64 voluntarySwitches(qint64 pid, qint64 tid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld/task/%lld/status", static_cast<long long>(pid),
                  static_cast<long long>(tid));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0)
        return -1;
    buffer[n] = '\0';
    const char key[] = "\nvoluntary_ctxt_switches:";
    const char *at = std::strstr(buffer, key);
    return at ? std::strtoll(at + sizeof key - 1, nullptr, 10) : -1;
}

} // namespace

WakeupCounter::WakeupCounter(qint64 pid)
    : m_pid(pid)
{
}

void WakeupCounter::start()
{
    m_first.clear();
    m_last.clear();
    m_begun = m_ended = 0;
    m_ofEnded = 0;
    m_started = false;
    sample();
    m_started = true;
}

void WakeupCounter::sample()
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld/task", static_cast<long long>(m_pid));
    DIR *dir = ::opendir(path);
    if (!dir)
        return;
    QSet<qint64> alive;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        const qint64 tid = std::strtoll(entry->d_name, nullptr, 10);
        const qint64 switches = voluntarySwitches(m_pid, tid);
        if (switches < 0)
            continue;
        alive.insert(tid);
        if (!m_first.contains(tid)) {
            m_first.insert(tid, m_started ? 0 : switches);
            if (m_started)
                ++m_begun;
        }
        m_last.insert(tid, switches);
    }
    ::closedir(dir);
    const QList<qint64> known = m_last.keys();
    for (qint64 tid : known) {
        if (alive.contains(tid))
            continue;
        // Ended: what it did up to its last reading stays counted.
        ++m_ended;
        m_ofEnded += m_last.take(tid) - m_first.take(tid);
    }
}

qint64 WakeupCounter::count() const
{
    qint64 sum = m_ofEnded;
    for (auto it = m_last.cbegin(); it != m_last.cend(); ++it)
        sum += it.value() - m_first.value(it.key());
    return sum;
}
