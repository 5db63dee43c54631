#include "common/ZelvoSettings.h"

#include "common/AtomicFile.h"
#include "common/Logging.h"

#include <QFile>
#include <QHash>
#include <QSettings>
#include <QStringList>

#include <cerrno>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct NumberKey {
    const char *key; // "group/key" as QSettings names it
    int min;
    int max;
    std::optional<int> fallback;
};

// In the order of ZelvoSettings::Number.
const NumberKey kNumbers[] = {
    {"Zurueckhalten_Minuten/Erinnerungen", 0, 7 * 24 * 60, ZelvoSettings::kDefaultReminderHoldMinutes},
    {"Zurueckhalten_Minuten/Statusmeldungen", 0, 7 * 24 * 60, ZelvoSettings::kDefaultNoticeHoldMinutes},
    {"Zurueckhalten_Minuten/Texte", 0, 7 * 24 * 60, ZelvoSettings::kDefaultTextHoldMinutes},
    {"Anzeigedauer_Sekunden/Popup", 1, 24 * 60 * 60, std::nullopt},
    {"Anzeigedauer_Sekunden/Message", 0, 24 * 60 * 60, std::nullopt},
};

const QString kLayoutGroup = QStringLiteral("Verlauf");
const QString kWindowGroup = QStringLiteral("Fenster");
const QString kCloseKey = QStringLiteral("BeimSchliessen");
const QString kCloseRunsOn = QStringLiteral("weiterlaufen");
const QString kCloseEnds = QStringLiteral("beenden");
const QString kSizeKey = QStringLiteral("size");
const QString kColumnsKey = QStringLiteral("columns");

QString shownValue(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

// A login as the reader takes it back (writtenValue): as it is, or in
// quotes when a comma, blanks at its ends or quotes around it would change
// it. A backslash cannot stand in quotes, nor a line break anywhere; an odd
// quote or a backslash at the end would make QSettings read the following
// lines (the other settings) into it: such a login has no way into the file.
std::optional<QString> loginLine(const QString &text)
{
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.count(QLatin1Char('"')) % 2 != 0
        || text.endsWith(QLatin1Char('\\')))
        return std::nullopt;
    const bool quoted = text.contains(QLatin1Char(',')) || text != text.trimmed()
                        || (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')));
    if (!quoted)
        return text;
    if (text.contains(QLatin1Char('\\')))
        return std::nullopt;
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString optionalNumber(std::optional<int> n)
{
    return n ? QString::number(*n) : QString();
}

// The text with key=value set in [group]: the key's lines are replaced, or
// the key goes behind the group's last line, or the group is added at the
// end. Every other line stays as it was.
QString withValue(const QString &text, const QString &group, const QString &key, const QString &value)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    const bool endsInNewline = !text.isEmpty() && text.endsWith(QLatin1Char('\n'));
    if (endsInNewline || text.isEmpty())
        lines.removeLast();
    const QString lineEnd = text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r") : QString();
    const QString entry = key + QLatin1Char('=') + value + lineEnd;

    QString section;
    int insertAt = -1; // behind the last non-empty line of the group
    bool replaced = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.contains(QLatin1Char(']'))) {
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1).trimmed();
            if (section == group)
                insertAt = i + 1;
            continue;
        }
        if (section != group || line.isEmpty())
            continue;
        insertAt = i + 1;
        const int equals = line.indexOf(QLatin1Char('='));
        if (!line.startsWith(QLatin1Char(';')) && equals > 0 && line.left(equals).trimmed() == key) {
            lines[i] = entry;
            replaced = true;
        }
    }
    if (!replaced) {
        if (insertAt < 0) {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines << lineEnd;
            lines << QLatin1Char('[') + group + QLatin1Char(']') + lineEnd;
            insertAt = lines.size();
        }
        lines.insert(insertAt, entry);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// An existing file loses the bits of group and others; whether it had any.
// False also when there is no such file.
bool keptToOwner(const QByteArray &name)
{
    struct stat st {};
    if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 077) == 0)
        return false;
    return ::chmod(name.constData(), st.st_mode & 07700) == 0;
}

