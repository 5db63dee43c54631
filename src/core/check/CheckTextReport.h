#pragma once

#include <QString>

struct FolderCheck;

// zelvo-check's plain German report: per file its findings by line, a
// summary, then the next reminders due with their text as the box shows it.
class CheckTextReport
{
public:
    static QString of(const FolderCheck &check);
};
