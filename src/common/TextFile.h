#pragma once

#include <QByteArray>
#include <QString>

// Reads a whole text file of the working folder: UTF-8 when the bytes are
// valid UTF-8, otherwise Windows-1252 (files from the old platform).
class TextFile
{
public:
    enum class Status { Ok, Missing, Unreadable };

    struct Result {
        Status status = Status::Missing;
        QString text;
        QString error; // why it could not be read, for the log or the user
    };

    // Files larger than this are not read: no list or settings file comes
    // near it, and reading one must never stall the program.
    static constexpr qint64 kMaxBytes = 64 * 1024 * 1024;

    static Result read(const QString &path);
    static QString decode(const QByteArray &bytes);
};