// Why the file's mode still lets others in, in German; empty when it does not.
QString othersMayRead(const QByteArray &name, bool *mayWrite)
{
    struct stat st {};
    *mayWrite = false;
    if (::stat(name.constData(), &st) != 0 || (st.st_mode & 077) == 0)
        return QString();
    *mayWrite = (st.st_mode & 022) != 0;
    return QStringLiteral("enthält Passwörter und ist für andere %1, Zelvo kann das nicht ändern%2")
        .arg(*mayWrite ? QStringLiteral("beschreibbar") : QStringLiteral("lesbar"),
             st.st_uid != ::geteuid() ? QStringLiteral(" (die Datei gehört einem anderen Benutzer)") : QString());
}

// A login as written in [BoxN]: the characters after "=", blanks around
// them aside; in quotes, those between the quotes. Never QSettings' reading,
// which turns "@@x" into "@x", "\x41" into "A" and cuts at ";".
struct WrittenValue {
    QString value;
    QString refusal; // why it is not taken, in German; the value never said
};

WrittenValue writtenValue(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) {
        text = text.mid(1, text.size() - 2);
        // Earlier versions read \" and \\ in quotes as escapes; taken as
        // written it would silently be another password.
        if (text.contains(QLatin1Char('\\')))
            return {QString(), QStringLiteral("enthält in Anführungszeichen einen Backslash; ohne Anführungszeichen "
                                              "gilt jedes Zeichen, wie es dasteht")};
        return {text, QString()};
    }
    if (text.contains(QLatin1Char(',')))
        return {QString(), QStringLiteral("enthält ein Komma und gilt nur in Anführungszeichen (\"…\")")};
    return {text, QString()};
}

// The [BoxN] login lines of text; the last of a key counts.
QHash<QString, QString> writtenLogins(const QString &text)
{
    QHash<QString, QString> values; // "Box2/Passwort" -> the text after "="
    QString section;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.contains(QLatin1Char(']'))) {
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1).trimmed();
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')) || equals <= 0
            || !(section.startsWith(QLatin1String("Box")) || section.startsWith(QLatin1String("Kalender"))))
            continue;
        const QString key = line.left(equals).trimmed();
        if (key == ZelvoSettings::kUserKey || key == ZelvoSettings::kPasswordKey)
            values.insert(section + QLatin1Char('/') + key, line.mid(equals + 1));
    }
    return values;
}

// The file readable and writable by its owner only, before anything is
// written to it: a new one is made so (and removed again when the write
// fails), an existing one loses the bits of group and others. The atomic
// write then keeps the mode.
class OwnerOnly
{
public:
    explicit OwnerOnly(const QString &path)
        : m_name(QFile::encodeName(path))
    {
        keptToOwner(m_name);
        if (QFile::exists(path))
            return;
        const int fd = ::open(m_name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            m_made = true;
        }
    }
    void failed() const
    {
        if (m_made)
            ::unlink(m_name.constData());
    }

private:
    QByteArray m_name;
    bool m_made = false;
};

} // namespace

struct ZelvoSettings::Announced {
    std::array<std::optional<int>, NumberCount> numbers;
    std::array<BoxLogin, BoxCount::kBoxes> logins;
    bool closeKeepsRunning = false;
    QSize layoutSize;
    QList<int> layoutColumns;
    std::array<CalendarKeys, kCalendars + 1> calendars;
};

ZelvoSettings::ZelvoSettings(const QDir &folder, QObject *parent)
    : QObject(parent)
    , m_path(folder.filePath(kFileName))
    , m_follower(m_path)
{
}

ZelvoSettings::~ZelvoSettings() = default;

void ZelvoSettings::check()
{
    if (!m_fresh || m_follower.changed())
        read();
    announce();
}

