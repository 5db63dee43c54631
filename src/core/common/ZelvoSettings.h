#pragma once

#include "common/BoxCount.h"
#include "common/FileFollower.h"

#include <QDir>
#include <QList>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <QString>

#include <array>
#include <memory>
#include <optional>

// Zelvo's own settings beyond the box list and the send-text settings:
// zelvo.ini in the working folder, in QSettings' INI format, edited by hand.
//
//   [Zurueckhalten_Minuten]     how long a message waits for its box
//   Erinnerungen=180            after the reminder's due time
//   Statusmeldungen=2
//   Texte=30                    typed texts and zelvo send
//   [Anzeigedauer_Sekunden]     how long the box shows it; unset: its own
//   Popup=                      1..86400
//   Message=                    0..86400, 0 = until someone closes it
//   [Box1] … [Box4]             the box's login, when its web interface
//   Benutzer=                   asks for one (HTTP Basic); empty: none
//   Passwort=
//   [Verlauf]                   the window's size and column widths
//   [Fenster]
//   BeimSchliessen=beenden      or "weiterlaufen": closing the main window
//                               leaves Zelvo running in the tray
//   [Kalender] [Kalender1] … [Kalender9]   calendars: Adresse, Name, Boxen,
//                               Art, Ganztags_Uhrzeit, Vorlauf_Minuten,
//                               Abstand_Minuten, Bestaetigen (ja/nein),
//                               Benutzer, Passwort (as written)
//
// Only a regular file is read (a link to one too): at the first question,
// then again only when check() finds it changed (FileFollower); numbers
// through QSettings, logins as written (QSettings' own
// syntax would change them silently). A value that is no number or out of
// range counts as unset, a login that cannot be taken as written is
// refused; both are logged once per change of the file. Writes keep every
// other line of the file as it is, go through AtomicFile (a full disk leaves
// the old file whole), never through a link, and leave the file readable by
// its owner only, since it holds box passwords; a file that holds a password
// is made so when it is read, and when it cannot be (another owner) that is
// said, and its logins are not used if others may write it. A login is never
// logged.
//
// The engine keeps one instance (Engine::settings()) and calls check() at
// every watch tick and every message; each kind of value that changed is
// announced once by its signal, so that nobody reads or applies the
// settings per message. Writers (the settings dialog, `zelvo web-password`)
// write through any instance; the followed one then hears of the change.
class ZelvoSettings : public QObject
{
    Q_OBJECT
public:
    static inline const QString kFileName = QStringLiteral("zelvo.ini");

    static constexpr int kDefaultReminderHoldMinutes = 180;
    static constexpr int kDefaultNoticeHoldMinutes = 2;
    static constexpr int kDefaultTextHoldMinutes = 30;

    static inline const QString kUserKey = QStringLiteral("Benutzer");
    static inline const QString kPasswordKey = QStringLiteral("Passwort");

    struct BoxLogin {
        QString user; // empty: the box wants none
        QString password;
        bool operator==(const BoxLogin &other) const { return user == other.user && password == other.password; }
    };

    static constexpr int kMaxHoldMinutes = 7 * 24 * 60;
    static constexpr int kMaxDisplaySeconds = 24 * 60 * 60;

    // Everything the settings dialog shows and saves at once.
    struct Editable {
        int reminderHoldMinutes = kDefaultReminderHoldMinutes;
        int noticeHoldMinutes = kDefaultNoticeHoldMinutes;
        int textHoldMinutes = kDefaultTextHoldMinutes;
        std::optional<int> popupDisplaySeconds;
        std::optional<int> messageDisplaySeconds;
        std::array<BoxLogin, BoxCount::kBoxes> logins;
        bool closeKeepsRunning = false;
    };

    struct WindowLayout {
        QSize size;              // invalid when none is stored
        QList<int> columnWidths; // from the first column on; 0 where none is stored
    };

