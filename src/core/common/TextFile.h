#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Reads a whole text file of the working folder. Only a regular file is
// read: a pipe, a device or a folder named like the file counts as
// unreadable, and nothing ever waits for a writer. Each line is UTF-8 when
// its bytes are valid UTF-8, otherwise Windows-1252 (files from the old
// platform), so one stray byte garbles no other line.
class TextFile
{
public:
    enum class Status { Ok, Missing, Unreadable };

    // What identifies one version of a file on disk: any write, rename or
    // replacement changes it.
    struct Identity {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const Identity &o) const
        {
            return device == o.device && inode == o.inode && size == o.size && modifiedNs == o.modifiedNs
                && changedNs == o.changedNs;
        }
        bool operator!=(const Identity &o) const { return !(*this == o); }
        // Whether a reading of this file may be kept while its identity stays:
        // a regular file not modified within the second before readAtNs (a
        // second write in the same clock step of the file system would leave
        // the identity the same).
        bool settledAt(qint64 readAtNs) const { return size >= 0 && modifiedNs < readAtNs - 1000000000; }
    };

    struct Result {
        Status status = Status::Missing;
        QString text;
        QString error; // why it could not be read, for the log or the user
        QList<int> windows1252Lines; // 1-based lines read as Windows-1252
        Identity identity;           // of the file that was read; size -1 when none
    };

    // Files larger than this are not read. Real lists are a few KB (10,000
    // records are about 0.5 MB); 2 MB is four times that, and the worst file
    // of that size is still read, decoded, parsed and checked within the
    // 50 ms a tick of the user interface may take (bench/lists).
    static constexpr qint64 kMaxBytes = 2 * 1024 * 1024;

    // bytes, when given, receives the file's bytes as read (for a writer
    // that keeps the lines it does not change byte for byte).
    static Result read(const QString &path, QByteArray *bytes = nullptr);
    // The identity of what is at path now, without opening it; size -1 when
    // nothing is there or it cannot be looked at.
    static Identity identityOf(const QString &path);
    // Lines end in CR LF, LF or CR; windows1252Lines (if given) receives the
    // 1-based lines that were not valid UTF-8.
    static QString decode(const QByteArray &bytes, QList<int> *windows1252Lines = nullptr);
};
