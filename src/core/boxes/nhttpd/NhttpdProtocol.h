#pragma once

#include "boxes/BoxProtocol.h"
#include "boxes/nhttpd/BoxFirmware.h"
#include "boxes/nhttpd/FirmwareKind.h"

// The boxes whose web server (nhttpd) shows a text on GET
// /control/message?popup=TEXT or ?nmsg=TEXT. Servers before nhttpd 3.4.1
// decode a request more than once, so a text for them, or for a box whose
// version is not known yet, has "&", "+" and "%" written as words. The
// version comes from each answer's Server header and from the version
// question (/control/info?nhttpd_version).
class NhttpdProtocol : public BoxProtocol
{
public:
    NhttpdProtocol();

    QString kindName() const override { return QStringLiteral("nhttpd"); }
    MessageRequest messageRequest(const QString &address, const Message &message) const override;
    MessageRequest preview(const Message &message, Assumed assumed) const override;
    QString shownText(const BoxGet &request) const override;
    QString changedAlike(const QString &text) const override;
    QString readable(const Message &message) const override;
    std::optional<BoxGet> question(BoxQuestion question) const override;
    AnswerMeaning readAnswer(const QString &address, const BoxGet &request, const HttpAnswer &answer) override;
    void unanswered(const QString &address, const BoxGet &request) override;
    QString version(const QString &address) const override;

    // The request for message to a server of this kind.
    static MessageRequest request(const Message &message, FirmwareKind kind);

private:
    const BoxGet m_identity; // the version question
    BoxFirmware m_firmware;
};
