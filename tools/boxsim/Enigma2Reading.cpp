#include "Enigma2Reading.h"

#include "HexDigit.h"

#include <QRegularExpression>

Enigma2Reading::Enigma2Reading(const QByteArray &target)
{
    const int question = target.indexOf('?');
    m_path = question < 0 ? target : target.left(question);
    if (question < 0)
        return;
    static const QRegularExpression separators(QStringLiteral("[&;]"));
    const QString query = QString::fromLatin1(target.mid(question + 1));
    for (const QString &part : query.split(separators, Qt::SkipEmptyParts)) {
        const QByteArray bytes = part.toLatin1();
        const int equals = bytes.indexOf('=');
        if (equals < 0)
            m_parameters.append({decode(bytes), QByteArray("")});
        else
            m_parameters.append({decode(bytes.left(equals)), decode(bytes.mid(equals + 1))});
    }
}

QString Enigma2Reading::value(const QByteArray &name) const
{
    for (const auto &parameter : m_parameters) {
        if (parameter.first == name)
            return QString::fromUtf8(parameter.second); // invalid UTF-8 as U+FFFD
    }
    return QString();
}

QByteArray Enigma2Reading::decode(const QByteArray &s)
{
    const auto hex = hexDigit;
    QByteArray out;
    for (int i = 0; i < s.size(); ++i) {
        if (s.at(i) == '+') {
            out += ' ';
        } else if (s.at(i) == '%' && i + 2 < s.size() && hex(s.at(i + 1)) >= 0 && hex(s.at(i + 2)) >= 0) {
            out += char(hex(s.at(i + 1)) * 16 + hex(s.at(i + 2)));
            i += 2;
        } else {
            out += s.at(i);
        }
    }
    return out;
}
