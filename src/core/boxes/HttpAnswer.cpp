#include "boxes/HttpAnswer.h"

#include <QList>

#include <algorithm>

void HttpAnswer::feed(const QByteArray &bytes)
{
    if (m_complete)
        return;
    if (m_headDone) {
        m_body += bytes.left(wanted());
    } else {
        m_head += bytes;
        if (m_status == 0 && !m_garbage) {
            const int lineEnd = m_head.indexOf('\n');
            if (lineEnd >= 0)
                readStatusLine(m_head.left(lineEnd));
            else if (m_head.size() >= kHeadLimit)
                m_garbage = true;
            if (m_garbage) {
                m_complete = true;
                return;
            }
        }
        int end = m_head.indexOf("\r\n\r\n");
        int separator = 4;
        const int bare = m_head.indexOf("\n\n");
        if (bare >= 0 && (end < 0 || bare < end)) {
            end = bare;
            separator = 2;
        }
        if (end >= 0) {
            m_headDone = true;
            const QByteArray rest = m_head.mid(end + separator);
            m_head.truncate(end);
            readHeaders(m_head);
            m_body = rest.left(wanted());
        } else if (m_head.size() >= kHeadLimit) {
            // Endless header lines: the status is known, the rest is not wanted.
            readHeaders(m_head);
            m_complete = true;
            return;
        }
    }
    if (m_headDone && wanted() == 0)
        m_complete = true;
}

qint64 HttpAnswer::wanted() const
{
    if (m_complete)
        return 0;
    if (!m_headDone)
        return std::max<qint64>(1, kHeadLimit - m_head.size());
    const qint64 limit = m_contentLength < 0 ? kBodyLimit : std::min<qint64>(m_contentLength, kBodyLimit);
    return std::max<qint64>(0, limit - m_body.size());
}

void HttpAnswer::readStatusLine(const QByteArray &line)
{
    // "HTTP/1.1 200 OK"
    const QList<QByteArray> parts = line.trimmed().split(' ');
    bool ok = false;
    const int code = parts.size() >= 2 && parts.at(1).size() == 3 ? parts.at(1).toInt(&ok) : 0;
    if (!parts.isEmpty() && parts.at(0).startsWith("HTTP/") && ok && code >= 100)
        m_status = code;
    else
        m_garbage = true;
}

void HttpAnswer::readHeaders(const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "server") {
            m_server = value;
        } else if (name == "content-length") {
            bool ok = false;
            const qint64 n = value.toLongLong(&ok);
            if (ok && n >= 0)
                m_contentLength = n;
        }
    }
}