    // A calendar section's keys as written (trimmed), empty when unset.
    static constexpr int kCalendars = 9;
    struct CalendarKeys {
        QString address, name, boxes, kind, allDayTime, leadMinutes, intervalMinutes;
        BoxLogin login;
        QString confirm; // Bestaetigen=ja: its reminders ask for confirmation
        bool operator==(const CalendarKeys &o) const
        {
            return address == o.address && name == o.name && boxes == o.boxes && kind == o.kind
                   && allDayTime == o.allDayTime && leadMinutes == o.leadMinutes
                   && intervalMinutes == o.intervalMinutes && login == o.login && confirm == o.confirm;
        }
    };

    explicit ZelvoSettings(const QDir &folder, QObject *parent = nullptr);
    ~ZelvoSettings() override;

    QString path() const { return m_path; }

    // Looks whether the file changed (one stat()); reads it only then, and
    // emits the signal of each kind of value that changed since the last
    // announcement. Cheap enough for every tick and every message.
    void check();
    // How often the file was read, for diagnostics and tests.
    int readCount() const { return m_follower.readCount(); }

    int reminderHoldMinutes() const;
    int noticeHoldMinutes() const;
    int textHoldMinutes() const;
    // Empty: send no time, the box keeps its own.
    std::optional<int> popupDisplaySeconds() const;
    std::optional<int> messageDisplaySeconds() const;

    // Box 1..BoxCount::kBoxes.
    BoxLogin boxLogin(int box) const;

    // What is wrong with the file as last read, in German (what the log
    // said); empty when nothing.
    QStringList warnings() const;

    // False (the default): closing the main window ends Zelvo; true: it
    // runs on in the tray.
    bool closeKeepsRunning() const;

    Editable editable() const;
    // Writes every value of values; the next check() announces them.
    // Returns an empty string on success, otherwise the reason in German
    // (also for a login the file cannot hold; then nothing is written).
    QString setEditable(const Editable &values);
    // 0: [Kalender], the defaults; 1..kCalendars: [KalenderN].
    CalendarKeys calendarKeys(int calendar) const;

    WindowLayout deliveryWindowLayout() const;
    // Returns an empty string on success, otherwise the reason in German.
    QString setDeliveryWindowLayout(const WindowLayout &layout);

    // Sets keys of [group] to the values given (as they stand in the file),
    // keeping every other line. Empty on success, otherwise the reason in German.
    QString writeValues(const QString &group, const QList<QPair<QString, QByteArray>> &values);

signals:
    // A box's login ([Box1]..[Box4]).
    void loginsChanged();
    // How long the boxes show a message ([Anzeigedauer_Sekunden]).
    void displayTimesChanged();
    // How long a message waits for its box ([Zurueckhalten_Minuten]).
    void holdTimesChanged();
    // What closing the main window does, or the record window's layout.
    void windowChanged();
    // A calendar's keys ([Kalender], [Kalender1]..[Kalender9]).
    void calendarsChanged();

private:
    enum Number { ReminderHold, NoticeHold, TextHold, PopupDisplay, MessageDisplay, NumberCount };

    std::optional<int> number(Number which) const;
    // Reads the file when it was never read or was written here since.
    void loaded() const;
    void read() const;
    void announce();
    struct Entry {
        QString group;
        QString key;
        QString value; // as it stands in the file
    };
    QString writeEntries(const QList<Entry> &entries);

    QString m_path;
    // What was read, and of which version of the file.
    mutable std::array<std::optional<int>, NumberCount> m_numbers;
    mutable std::array<BoxLogin, BoxCount::kBoxes> m_logins;
    mutable WindowLayout m_layout;
    mutable bool m_closeKeepsRunning = false;
    mutable std::array<CalendarKeys, kCalendars + 1> m_calendars;
    mutable FileFollower m_follower;
    mutable bool m_fresh = false; // what was read is the file's last version known here
    mutable TextFile::Identity m_loggedIdentity;
    mutable QStringList m_warnings;
    struct Announced; // the values as last announced
    mutable std::unique_ptr<Announced> m_announced;
};