void ZelvoSettings::announce()
{
    Announced &was = *m_announced;
    const auto differ = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            if (was.numbers[i] != m_numbers[i])
                return true;
        return false;
    };
    const bool hold = differ(ReminderHold, PopupDisplay);
    const bool display = differ(PopupDisplay, NumberCount);
    const bool logins = was.logins != m_logins;
    const bool window = was.closeKeepsRunning != m_closeKeepsRunning || was.layoutSize != m_layout.size
                        || was.layoutColumns != m_layout.columnWidths;
    const bool calendars = was.calendars != m_calendars;
    if (!(hold || display || logins || window || calendars))
        return;
    was = Announced{m_numbers, m_logins, m_closeKeepsRunning, m_layout.size, m_layout.columnWidths, m_calendars};
    // The values are never logged: a login may be among them.
    qCInfo(lcSend).noquote() << m_path << "hat sich geändert";
    if (logins)
        emit loginsChanged();
    if (display)
        emit displayTimesChanged();
    if (hold)
        emit holdTimesChanged();
    if (window)
        emit windowChanged();
    if (calendars)
        emit calendarsChanged();
}

void ZelvoSettings::loaded() const
{
    if (!m_fresh)
        read();
}

int ZelvoSettings::reminderHoldMinutes() const
{
    return *number(ReminderHold);
}

int ZelvoSettings::noticeHoldMinutes() const
{
    return *number(NoticeHold);
}

int ZelvoSettings::textHoldMinutes() const
{
    return *number(TextHold);
}

std::optional<int> ZelvoSettings::popupDisplaySeconds() const
{
    return number(PopupDisplay);
}

std::optional<int> ZelvoSettings::messageDisplaySeconds() const
{
    return number(MessageDisplay);
}

ZelvoSettings::BoxLogin ZelvoSettings::boxLogin(int box) const
{
    loaded();
    return m_logins.at(box - 1);
}

bool ZelvoSettings::closeKeepsRunning() const
{
    loaded();
    return m_closeKeepsRunning;
}

ZelvoSettings::Editable ZelvoSettings::editable() const
{
    Editable values;
    values.reminderHoldMinutes = reminderHoldMinutes();
    values.noticeHoldMinutes = noticeHoldMinutes();
    values.textHoldMinutes = textHoldMinutes();
    values.popupDisplaySeconds = popupDisplaySeconds();
    values.messageDisplaySeconds = messageDisplaySeconds();
    for (int box = 1; box <= BoxCount::kBoxes; ++box)
        values.logins[box - 1] = boxLogin(box);
    values.closeKeepsRunning = closeKeepsRunning();
    return values;
}

QString ZelvoSettings::setEditable(const Editable &values)
{
    const auto number = [](Number which) {
        const QString key = QLatin1String(kNumbers[which].key);
        return std::make_pair(key.section(QLatin1Char('/'), 0, 0), key.section(QLatin1Char('/'), 1));
    };
    QList<Entry> entries;
    const std::pair<Number, QString> numbers[] = {
        {ReminderHold, QString::number(values.reminderHoldMinutes)},
        {NoticeHold, QString::number(values.noticeHoldMinutes)},
        {TextHold, QString::number(values.textHoldMinutes)},
        {PopupDisplay, optionalNumber(values.popupDisplaySeconds)},
        {MessageDisplay, optionalNumber(values.messageDisplaySeconds)},
    };
    for (const auto &[which, value] : numbers)
        entries << Entry{number(which).first, number(which).second, value};
    for (int box = 1; box <= BoxCount::kBoxes; ++box) {
        const BoxLogin &login = values.logins[box - 1];
        const QString group = QStringLiteral("Box%1").arg(box);
        const std::optional<QString> user = loginLine(login.user);
        const std::optional<QString> password = loginLine(login.user.isEmpty() ? QString() : login.password);
        if (!user || !password)
            return QStringLiteral("die Anmeldung von Box %1 lässt sich so nicht speichern (ein Backslash zusammen mit "
                                  "einem Komma oder Leerzeichen am Rand oder am Ende, ein einzelnes "
                                  "Anführungszeichen oder ein Zeilenumbruch)")
                .arg(box);
        entries << Entry{group, kUserKey, *user} << Entry{group, kPasswordKey, *password};
    }
    entries << Entry{kWindowGroup, kCloseKey, values.closeKeepsRunning ? kCloseRunsOn : kCloseEnds};
    return writeEntries(entries);
}

QStringList ZelvoSettings::warnings() const
{
    loaded();
    return m_warnings;
}

