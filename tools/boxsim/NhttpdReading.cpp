#include "NhttpdReading.h"

#include "HexDigit.h"

#include <QByteArrayView>
#include <QStringList>

namespace {

// How many bytes the UTF-8 sequence that starts with lead claims.
int sequenceLength(uchar lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

} // namespace

NhttpdReading::NhttpdReading(const QByteArray &target, bool oldServer)
{
    const QByteArray seen = oldServer ? decodeLenient(target) : target;
    const int question = seen.indexOf('?');
    m_path = question < 0 ? seen : seen.left(question);
    if (question < 0)
        return;
    for (const QByteArray &parameter : seen.mid(question + 1).split('&')) {
        const int equals = parameter.indexOf('=');
        const QByteArray value = equals < 0 ? QByteArray() : parameter.mid(equals + 1);
        m_parameters.append({equals < 0 ? parameter : parameter.left(equals),
                             oldServer ? decodeLenient(value) : decodeStrict(value)});
    }
    m_firstName = m_parameters.first().first;
    m_firstValue = m_parameters.first().second;
}

QByteArray NhttpdReading::value(const QByteArray &name) const
{
    for (const auto &parameter : m_parameters) {
        if (parameter.first == name)
            return parameter.second;
    }
    return QByteArray();
}

QString NhttpdReading::messageKind() const
{
    if (m_path != kMessagePath)
        return QString();
    if (m_firstName == "popup" || m_firstName == "nmsg")
        return QString::fromLatin1(m_firstName);
    return QString();
}

QByteArray NhttpdReading::decodeStrict(const QByteArray &s)
{
    QByteArray out;
    for (int i = 0; i < s.size(); ++i) {
        if (s.at(i) == '%' && i + 2 < s.size() && hexDigit(s.at(i + 1)) >= 0 && hexDigit(s.at(i + 2)) >= 0) {
            out += char(hexDigit(s.at(i + 1)) * 16 + hexDigit(s.at(i + 2)));
            i += 2;
        } else {
            out += s.at(i);
        }
    }
    return out;
}

QByteArray NhttpdReading::decodeLenient(const QByteArray &s)
{
    const auto digit = [&s](int at) { return at < s.size() ? qMax(0, hexDigit(s.at(at))) : 0; };
    QByteArray out;
    for (int i = 0; i < s.size(); ++i) {
        if (s.at(i) == '+') {
            out += ' ';
        } else if (s.at(i) == '%') {
            out += char(digit(i + 1) * 16 + digit(i + 2));
            i += 2;
        } else {
            out += s.at(i);
        }
    }
    return out;
}

QString NhttpdReading::drawn(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    QStringList lines;
    for (const QByteArray &line : (nul < 0 ? bytes : bytes.left(nul)).split('\n')) {
        int valid = 0;
        while (valid < line.size()) {
            const int length = sequenceLength(uchar(line.at(valid)));
            if (length == 0 || valid + length > line.size()
                || !QByteArrayView(line.constData() + valid, length).isValidUtf8())
                break;
            valid += length;
        }
        lines << QString::fromUtf8(line.left(valid));
    }
    return lines.join(QLatin1Char('\n'));
}
