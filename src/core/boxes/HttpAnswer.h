#pragma once

#include <QByteArray>

// The beginning of a box's HTTP answer, read up to fixed limits: the status
// line and headers (at most kHeadLimit bytes) and at most kBodyLimit bytes
// of body. That is all Zelvo needs; whatever a box sends beyond is never read.
class HttpAnswer
{
public:
    static constexpr int kHeadLimit = 8192;
    static constexpr int kBodyLimit = 4096;

    // Takes the next bytes of the answer (never more than wanted()).
    void feed(const QByteArray &bytes);
    // The connection has ended: what was read is all there is.
    void endOfStream() { m_complete = true; }

    // How many more bytes may be read; 0 once complete.
    qint64 wanted() const;
    // Enough has been read (or the answer is no HTTP answer at all).
    bool complete() const { return m_complete; }

    // The status code of the status line, 0 while none was read.
    int status() const { return m_status; }
    // The first line is complete but no HTTP status line.
    bool garbage() const { return m_garbage; }
    QByteArray serverHeader() const { return m_server; }
    QByteArray body() const { return m_body; }

private:
    void readStatusLine(const QByteArray &line);
    void readHeaders(const QByteArray &head);

    QByteArray m_head;
    QByteArray m_body;
    QByteArray m_server;
    qint64 m_contentLength = -1;
    int m_status = 0;
    bool m_headDone = false;
    bool m_garbage = false;
    bool m_complete = false;
};
