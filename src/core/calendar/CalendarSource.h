#pragma once

#include "boxes/Message.h"

#include <QDir>
#include <QList>
#include <QString>
#include <QTime>

class ZelvoSettings;

// One calendar and how it reminds: a *.ics file of the folder or a
// [Kalender1]..[Kalender9] section of zelvo.ini ([Kalender] gives the
// defaults of all). address is a file path or an http(s) address.
struct CalendarSource {
    static constexpr int kDefaultIntervalMinutes = 15;
    static constexpr int kMinIntervalMinutes = 5;

    QString name;
    QString address;
    QString keptCopy; // a subscription's last good copy, in the folder
    QString user;
    QString password;
    QList<int> boxes{1};
    MessageKind kind = MessageKind::Popup;
    bool confirm = false; // Bestaetigen=ja
    QTime allDayTime{8, 0};
    int leadMinutes = 0;
    int intervalMinutes = kDefaultIntervalMinutes;

    bool isSubscription() const;
    bool operator==(const CalendarSource &other) const;

    // Every calendar of folder as zelvo.ini says now; problems gets what was
    // set wrong (in German), the value then counts as unset.
    static QList<CalendarSource> inFolder(const QDir &folder, const ZelvoSettings &settings,
                                          QStringList *problems = nullptr);
};
