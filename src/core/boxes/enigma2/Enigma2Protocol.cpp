#include "boxes/enigma2/Enigma2Protocol.h"

#include "boxes/HttpAnswer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

namespace {

const QString kEllipsis = QStringLiteral("…");
constexpr int kRequestLineFrame = int(sizeof("GET  HTTP/1.1\r\n") - 1);

QJsonObject jsonObject(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object();
}

// What an /api/about answer tells: nothing when it is not this kind's
// (no object "info" of the box's brand, model and versions), else the web
// interface's version, empty when it names none. A long answer is read only
// to its first few kilobytes, so a cut one is searched by hand.
std::optional<QString> webifVersion(const QByteArray &body)
{
    const QJsonObject info = jsonObject(body).value(QLatin1String("info")).toObject();
    for (const char *field : {"brand", "model", "webifver", "enigmaver"}) {
        if (info.contains(QLatin1String(field)))
            return info.value(QLatin1String("webifver")).toString();
    }
    static const QRegularExpression cut(QString::fromLatin1(R"re(^\s*\{\s*"info"\s*:.*"webifver"\s*:\s*"([^"\\]*)")re"),
                                        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = cut.match(QString::fromUtf8(body));
    return match.hasMatch() ? std::optional<QString>(match.captured(1)) : std::nullopt;
}

} // namespace

const QString &Enigma2Protocol::loginRequired()
{
    static const QString text = QStringLiteral(
        "Anmeldung verlangt - Benutzer und Passwort der Box unter Einstellungen > Einstellungen… eintragen "
        "(oder in zelvo.ini, Abschnitt [BoxN] mit N = Nummer der Box, Benutzer= und Passwort=)");
    return text;
}

Enigma2Protocol::Enigma2Protocol(std::optional<int> popupSeconds, std::optional<int> messageSeconds)
{
    setDisplayTimes(popupSeconds, messageSeconds);
}

void Enigma2Protocol::setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds)
{
    m_popupSeconds = popupSeconds;
    m_messageSeconds = messageSeconds;
}

int Enigma2Protocol::displaySeconds(MessageKind kind) const
{
    return kind == MessageKind::Popup ? m_popupSeconds.value_or(kDefaultPopupSeconds)
                                      : m_messageSeconds.value_or(kDefaultMessageSeconds);
}

QList<std::pair<QByteArray, QByteArray>> Enigma2Protocol::headers(const BoxLink &link) const
{
    if (link.login.user.isEmpty())
        return {};
    return {{QByteArrayLiteral("Authorization"),
             "Basic " + (link.login.user + QLatin1Char(':') + link.login.password).toUtf8().toBase64()}};
}

MessageRequest Enigma2Protocol::messageRequest(const BoxLink &link, const Message &message) const
{
    MessageRequest r = preview(message, Assumed::Current);
    r.get.headers = headers(link);
    return r;
}

MessageRequest Enigma2Protocol::preview(const Message &message, Assumed) const
{
    // A yes/no question stays until a key is pressed only without a time:
    // with one, the box answers "yes" by itself when it runs out.
    const QByteArray tail = message.confirm ? QByteArray("&type=0")
                                            : "&type=1&timeout=" + QByteArray::number(displaySeconds(message.kind));
    const QByteArray head = kMessagePath + "?text=";
    const int room = kMaxRequestLine - kRequestLineFrame - int(head.size() + tail.size());
    const QByteArray ellipsis = QUrl::toPercentEncoding(kEllipsis);

    // Character by character (a surrogate pair is one), so a cut never
    // splits one; control characters other than the line break draw nothing
    // sensible on the screen and are left out.
    QString kept;
    QByteArray encoded;
    int characters = 0, dropped = 0;
    // Where the text stands when "…" still fits behind it.
    qsizetype cutText = 0, cutBytes = 0;
    bool shortened = false;
    for (int i = 0; i < message.text.size(); ++i) {
        QString piece(message.text.at(i));
        if (message.text.at(i).isHighSurrogate() && i + 1 < message.text.size())
            piece += message.text.at(++i);
        if (piece.size() == 1 && piece.at(0).category() == QChar::Other_Control && piece.at(0) != QLatin1Char('\n')) {
            ++dropped;
            continue;
        }
        const QByteArray bytes = QUrl::toPercentEncoding(piece);
        if (characters + 1 > kMaxTextCharacters || encoded.size() + bytes.size() > room) {
            shortened = true;
            break;
        }
        if (characters + 1 < kMaxTextCharacters && encoded.size() + bytes.size() + ellipsis.size() <= room) {
            cutText = kept.size() + piece.size();
            cutBytes = encoded.size() + bytes.size();
        }
        kept += piece;
        encoded += bytes;
        ++characters;
    }
    if (shortened) {
        kept.truncate(cutText);
        kept += kEllipsis;
        encoded.truncate(cutBytes);
        encoded += ellipsis;
    }

    MessageRequest r;
    r.get.target = head + encoded + tail;
    r.shortened = shortened;
    if (shortened)
        r.changes << QStringLiteral("Text gekürzt auf höchstens %1 Zeichen und %2 Bytes Anfragezeile")
                         .arg(kMaxTextCharacters)
                         .arg(kMaxRequestLine);
    if (dropped > 0)
        r.changes << QStringLiteral("%1 Steuerzeichen nicht gesendet").arg(dropped);
    return r;
}

// The text parameter decoded once, as the web interface reads it.
QString Enigma2Protocol::shownText(const BoxGet &request) const
{
    const QByteArray &target = request.target;
    const int question = target.indexOf('?');
    if (question < 0 || target.left(question) != kMessagePath)
        return QString();
    for (const QByteArray &parameter : target.mid(question + 1).split('&'))
        if (parameter.startsWith("text="))
            return QString::fromUtf8(QByteArray::fromPercentEncoding(parameter.mid(5)));
    return QString();
}

QString Enigma2Protocol::readable(const Message &message) const
{
    const QByteArray target = preview(message, Assumed::Current).get.target;
    QString text = shownText({target, {}});
    text.replace(QLatin1Char('\n'), QLatin1String("%0A"));
    const int tail = target.indexOf('&'); // the text itself holds no raw '&'
    return QString::fromLatin1(kMessagePath) + QStringLiteral("?text=") + text + QString::fromLatin1(target.mid(tail));
}

std::optional<BoxGet> Enigma2Protocol::question(BoxQuestion question) const
{
    switch (question) {
    case BoxQuestion::Identity:
        return BoxGet{kAboutPath, {}};
    case BoxQuestion::Answer:
        return BoxGet{kMessageAnswerPath, {}};
    case BoxQuestion::Mode:
        break;
    }
    return BoxGet{kPowerStatePath, {}};
}

std::optional<BoxGet> Enigma2Protocol::questionFor(const BoxLink &link, BoxQuestion question) const
{
    return BoxGet{this->question(question)->target, headers(link)};
}

AnswerMeaning Enigma2Protocol::readAnswer(BoxLink &link, std::optional<BoxQuestion> asked, const BoxGet &request,
                                          const HttpAnswer &answer)
{
    (void)request;
    AnswerMeaning meaning;
    const bool identity = asked == BoxQuestion::Identity;
    if (answer.status() == 401) {
        // Only a box of this kind asks for its password on these paths.
        meaning.verdict = AnswerMeaning::Verdict::Refused;
        meaning.why = loginRequired();
    } else if (identity) {
        const std::optional<QString> version = answer.status() == 200 ? webifVersion(answer.body()) : std::nullopt;
        meaning.verdict = version ? AnswerMeaning::Verdict::Accepted : AnswerMeaning::Verdict::NotThisKind;
        link.learnt(kind()).version = version ? *version : QString();
    } else if (answer.status() == 404 && asked == BoxQuestion::Mode) {
        meaning.verdict = AnswerMeaning::Verdict::NotThisKind; // a web interface without the question
    } else if (answer.status() != 200) {
        meaning.verdict = AnswerMeaning::Verdict::Refused; // the status says why
    } else if (asked == BoxQuestion::Answer) {
        meaning = readReply(answer.body());
    } else if (asked == BoxQuestion::Mode) {
        const QJsonValue standby = jsonObject(answer.body()).value(QLatin1String("instandby"));
        meaning.verdict = standby.isBool() ? AnswerMeaning::Verdict::Accepted : AnswerMeaning::Verdict::Refused;
        if (standby.isBool())
            meaning.canShow = !standby.toBool();
        else
            meaning.why = QStringLiteral("unverständliche Antwort auf /api/powerstate");
    } else {
        const QJsonObject object = jsonObject(answer.body());
        const QJsonValue result = object.value(QLatin1String("result"));
        if (result.isBool() && result.toBool()) {
            meaning.verdict = AnswerMeaning::Verdict::Accepted;
        } else {
            meaning.verdict = AnswerMeaning::Verdict::Refused;
            const QString said = object.value(QLatin1String("message")).toString().trimmed();
            meaning.why = !result.isBool() ? QStringLiteral("unverständliche Antwort der Box (HTTP 200)")
                          : said.isEmpty() ? QStringLiteral("von der Box abgelehnt")
                                           : said;
        }
    }
    meaning.version = version(link);
    return meaning;
}

// Only "result" counts: false while nobody answered. Which key was pressed
// the box says in its own, perhaps translated, words; they are read only
// where they plainly say yes or no.
AnswerMeaning Enigma2Protocol::readReply(const QByteArray &body)
{
    AnswerMeaning meaning;
    const QJsonObject object = jsonObject(body);
    const QJsonValue result = object.value(QLatin1String("result"));
    if (!result.isBool()) {
        meaning.verdict = AnswerMeaning::Verdict::Refused;
        meaning.why = QStringLiteral("unverständliche Antwort auf /api/messageanswer");
        return meaning;
    }
    meaning.verdict = AnswerMeaning::Verdict::Accepted;
    if (!result.toBool()) {
        meaning.reply = PromptReply::Open;
        return meaning;
    }
    static const QRegularExpression yes(QStringLiteral("\\b(yes|ja|oui|si)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression no(QStringLiteral("\\b(no|nein|non|nee)\\b"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QString said = object.value(QLatin1String("message")).toString();
    const bool saysYes = said.contains(yes), saysNo = said.contains(no);
    meaning.reply = saysYes == saysNo ? PromptReply::Answered : saysYes ? PromptReply::Yes : PromptReply::No;
    return meaning;
}

void Enigma2Protocol::unanswered(BoxLink &link, std::optional<BoxQuestion> asked)
{
    if (asked == BoxQuestion::Identity)
        link.learnt(kind()).version.clear();
}
