#pragma once

#include "boxes/BoxProtocol.h"

#include <optional>

// Receivers running Enigma2 with the OpenWebif web interface. A message is
// GET /api/message?text=TEXT&type=1&timeout=SECONDS (an information box),
// or, to be confirmed, &type=0 without a time (a yes/no question that stays
// until a key is pressed; /api/messageanswer then tells whether it was);
// the server decodes the query once, as UTF-8, '+' as a blank, and splits
// it at '&' and ';', so every byte outside A-Z a-z 0-9 - . _ ~ is escaped
// and no character is ever replaced by a word. Answers are JSON:
// {"result": true|false, "message": "..."}. /api/about tells the web
// interface's version (info.webifver), /api/powerstate whether the box is in
// standby. When the user switched on the box's password, every request
// carries it as HTTP Basic; it appears nowhere else.
class Enigma2Protocol : public BoxProtocol
{
public:
    // How long the box shows a text when the settings say nothing: as long
    // as the other kind's boxes show theirs.
    static constexpr int kDefaultPopupSeconds = 6;
    static constexpr int kDefaultMessageSeconds = 60;

    // The longest text sent: more than a message box draws on one screen.
    static constexpr int kMaxTextCharacters = 2000;
    // The longest request line sent. The server takes about 16 KB of request
    // line and headers; this leaves room for the headers.
    static constexpr int kMaxRequestLine = 12 * 1024;

    static inline const QByteArray kMessagePath = QByteArrayLiteral("/api/message");
    static inline const QByteArray kAboutPath = QByteArrayLiteral("/api/about");
    static inline const QByteArray kPowerStatePath = QByteArrayLiteral("/api/powerstate");
    static inline const QByteArray kMessageAnswerPath = QByteArrayLiteral("/api/messageanswer");

    // The refusal of a box that wants its password, with where it goes.
    static const QString &loginRequired();

    // Display times in seconds; unset: the defaults above. A message's 0
    // keeps it until someone closes it.
    explicit Enigma2Protocol(std::optional<int> popupSeconds = {}, std::optional<int> messageSeconds = {});
    void setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds);

    QString kindName() const override { return QStringLiteral("Enigma2"); }
    BoxKind kind() const override { return BoxKind::Enigma2; }
    MessageRequest messageRequest(const BoxLink &link, const Message &message) const override;
    MessageRequest preview(const Message &message, Assumed assumed) const override;
    QString shownText(const BoxGet &request) const override;
    QString readable(const Message &message) const override;
    // Such a box shows a text as typed: nothing is changed on the way.
    QString changedAlike(const QString &text) const override { return text; }
    std::optional<BoxGet> question(BoxQuestion question) const override;
    std::optional<BoxGet> questionFor(const BoxLink &link, BoxQuestion question) const override;
    AnswerMeaning readAnswer(BoxLink &link, std::optional<BoxQuestion> asked, const BoxGet &request,
                             const HttpAnswer &answer) override;
    void unanswered(BoxLink &link, std::optional<BoxQuestion> asked) override;

private:
    int displaySeconds(MessageKind kind) const;
    static AnswerMeaning readReply(const QByteArray &body);
    // What every request to the box carries: its login (the link's), when it has one.
    QList<std::pair<QByteArray, QByteArray>> headers(const BoxLink &link) const;

    std::optional<int> m_popupSeconds;
    std::optional<int> m_messageSeconds;
};
