#pragma once

#include "boxes/BoxProtocol.h"
#include "boxes/nhttpd/BoxFirmware.h"
#include "boxes/nhttpd/FirmwareKind.h"


// The boxes whose web server (nhttpd) shows a text on GET
// /control/message?popup=TEXT or ?nmsg=TEXT. Servers before nhttpd 3.4.1
// decode a request more than once, so a text for them, or for a box whose
// version is not known yet, has "&", "+" and "%" written as words. The
// version comes from each answer's Server header and from the version
// question (/control/info?nhttpd_version); it is kept in the box's link,
// with the mode questions its server said it lacks (404, "unknown
// command"), which are forgotten when it answers the version question
// again, as after a new firmware.
class NhttpdProtocol : public BoxProtocol
{
public:
    NhttpdProtocol();

    // How long a box shows a popup and a message, in seconds; unset: no
    // time is sent and the box keeps its own (6 s and 60 s). Servers that
    // decode twice are older than the time parameter and get none. A
    // message to be confirmed goes as nmsg with timeout=0 (until closed).
    void setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds);

    QString kindName() const override { return QStringLiteral("nhttpd"); }
    BoxKind kind() const override { return BoxKind::Nhttpd; }
    MessageRequest messageRequest(const BoxLink &link, const Message &message) const override;
    MessageRequest preview(const Message &message, Assumed assumed) const override;
    QString shownText(const BoxGet &request) const override;
    QString changedAlike(const QString &text) const override;
    QString readable(const Message &message) const override;
    std::optional<BoxGet> question(BoxQuestion question) const override;
    // The mode question falls back to the standby question for a server
    // that lacks it, and to none for one that knows neither.
    std::optional<BoxGet> questionFor(const BoxLink &link, BoxQuestion question) const override;
    AnswerMeaning readAnswer(BoxLink &link, std::optional<BoxQuestion> asked, const BoxGet &request,
                             const HttpAnswer &answer) override;
    void unanswered(BoxLink &link, std::optional<BoxQuestion> asked) override;

    // The request for message to a server of this kind.
    static MessageRequest request(const Message &message, FirmwareKind kind,
                                  std::optional<int> displaySeconds = std::nullopt);

private:
    std::optional<int> displaySeconds(const Message &message, FirmwareKind firmware) const;
    static Message asSent(const Message &message);
    AnswerMeaning readMode(BoxLink &link, const BoxGet &request, const HttpAnswer &answer);

    const BoxGet m_identity; // the version question
    std::optional<int> m_popupSeconds;
    std::optional<int> m_messageSeconds;
};
