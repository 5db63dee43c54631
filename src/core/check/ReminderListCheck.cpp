#include "check/ReminderListCheck.h"

#include "check/RecordCheck.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace {

// A name as a person may mean it: case, '_' or a blank for '-', and a
// ".txt" typed once too often or left out make no difference.
QString meant(const QString &name)
{
    QString s = name.trimmed().toLower();
    s.replace(QLatin1Char('_'), QLatin1Char('-')).replace(QLatin1Char(' '), QLatin1Char('-'));
    while (s.endsWith(QStringLiteral(".txt")))
        s.chop(4);
    return s;
}

} // namespace

QString ReminderListCheck::findMisnamed(const QDir &folder, ReminderListKind list)
{
    const QString name = ReminderLayout::fileName(list);
    // The folder holds a few files; more than this and nobody guesses here.
    constexpr int kMaxEntries = 10000;
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    int seen = 0;
    for (const QString &entry : entries) {
        if (++seen > kMaxEntries)
            break;
        if (entry != name && meant(entry) == meant(name))
            return entry;
    }
    return QString();
}

ReminderListCheck ReminderListCheck::run(const ReminderListFile::ReadResult &file, ReminderListKind list,
                                         const BoxList &boxes, const QDateTime &now)
{
    ReminderListCheck c;
    c.list = list;
    c.file = file;
    QList<QList<CheckFinding>> perRecord;
    QSet<int> firingLines; // lines of which some record can fire
    for (const ReminderRecord &record : file.records) {
        perRecord << RecordCheck::check(record, boxes, now);
        const bool fires = std::none_of(perRecord.last().cbegin(), perRecord.last().cend(),
                                        [](const CheckFinding &f) { return f.neverFires(); });
        if (fires && !record.record().isEmpty())
            firingLines.insert(record.line());
    }
    int lastLine = 0;
    int lastNeverLine = 0;
    for (int i = 0; i < file.records.size(); ++i) {
        const ReminderRecord &record = file.records.at(i);
        if (!record.record().isEmpty() && record.line() != lastLine) {
            ++c.lines;
            lastLine = record.line();
        }
        for (CheckFinding f : perRecord.at(i)) {
            // A line a comma split sends its other part: only this part never goes.
            if (f.neverFires() && firingLines.contains(f.line)) {
                f.severity = CheckFinding::Severity::Hint;
                f.what += QStringLiteral(" – dieser Teil der Zeile wird nie gesendet");
            }
            if (!f.neverFires())
                ++c.hints;
            else if (f.line != lastNeverLine) {
                ++c.neverFiring;
                lastNeverLine = f.line;
            }
            c.findings << f;
        }
    }
    return c;
}
