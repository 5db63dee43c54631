#include "check/ListChangeWarner.h"

#include "check/ReminderListCheck.h"

#include "reminders/ReminderClock.h"

#include "common/Logging.h"

#include <QHash>

namespace {

// A hash of the records as read, where they stood included: cheaper than the
// checks, and any edit that could change a finding changes it.
size_t contentHash(const ReminderListFile::ReadResult &file)
{
    size_t h = qHashMulti(0, int(file.status), file.error, file.warnings, file.records.size());
    for (const ReminderRecord &r : file.records)
        h = qHashMulti(h, r.record(), r.writtenLength(), r.line(), r.column(), r.quoted(), r.splitAtComma(),
                      r.continuesLine());
    return h;
}

} // namespace

int ListChangeWarner::noteRead(const ReminderListFile::ReadResult &file, ReminderListKind list, const BoxList &boxes,
                               const QDateTime &localTime)
{
    std::optional<size_t> &last = m_lastContent[int(list)];
    const size_t content = contentHash(file);
    if (last && *last == content)
        return 0;
    last = content;

    if (file.status == TextFile::Status::Unreadable)
        qCWarning(lcReminders).noquote() << file.path << "kann nicht gelesen werden:" << file.error;
    for (const QString &w : file.warnings)
        qCWarning(lcReminders).noquote() << w;

    // One warning per line: the first reason it never fires (zelvo-check
    // lists them all). A list of garbage stops after kMaxWarnings lines, so
    // the log stays readable and the tick short.
    int warned = 0;
    int lastLine = 0;
    // Read as zelvo-check reads it: a line a comma split fires by its other part.
    const ReminderListCheck checked = ReminderListCheck::run(file, list, boxes, localTime);
    for (const CheckFinding &f : checked.findings) {
        if (!f.neverFires() || f.line == lastLine)
            continue;
        if (warned == kMaxWarnings) {
            qCWarning(lcReminders).noquote()
                << file.path + QStringLiteral(": weitere Zeilen, die nie gesendet werden, stehen nicht hier; "
                                              "zelvo-check zeigt alle");
            return warned;
        }
        qCWarning(lcReminders).noquote() << file.path + QStringLiteral(": ") + f.text();
        lastLine = f.line;
        ++warned;
    }
    return warned;
}

void ListChangeWarner::listenTo(const ReminderClock &clock)
{
    QObject::connect(&clock, &ReminderClock::listChanged, &clock,
                     [this](const ReminderListFile::ReadResult &file, ReminderListKind list, const BoxList &boxes,
                            const QDateTime &localTime) { noteRead(file, list, boxes, localTime); });
}
