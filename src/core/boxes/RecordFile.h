#pragma once

#include <QDir>
#include <QObject>
#include <QString>
#include <QTimer>

class DeliveryRecord;

// The delivery record kept across restarts: zelvo-verlauf.json in the working
// folder holds its entries (at most the record's capacity), read back at
// start. A change is written a moment later, together with the changes
// right behind it, through AtomicFile, so a crash or a full disk leaves the
// last whole file; a damaged file is set aside as "<name>.defekt" and the
// record starts empty. Only one Zelvo runs per folder: one writer.
class RecordFile : public QObject
{
    Q_OBJECT
public:
    static inline const QString kFileName = QStringLiteral("zelvo-verlauf.json");
    // How long changes gather before they are written.
    static constexpr int kWriteDelayMs = 1000;

    RecordFile(const QDir &folder, DeliveryRecord *record, QObject *parent = nullptr);
    // Writes what is not written yet.
    ~RecordFile() override;

    // Reads the file into the record, which must be empty. Messages that
    // were held come back from the held messages' own file, so their entries
    // are left out; one that had no answer yet says that Zelvo ended first.
    void load();
    // Writes now.
    void flush();

    QString path() const { return m_path; }
    // Why the last write failed, in German; empty after a good one.
    QString writeError() const { return m_writeError; }

private:
    void changed();
    QByteArray toJson() const;

    QString m_path;
    DeliveryRecord *m_record;
    QTimer m_writeLater;
    QString m_writeError;
    bool m_mayWrite = true; // false while a damaged file could not be set aside
};
