#include "check/FolderCheck.h"

#include "boxes/BoxAddress.h"
#include "check/ReminderSchedule.h"

#include <QFileInfo>

#include <algorithm>

int FolderCheck::neverFiring() const
{
    int n = 0;
    for (const ReminderListCheck &l : lists)
        n += l.neverFiring;
    return n;
}

int FolderCheck::hints() const
{
    int n = 0;
    for (const ReminderListCheck &l : lists)
        n += l.hints;
    return n;
}

int FolderCheck::boxesNeverContacted() const
{
    return int(std::count_if(addressRefusals.begin(), addressRefusals.end(),
                             [](const QString &why) { return !why.isEmpty(); }));
}

bool FolderCheck::noBoxConfigured() const
{
    if (!folderError.isEmpty() || boxes.status == TextFile::Status::Unreadable)
        return false;
    for (int b = 1; b <= BoxList::kBoxes; ++b)
        if (boxes.boxes.namesAddress(b))
            return false;
    return true;
}

bool FolderCheck::anyUnreadable() const
{
    if (!folderError.isEmpty() || boxes.status == TextFile::Status::Unreadable)
        return true;
    for (const ReminderListCheck &l : lists)
        if (l.file.status == TextFile::Status::Unreadable)
            return true;
    return false;
}

FolderCheck::Status FolderCheck::status() const
{
    if (anyUnreadable())
        return CannotRead;
    return neverFiring() > 0 || boxesNeverContacted() > 0 || noBoxConfigured() ? SomeNeverFire : AllFire;
}

FolderCheck FolderCheck::run(const QDir &folder, const QDateTime &now, int dueCount)
{
    FolderCheck c;
    c.folderPath = folder.absolutePath();
    c.now = now;
    const QFileInfo info(c.folderPath);
    if (!info.exists()) {
        c.folderError = QStringLiteral("gibt es nicht");
        return c;
    }
    if (!info.isDir()) {
        c.folderError = QStringLiteral("ist kein Ordner");
        return c;
    }
    if (!info.isReadable() || !info.isExecutable()) {
        c.folderError = QStringLiteral("kann nicht gelesen werden");
        return c;
    }

    c.boxes = BoxListFile::read(folder);
    // The same rule as Zelvo's, names looked up here (blocking is fine in a
    // command-line tool).
    for (int box = 1; box <= BoxList::kBoxes; ++box) {
        if (!c.boxes.boxes.isConfigured(box))
            continue;
        const BoxAddress address = BoxAddress::resolve(c.boxes.boxes.address(box));
        // An empty entry is already a hint on each record for that box.
        if (!address.usable() && address.verdict() != BoxAddress::Verdict::Empty)
            c.addressRefusals[box - 1] = address.reason();
    }
    ReminderSchedule::Lists records;
    for (const ReminderListKind list : {ReminderListKind::Daily, ReminderListKind::Weekly, ReminderListKind::Dated}) {
        const ReminderListFile::ReadResult file = ReminderListFile::read(folder, list);
        c.lists[int(list)] = ReminderListCheck::run(file, list, c.boxes.boxes, now);
        records[int(list)] = file.records;
    }
    c.due = ReminderSchedule::next(records, now, dueCount);
    return c;
}