ZelvoSettings::CalendarKeys ZelvoSettings::calendarKeys(int calendar) const
{
    loaded();
    return m_calendars.at(calendar);
}

ZelvoSettings::WindowLayout ZelvoSettings::deliveryWindowLayout() const
{
    loaded();
    return m_layout;
}

std::optional<int> ZelvoSettings::number(Number which) const
{
    loaded();
    return m_numbers.at(which);
}

void ZelvoSettings::read() const
{
    m_follower.readingStarts();
    m_fresh = true;
    const TextFile::Identity now = TextFile::identityOf(m_path);
    const bool log = now != m_loggedIdentity;
    m_loggedIdentity = now;

    const auto warn = [&](const QString &text) {
        m_warnings << text;
        if (log)
            qCWarning(lcSend).noquote() << m_path + QStringLiteral(": ") + text;
    };
    m_warnings.clear();
    // Only a regular file of a sane size is read, so that nothing waits for
    // a writer (a FIFO); a link to one is read as the lists are.
    const TextFile::Result read = TextFile::read(m_path);
    m_follower.readingGave(read.identity);
    if (read.status == TextFile::Status::Unreadable)
        warn(QStringLiteral("wird nicht gelesen (%1) - es gelten die Vorgaben, ohne Anmeldung an den Boxen")
                 .arg(read.error));
    const bool readable = read.status == TextFile::Status::Ok;
    const std::unique_ptr<QSettings> file = readable ? std::make_unique<QSettings>(m_path, QSettings::IniFormat) : nullptr;
    const auto valueOf = [&](const QString &key) { return file ? file->value(key) : QVariant(); };
    for (int i = 0; i < NumberCount; ++i) {
        const NumberKey &k = kNumbers[i];
        const QVariant value = valueOf(QLatin1String(k.key));
        const QString text = shownValue(value).trimmed();
        bool ok = false;
        const int n = text.toInt(&ok);
        ok = ok && value.metaType().id() != QMetaType::QStringList && n >= k.min && n <= k.max;
        m_numbers[i] = ok ? std::optional<int>(n) : k.fallback;
        if (!ok && !text.isEmpty())
            warn(QStringLiteral("%1 = \"%2\" ist keine Zahl von %3 bis %4, es gilt %5")
                     .arg(QLatin1String(k.key), shownValue(value))
                     .arg(k.min)
                     .arg(k.max)
                     .arg(k.fallback ? QString::number(*k.fallback) : QStringLiteral("die Vorgabe der Box")));
    }

    const QHash<QString, QString> written = writtenLogins(read.text);
    bool anyPassword = false;
    for (int box = 1; box <= BoxCount::kBoxes; ++box) {
        BoxLogin &login = m_logins[box - 1];
        login = BoxLogin();
        const QString group = QStringLiteral("Box%1/").arg(box);
        bool whole = true;
        for (const QString &key : {kUserKey, kPasswordKey}) {
            // The value itself is never logged.
            const WrittenValue value = writtenValue(written.value(group + key));
            if (!value.refusal.isEmpty()) {
                whole = false;
                warn(QStringLiteral("%1%2 %3; bis dahin geht an Box %4 keine Anmeldung")
                         .arg(group, key, value.refusal)
                         .arg(box));
            }
            (key == kUserKey ? login.user : login.password) = value.value;
        }
        if (!whole)
            login = BoxLogin();
        // Refused or not, a password is in the file.
        anyPassword = anyPassword || !written.value(group + kPasswordKey).trimmed().isEmpty();
    }
    for (int n = 0; n <= kCalendars; ++n) {
        const QString group = n == 0 ? QStringLiteral("Kalender/") : QStringLiteral("Kalender%1/").arg(n);
        // A comma in an address or a text is part of it.
        const auto text = [&](const char *key) { return shownValue(valueOf(group + QLatin1String(key))).trimmed(); };
        CalendarKeys &keys = m_calendars[n];
        keys = {text("Adresse"), text("Name"), text("Boxen"), text("Art"), text("Ganztags_Uhrzeit"),
                text("Vorlauf_Minuten"), text("Abstand_Minuten"),
                {writtenValue(written.value(group + kUserKey)).value, writtenValue(written.value(group + kPasswordKey)).value},
                text("Bestaetigen")};
        anyPassword = anyPassword || !written.value(group + kPasswordKey).trimmed().isEmpty();
    }
    if (anyPassword) {
        const QByteArray name = QFile::encodeName(m_path);
        if (keptToOwner(name)) {
            qCInfo(lcSend).noquote() << m_path << "enthält Passwörter: nur noch für den Besitzer lesbar";
            // Its mode is no change of what it says.
            m_loggedIdentity = TextFile::identityOf(m_path);
            if (read.identity.size >= 0)
                m_follower.readingGave(m_loggedIdentity);
        }
        bool mayWrite = false;
        const QString open = othersMayRead(name, &mayWrite);
        // Whoever may change it may send the logins anywhere.
        if (mayWrite) {
            m_logins.fill(BoxLogin());
            for (CalendarKeys &keys : m_calendars)
                keys.login = BoxLogin();
        }
        if (!open.isEmpty())
            warn(open + (mayWrite ? QStringLiteral(" - die Anmeldungen gelten nicht") : QString()));
    }

    m_closeKeepsRunning = valueOf(kWindowGroup + QLatin1Char('/') + kCloseKey).toString().trimmed().toLower()
                          == kCloseRunsOn;

    m_layout = WindowLayout();
    m_layout.size = valueOf(kLayoutGroup + QLatin1Char('/') + kSizeKey).toSize();
    for (const QString &width : valueOf(kLayoutGroup + QLatin1Char('/') + kColumnsKey).toStringList())
        m_layout.columnWidths << qMax(0, width.trimmed().toInt());
    // The first reading is what everyone starts from: nothing to announce.
    if (!m_announced)
        m_announced = std::make_unique<Announced>(
            Announced{m_numbers, m_logins, m_closeKeepsRunning, m_layout.size, m_layout.columnWidths, m_calendars});
}

