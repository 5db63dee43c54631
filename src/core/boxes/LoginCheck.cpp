#include "boxes/LoginCheck.h"

#include "boxes/HttpTransport.h"

LoginCheck::LoginCheck(const QString &address, const ZelvoSettings::BoxLogin &login, quint16 port, QObject *parent)
    : QObject(parent)
    , m_transport(new HttpTransport(port, HttpTransport::kQueryTimeoutMs, this))
{
    const std::shared_ptr<BoxLink> link = m_transport->link(address);
    link->login = login;
    connect(m_transport, &HttpTransport::answered, this, [this](quint64 id, const QuestionAnswer &answer) {
        if (id != m_asked)
            return;
        // A refusal counts as no answer to the sender; here it is the verdict.
        if (answer.status == 401 || answer.status == 403)
            emit done(Verdict::Refused, QString());
        else if (!answer.reached)
            emit done(Verdict::NoAnswer, answer.error);
        else
            emit done(Verdict::Accepted, QString());
    });
    m_transport->identify(link);
    m_asked = m_transport->ask(link, BoxQuestion::Mode);
}
