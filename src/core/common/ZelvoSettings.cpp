#include "common/ZelvoSettings.h"

#include "common/AtomicFile.h"
#include "common/Logging.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kNsPerSec = 1000000000;

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
const QString kSizeKey = QStringLiteral("size");
const QString kColumnsKey = QStringLiteral("columns");

QString shownValue(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
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

ZelvoSettings::ZelvoSettings(const QDir &folder)
    : m_path(folder.filePath(kFileName))
{
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
    refresh();
    return m_logins.at(box - 1);
}

ZelvoSettings::CalendarKeys ZelvoSettings::calendarKeys(int calendar) const
{
    refresh();
    return m_calendars.at(calendar);
}

ZelvoSettings::WindowLayout ZelvoSettings::deliveryWindowLayout() const
{
    refresh();
    return m_layout;
}

std::optional<int> ZelvoSettings::number(Number which) const
{
    refresh();
    return m_numbers.at(which);
}

void ZelvoSettings::refresh() const
{
    const TextFile::Identity now = TextFile::identityOf(m_path);
    if (m_trusted && now == m_readIdentity)
        return;
    // File times come from the system's wall clock; a file changed within
    // the second before it was read may change again unseen, so it is read
    // again next time (a change of the same size in the same tick).
    const qint64 readAtNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
    m_readIdentity = now;
    m_trusted = now.modifiedNs < readAtNs - kNsPerSec;
    const bool log = now != m_loggedIdentity;
    m_loggedIdentity = now;

    const QSettings file(m_path, QSettings::IniFormat);
    for (int i = 0; i < NumberCount; ++i) {
        const NumberKey &k = kNumbers[i];
        const QVariant value = file.value(QLatin1String(k.key));
        const QString text = shownValue(value).trimmed();
        bool ok = false;
        const int n = text.toInt(&ok);
        ok = ok && value.metaType().id() != QMetaType::QStringList && n >= k.min && n <= k.max;
        m_numbers[i] = ok ? std::optional<int>(n) : k.fallback;
        if (!ok && !text.isEmpty() && log)
            qCWarning(lcSend).noquote() << QStringLiteral("%1: %2 = \"%3\" ist keine Zahl von %4 bis %5, es gilt %6")
                                               .arg(m_path, QLatin1String(k.key), shownValue(value))
                                               .arg(k.min)
                                               .arg(k.max)
                                               .arg(k.fallback ? QString::number(*k.fallback)
                                                               : QStringLiteral("die Vorgabe der Box"));
    }

    bool anyPassword = false;
    for (int box = 1; box <= BoxCount::kBoxes; ++box) {
        BoxLogin &login = m_logins[box - 1];
        login = BoxLogin();
        const QString group = QStringLiteral("Box%1/").arg(box);
        bool whole = true;
        for (const QString &key : {kUserKey, kPasswordKey}) {
            // Unquoted, a comma splits a value into a list; the value itself is never logged.
            const QVariant value = file.value(group + key);
            if (value.metaType().id() == QMetaType::QStringList) {
                whole = false;
                if (log)
                    qCWarning(lcSend).noquote()
                        << QStringLiteral("%1: %2%3 enthält ein Komma und gilt nur in Anführungszeichen (\"…\"); "
                                          "bis dahin geht an Box %4 keine Anmeldung")
                               .arg(m_path, group, key)
                               .arg(box);
            }
        }
        if (!whole)
            continue;
        login.user = file.value(group + kUserKey).toString();
        login.password = file.value(group + kPasswordKey).toString();
        anyPassword = anyPassword || !login.password.isEmpty();
    }
    for (int n = 0; n <= kCalendars; ++n) {
        const QString group = n == 0 ? QStringLiteral("Kalender/") : QStringLiteral("Kalender%1/").arg(n);
        // A comma in an address or a text is part of it.
        const auto text = [&](const char *key) { return shownValue(file.value(group + QLatin1String(key))).trimmed(); };
        CalendarKeys &keys = m_calendars[n];
        keys = {text("Adresse"), text("Name"), text("Boxen"), text("Art"), text("Ganztags_Uhrzeit"),
                text("Vorlauf_Minuten"), text("Abstand_Minuten"),
                {file.value(group + kUserKey).toString(), file.value(group + kPasswordKey).toString()}};
        anyPassword = anyPassword || !keys.login.password.isEmpty();
    }
    if (anyPassword && keptToOwner(QFile::encodeName(m_path))) {
        qCInfo(lcSend).noquote() << m_path << "enthält Passwörter: nur noch für den Besitzer lesbar";
        m_readIdentity = m_loggedIdentity = TextFile::identityOf(m_path); // its mode is no change of what it says
    }

    m_layout = WindowLayout();
    m_layout.size = file.value(kLayoutGroup + QLatin1Char('/') + kSizeKey).toSize();
    for (const QString &width : file.value(kLayoutGroup + QLatin1Char('/') + kColumnsKey).toStringList())
        m_layout.columnWidths << qMax(0, width.trimmed().toInt());
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
    const TextFile::Result old = TextFile::read(m_path);
    if (old.status == TextFile::Status::Unreadable)
        return old.error; // writing now would lose what it holds
    QString text = old.text;
    for (const auto &value : values)
        text = withValue(text, group, value.first, QString::fromUtf8(value.second));

    const OwnerOnly mode(m_path);
    const QString error = AtomicFile::write(m_path, text.toUtf8());
    if (!error.isEmpty()) {
        mode.failed();
        qCWarning(lcSend).noquote() << m_path << "kann nicht geschrieben werden:" << error;
    }
    m_trusted = false;
    return error;
}