QString ZelvoSettings::setDeliveryWindowLayout(const WindowLayout &layout)
{
    QStringList widths;
    for (int width : layout.columnWidths)
        widths << QString::number(width);
    // As QSettings writes a size and a list, so that it reads them back.
    return writeValues(kLayoutGroup, {
        {kSizeKey, QStringLiteral("@Size(%1 %2)").arg(layout.size.width()).arg(layout.size.height()).toUtf8()},
        {kColumnsKey, widths.join(QStringLiteral(", ")).toUtf8()},
    });
}

QString ZelvoSettings::writeValues(const QString &group, const QList<QPair<QString, QByteArray>> &values)
{
    QList<Entry> entries;
    for (const auto &value : values)
        entries << Entry{group, value.first, QString::fromUtf8(value.second)};
    return writeEntries(entries);
}

QString ZelvoSettings::writeEntries(const QList<Entry> &entries)
{
    // A link is not followed to rewrite a file elsewhere, nor is a FIFO or
    // a device replaced.
    struct stat st {};
    if (::lstat(QFile::encodeName(m_path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        const QString error = QStringLiteral("%1 ist %2 und wird nicht geschrieben")
                                  .arg(m_path, S_ISLNK(st.st_mode) ? QStringLiteral("ein symbolischer Verweis")
                                                                   : QStringLiteral("keine gewöhnliche Datei"));
        qCWarning(lcSend).noquote() << error;
        return error;
    }
    const TextFile::Result old = TextFile::read(m_path);
    if (old.status == TextFile::Status::Unreadable)
        return old.error; // writing now would lose what it holds
    QString text = old.text;
    for (const Entry &entry : entries)
        text = withValue(text, entry.group, entry.key, entry.value);

    const OwnerOnly mode(m_path);
    const QString error = AtomicFile::write(m_path, text.toUtf8());
    if (!error.isEmpty()) {
        mode.failed();
        qCWarning(lcSend).noquote() << m_path << "kann nicht geschrieben werden:" << error;
    }
    // Read again; where the values were read, what changed is announced at once.
    m_fresh = false;
    m_follower.forget();
    if (error.isEmpty() && m_announced)
        check();
    return error;
}
