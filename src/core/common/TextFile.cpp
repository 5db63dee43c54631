#include "common/TextFile.h"

#include "common/SystemErrorText.h"
#include "common/Windows1252.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TextFile::Identity identityFromStat(const struct stat &st)
{
    TextFile::Identity id;
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    id.size = qint64(st.st_size);
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

// What is at the path instead of a regular file, in German.
QString notARegularFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("ist ein Ordner");
    if (S_ISFIFO(mode))
        return QStringLiteral("ist eine Pipe (FIFO), keine Datei");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("ist ein Gerät, keine Datei");
    if (S_ISSOCK(mode))
        return QStringLiteral("ist ein Socket, keine Datei");
    return QStringLiteral("ist keine gewöhnliche Datei");
}

QString tooLarge()
{
    return QStringLiteral("ist größer als %1 MB").arg(TextFile::kMaxBytes / (1024 * 1024));
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Well-formed UTF-8 as QString::fromUtf8 takes it without replacement: no
// overlong forms, no surrogates, nothing above U+10FFFF. A plain loop, since
// a list with one stray byte is checked line by line.
bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    const auto *end = p + size;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= more; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += more + 1;
    }
    return true;
}

} // namespace

TextFile::Identity TextFile::identityOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return Identity();
    return identityFromStat(st);
}

TextFile::Result TextFile::read(const QString &path, QByteArray *raw)
{
    Result r;
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return r; // Missing
        r.status = Status::Unreadable;
        r.error = SystemErrorText::of(errno);
        return r;
    }
    r.status = Status::Unreadable;
    // Looked at before opening: opening a pipe waits for a writer.
    if (!S_ISREG(st.st_mode)) {
        r.error = notARegularFile(st.st_mode);
        return r;
    }
    if (st.st_size > kMaxBytes) {
        r.error = tooLarge();
        return r;
    }
    // Non-blocking, so that a pipe put in place after the look above still
    // cannot make open() wait; what was opened is looked at once more.
    Fd file;
    file.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) {
        r.error = SystemErrorText::of(errno);
        return r;
    }
    if (::fstat(file.fd, &st) != 0) {
        r.error = SystemErrorText::of(errno);
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.error = notARegularFile(st.st_mode);
        return r;
    }
    QByteArray bytes;
    bytes.resize(qMin<qint64>(qMax<qint64>(st.st_size, 0), kMaxBytes) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > kMaxBytes) {
                r.error = tooLarge(); // it grew while being read
                return r;
            }
            bytes.resize(qMin<qsizetype>(bytes.size() * 2, kMaxBytes + 1));
        }
        const ssize_t n = ::read(file.fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.error = SystemErrorText::of(errno);
            return r;
        }
        if (n == 0)
            break;
        filled += n;
    }
    if (filled > kMaxBytes) {
        r.error = tooLarge();
        return r;
    }
    bytes.truncate(filled);
    r.status = Status::Ok;
    r.identity = identityFromStat(st);
    r.text = decode(bytes, &r.windows1252Lines);
    if (raw)
        *raw = bytes;
    return r;
}

QString TextFile::decode(const QByteArray &bytes, QList<int> *windows1252Lines)
{
    if (isValidUtf8(bytes.constData(), bytes.size()))
        return QString::fromUtf8(bytes);

    // Line by line, into one buffer: neither encoding yields more UTF-16
    // units than bytes. A line end is a CR or LF byte in both encodings, and
    // no other character of either contains one.
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    int line = 1;
    while (start < size) {
        qsizetype end = start;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        const QByteArrayView piece(data + start, end - start);
        if (isValidUtf8(piece.data(), piece.size())) {
            out = utf8.appendToBuffer(out, piece);
        } else {
            out = Windows1252::decodeInto(out, piece);
            if (windows1252Lines)
                windows1252Lines->append(line);
        }
        qsizetype next = end;
        if (next < size) {
            next += data[next] == '\r' && next + 1 < size && data[next + 1] == '\n' ? 2 : 1;
            for (qsizetype i = end; i < next; ++i)
                *out++ = QLatin1Char(data[i]);
            ++line;
        }
        start = next;
    }
    text.truncate(out - text.constData());
    return text;
}
