#include "check/RecordCheck.h"

#include "check/ReminderSchedule.h"
#include "check/TriggerText.h"
#include "reminders/ReminderKeys.h"
#include "reminders/ReminderLayout.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

using Severity = CheckFinding::Severity;

constexpr int kShownChars = 30;

// A piece of the file as it may be shown in a message or the log: tabs
// named, other control characters written as \xNN (so no raw control byte
// reaches a terminal and the reader sees which one it is), long pieces
// shortened.
QString shown(QStringView s, int maxChars = kShownChars)
{
    QString out;
    const bool cut = s.size() > maxChars;
    for (const QChar c : s.first(qMin<qsizetype>(s.size(), maxChars))) {
        if (c == QLatin1Char('\t'))
            out += QStringLiteral("<Tab>");
        else if (c.category() == QChar::Other_Control)
            out += QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    return cut ? out + QStringLiteral("…") : out;
}

QString quoted(QStringView s, int maxChars = kShownChars)
{
    return QLatin1Char('"') + shown(s, maxChars) + QLatin1Char('"');
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

class Checker
{
public:
    Checker(const ReminderRecord &record, const BoxList &boxes, const QDateTime &now)
        : m_record(record)
        , m_text(record.record())
        , m_layout(record.layout())
        , m_boxes(boxes)
        , m_now(now)
    {
    }

    QList<CheckFinding> run()
    {
        if (m_text.isEmpty())
            return {};
        if (m_record.continuesLine())
            return continuation();
        keyFindings();
        if (!m_out.isEmpty())
            return m_out;
        hints();
        return m_out;
    }

private:
    // The column of a record position as an editor counts it.
    int column(int position) const { return m_record.column() > 0 ? m_record.column() + position - 1 : position; }

    void add(Severity severity, const char *code, int position, const QString &what)
    {
        m_out.append(CheckFinding{severity, QLatin1String(code), m_record.line(), position > 0 ? column(position) : 0, what});
    }

    // The field as the user wrote it: from its position to the next blank.
    QStringView token(int position) const
    {
        if (position <= 0 || position > m_text.size())
            return {};
        const QStringView rest = QStringView(m_text).mid(position - 1);
        qsizetype n = 0;
        while (n < rest.size() && rest.at(n) != QLatin1Char(' ') && rest.at(n) != QLatin1Char('\t'))
            ++n;
        return rest.first(n);
    }

    bool present(int position, int length) const { return position > 0 && position + length - 1 <= m_text.size(); }

    // First tab in [position, position + length), or 0.
    int tabIn(int position, int length) const
    {
        for (int p = position; p < position + length && p <= m_text.size(); ++p)
            if (m_text.at(p - 1) == QLatin1Char('\t'))
                return p;
        return 0;
    }

    bool tabInKeyField(int position, int length, const QString &name)
    {
        if (position <= 0)
            return false;
        const int tab = tabIn(position, length);
        if (tab == 0)
            return false;
        add(Severity::NeverFires, "tab", tab,
            QStringLiteral("in Spalte %1 steht ein Tabulator, wo %2 stehen muss (ein Tabulator zählt als ein "
                           "Zeichen; bitte Leerzeichen verwenden)")
                .arg(column(tab))
                .arg(name));
        return true;
    }

    // Day code, date, trigger, length and, for a dated record, whether its
    // moment is still to come. Appends only never-fires findings.
    void keyFindings()
    {
        bool shifted = false; // a key of the wrong width moves every later field
        if (m_record.list() == ReminderListKind::Weekly && present(m_layout.dayCode, ReminderLayout::kDayCodeChars)
            && !tabInKeyField(m_layout.dayCode, ReminderLayout::kDayCodeChars, QStringLiteral("das Tageskürzel")))
            shifted = !checkDayCode();
        if (m_record.list() == ReminderListKind::Dated && present(m_layout.date, ReminderLayout::kDateChars)
            && !tabInKeyField(m_layout.date, ReminderLayout::kDateChars, QStringLiteral("das Datum")))
            shifted = !checkDate();
        if (!shifted && present(m_layout.trigger, ReminderLayout::kClockTimeChars)
            && !tabInKeyField(m_layout.trigger, ReminderLayout::kClockTimeChars, QStringLiteral("die Uhrzeit")))
            checkTrigger();
        if (!m_record.longEnough()) {
            add(Severity::NeverFires, "short", m_record.writtenLength(),
                QStringLiteral("der Eintrag hat nur %1 Zeichen, in %2 braucht er mindestens %3 (bis zur Boxziffer "
                               "in Spalte %4)")
                    .arg(m_record.writtenLength())
                    .arg(ReminderLayout::fileName(m_record.list()))
                    .arg(m_layout.minLengthToFire())
                    .arg(column(m_layout.boxDigit)));
        }
        if (m_out.isEmpty() && m_record.list() == ReminderListKind::Dated)
            checkStillToCome();
    }

    // True when the rest of the record lines up.
    bool checkDayCode()
    {
        const QString code = m_record.dayCode().toString();
        const QStringView tok = token(m_layout.dayCode);
        const QString list = ReminderKeys::dayCodes().join(QStringLiteral(", "));
        // "mon 06:45": the code reads as "mo", but the time no longer lines up.
        const bool triggerLinesUp = TriggerText::minuteOfDay(m_record.trigger()) >= 0;
        if (ReminderKeys::dayCodes().contains(code) && (triggerLinesUp || tok.size() == ReminderLayout::kDayCodeChars))
            return true;
        if (tok.size() != ReminderLayout::kDayCodeChars) {
            add(Severity::NeverFires, "daycode", m_layout.dayCode,
                QStringLiteral("Tageskürzel %1 muss genau zwei Zeichen haben (%2), sonst verrutschen die Felder "
                               "dahinter")
                    .arg(quoted(tok), list));
            return false;
        }
        if (ReminderKeys::dayCodes().contains(code.toLower()))
            add(Severity::NeverFires, "daycode", m_layout.dayCode,
                QStringLiteral("Tageskürzel %1 muss klein geschrieben werden (%2)").arg(quoted(code), code.toLower()));
        else
            add(Severity::NeverFires, "daycode", m_layout.dayCode,
                QStringLiteral("Tageskürzel %1 gibt es nicht (erlaubt: %2)").arg(quoted(code), list));
        return true;
    }

    // True when the rest of the record lines up.
    bool checkDate()
    {
        static const QRegularExpression exact(QStringLiteral("^[0-9][0-9]-[0-9][0-9]-[0-9][0-9][0-9][0-9]$"));
        static const QRegularExpression dayFirst(QStringLiteral("^([0-9]{1,2})[.\\-/]([0-9]{1,2})[.\\-/]([0-9]{4})$"));
        static const QRegularExpression yearFirst(QStringLiteral("^([0-9]{4})-([0-9]{1,2})-([0-9]{1,2})$"));
        const QString date = m_record.date().toString();
        if (exact.match(date).hasMatch()) {
            if (!QDate::fromString(date, QStringLiteral("dd-MM-yyyy")).isValid())
                add(Severity::NeverFires, "date", m_layout.date, QStringLiteral("Datum %1 gibt es nicht").arg(quoted(date)));
            return true;
        }
        const QString tok = token(m_layout.date).toString();
        QDate meant;
        QRegularExpressionMatch m = dayFirst.match(tok);
        if (m.hasMatch())
            meant = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
        else if ((m = yearFirst.match(tok)).hasMatch())
            meant = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const QString example = meant.isValid() ? meant.toString(QStringLiteral("dd-MM-yyyy"))
                                                : QStringLiteral("z. B. 24-12-2026");
        QString what = QStringLiteral("Datum %1 muss die Form TT-MM-JJJJ haben (%2)").arg(quoted(tok), example);
        const bool linesUp = tok.size() == ReminderLayout::kDateChars;
        if (!linesUp)
            what += QStringLiteral(", sonst verrutschen die Felder dahinter");
        add(Severity::NeverFires, "date", m_layout.date, what);
        return linesUp;
    }

    void checkTrigger()
    {
        static const QRegularExpression oneDigitHour(QStringLiteral("^([0-9]):([0-9][0-9])$"));
        static const QRegularExpression oneDigitMinute(QStringLiteral("^([0-9][0-9]):([0-9])$"));
        static const QRegularExpression otherSeparator(QStringLiteral("^([0-9]{1,2})[.,h]([0-9][0-9])$"));
        static const QRegularExpression twoByTwo(QStringLiteral("^[0-9][0-9]:[0-9][0-9]$"));
        static const QRegularExpression everyHour(QStringLiteral("^\\?\\?:[0-9][0-9]$"));

        const QStringView trigger = m_record.trigger();
        const bool dated = m_record.list() == ReminderListKind::Dated;
        if (TriggerText::minuteOfDay(trigger) >= 0 || (dated && TriggerText::everyHourMinute(trigger) >= 0))
            return;
        const int pos = m_layout.trigger;
        const QString tok = token(pos).toString();
        auto say = [&](const QString &what) { add(Severity::NeverFires, "trigger", pos, what); };
        QRegularExpressionMatch m;
        if (tok.isEmpty()) {
            say(QStringLiteral("in Spalte %1 muss die Uhrzeit beginnen (z. B. 07:25), dort steht ein Leerzeichen")
                    .arg(column(pos)));
        } else if ((m = oneDigitHour.match(tok)).hasMatch()) {
            say(QStringLiteral("Uhrzeit %1 muss fünf Zeichen haben (0%2)").arg(quoted(tok), tok));
        } else if ((m = oneDigitMinute.match(tok)).hasMatch()) {
            say(QStringLiteral("Uhrzeit %1 muss fünf Zeichen haben (%2:0%3)")
                    .arg(quoted(tok), m.captured(1), m.captured(2)));
        } else if ((m = otherSeparator.match(tok)).hasMatch()) {
            say(QStringLiteral("Uhrzeit %1 braucht einen Doppelpunkt (%2:%3)")
                    .arg(quoted(tok), twoDigits(m.captured(1).toInt()), m.captured(2)));
        } else if (twoByTwo.match(tok).hasMatch()) {
            say(QStringLiteral("Uhrzeit %1 gibt es nicht (00:00 bis 23:59)").arg(quoted(tok)));
        } else if (everyHour.match(tok).hasMatch()) {
            if (dated)
                say(QStringLiteral("Uhrzeit %1 gibt es nicht (Minute 00 bis 59)").arg(quoted(tok)));
            else
                say(QStringLiteral("Uhrzeit %1 (zu jeder Stunde) gibt es nur in %2")
                        .arg(quoted(tok), ReminderLayout::fileName(ReminderListKind::Dated)));
        } else if (dated) {
            say(QStringLiteral("Uhrzeit %1 muss die Form HH:MM oder ??:MM haben (z. B. 07:25)").arg(quoted(tok)));
        } else {
            say(QStringLiteral("Uhrzeit %1 muss die Form HH:MM haben (z. B. 07:25)").arg(quoted(tok)));
        }
    }

    // A well-formed dated record: is its moment still to come, and does it
    // exist at all in local time?
    void checkStillToCome()
    {
        if (!m_now.isValid())
            return;
        const QString dateText = m_record.date().toString();
        const QDate date = QDate::fromString(dateText, QStringLiteral("dd-MM-yyyy"));
        const QDate today = m_now.date();
        if (date < today) {
            add(Severity::NeverFires, "past", m_layout.date,
                QStringLiteral("Termin %1 liegt in der Vergangenheit").arg(dateText));
            return;
        }
        if (!m_record.hasWildcardTrigger()) {
            const QTime time = QTime::fromString(m_record.trigger().toString(), QStringLiteral("HH:mm"));
            const QDateTime moment(date, time.addSecs(ReminderLayout::checkSecond(ReminderListKind::Dated)));
            if (!moment.isValid()) {
                add(Severity::NeverFires, "dst-gap", m_layout.trigger,
                    QStringLiteral("Uhrzeit %1 gibt es am %2 nicht (Umstellung auf Sommerzeit)")
                        .arg(m_record.trigger().toString(), dateText));
                return;
            }
        }
        if (date > today)
            return;
        ReminderSchedule::Lists only;
        only[int(ReminderListKind::Dated)].append(m_record);
        if (ReminderSchedule::next(only, m_now, 1).isEmpty())
            add(Severity::NeverFires, "past", m_layout.trigger,
                QStringLiteral("Termin %1 %2 ist heute schon vorbei").arg(dateText, m_record.trigger().toString()));
    }

    void hints()
    {
        QStringList tabs;
        for (int p = 1; p < m_layout.text && p <= m_text.size(); ++p)
            if (m_text.at(p - 1) == QLatin1Char('\t'))
                tabs << QString::number(column(p));
        if (!tabs.isEmpty())
            add(Severity::Hint, "tab", 0,
                QStringLiteral("Tabulator in Spalte %1 statt eines Leerzeichens; er zählt als ein Zeichen und passt "
                               "hier zufällig (besser Leerzeichen verwenden)")
                    .arg(tabs.join(QStringLiteral(", "))));
        if (m_record.splitAtComma())
            add(Severity::Hint, "comma", 0,
                QStringLiteral("ein Komma beendet den Eintrag nach %1: gesendet wird nur der Text bis dahin, der Rest "
                               "der Zeile ist ein eigener Eintrag (steht die ganze Zeile in doppelten "
                               "Anführungszeichen, gehört das Komma zum Text)")
                    .arg(m_text.size() > kShownChars ? QStringLiteral("\"…%1\"").arg(shown(QStringView(m_text).last(kShownChars)))
                                                  : quoted(m_text)));
        if (m_record.kindFlag() == QLatin1Char('P'))
            add(Severity::Hint, "kind", m_layout.kindFlag,
                QStringLiteral("Art \"P\" ist groß geschrieben: gesendet wird eine einfache Meldung, kein Popup "
                               "(für ein Popup \"p\" schreiben)"));
        boxHints();
        if (m_record.textIsCut()) {
            const int kept = m_record.text().size();
            add(Severity::Hint, "text-cut", m_layout.text + kept,
                QStringLiteral("Text hat %1 Zeichen, gesendet werden nur die ersten %2: ab Spalte %3 fällt %4 weg")
                    .arg(m_record.fullTextLength())
                    .arg(ReminderRecord::kMaxTextChars)
                    .arg(column(m_layout.text + kept))
                    .arg(quoted(QStringView(m_text).mid(m_layout.text - 1 + kept))));
        }
    }

    void boxHints()
    {
        const QChar digit = m_record.boxDigit();
        const int box = m_record.box();
        if (!digit.isNull() && digit != QLatin1Char(' ') && (digit < QLatin1Char('1') || digit > QLatin1Char('4')))
            add(Severity::Hint, "box", m_layout.boxDigit,
                QStringLiteral("Boxziffer %1 gibt es nicht: die Erinnerung geht an Box 1").arg(quoted(QString(digit))));
        const QString address = m_boxes.address(box).trimmed();
        if (address == BoxList::kUnconfigured)
            add(Severity::Hint, "box-unconfigured", m_layout.boxDigit,
                QStringLiteral("Box %1 ist in boxip.ini nicht eingerichtet (\"0.0.0.0\"): die Erinnerung wird an "
                               "keine Box gesendet")
                    .arg(box));
        else if (address.isEmpty())
            add(Severity::Hint, "box-unconfigured", m_layout.boxDigit,
                QStringLiteral("Box %1 hat in boxip.ini keine Adresse: die Erinnerung wird an keine Box gesendet")
                    .arg(box));
    }

    // What stands behind an unquoted comma is read as a record of its own.
    QList<CheckFinding> continuation()
    {
        keyFindings();
        if (!m_out.isEmpty()) {
            m_out.clear();
            add(Severity::NeverFires, "comma", 1,
                QStringLiteral("der Teil hinter dem Komma (%1) gilt als eigener Eintrag und ist keine gültige "
                               "Erinnerung")
                    .arg(quoted(m_text)));
            return m_out;
        }
        add(Severity::Hint, "comma", 1,
            QStringLiteral("hinter dem Komma beginnt ein eigener Eintrag (%1), der für sich gesendet wird")
                .arg(quoted(m_text)));
        hints();
        return m_out;
    }

    const ReminderRecord &m_record;
    const QString &m_text; // the record as read
    const ReminderLayout &m_layout;
    const BoxList &m_boxes;
    const QDateTime m_now;
    QList<CheckFinding> m_out;
};

} // namespace

QList<CheckFinding> RecordCheck::check(const ReminderRecord &record, const BoxList &boxes, const QDateTime &now)
{
    return Checker(record, boxes, now).run();
}
