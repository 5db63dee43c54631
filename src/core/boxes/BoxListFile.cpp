#include "boxes/BoxListFile.h"

#include "common/FieldReader.h"
#include "common/Logging.h"
#include "common/SettingsFile.h"

#include <QHash>
#include <QMutex>

BoxListFile::ReadResult BoxListFile::read(const QDir &folder)
{
    ReadResult r;
    const TextFile::Result file = TextFile::read(folder.filePath(kFileName));
    r.status = file.status;
    r.error = file.error;
    if (file.status == TextFile::Status::Ok)
        r.boxes = parse(file.text);
    // The file is read at every watch tick and reminder: a failure is logged
    // when it starts or changes, not each time.
    static QMutex logged;
    static QHash<QString, QString> lastError; // path -> error last logged
    const QMutexLocker lock(&logged);
    const QString path = folder.filePath(kFileName);
    if (file.status != TextFile::Status::Unreadable) {
        lastError.remove(path);
    } else if (lastError.value(path) != file.error || !lastError.contains(path)) {
        lastError.insert(path, file.error);
        qCWarning(lcWatch).noquote() << kFileName << "kann nicht gelesen werden:" << file.error;
    }
    return r;
}

BoxList BoxListFile::parse(const QString &text)
{
    BoxList boxes;
    FieldReader reader(text);
    for (int n = 0; n < 2 * BoxList::kBoxes && !reader.atEnd(); ++n) {
        const QString field = reader.next().text;
        if (n < BoxList::kBoxes)
            boxes.addresses[n] = field;
        else
            boxes.reportFlags[n - BoxList::kBoxes] = FieldReader::numericPrefix(field);
    }
    return boxes;
}

QString BoxListFile::write(const QDir &folder, const BoxList &boxes)
{
    QStringList lines;
    for (const QString &address : boxes.addresses)
        lines << address;
    for (const int flag : boxes.reportFlags)
        lines << SettingsFile::printInt(flag);
    return SettingsFile::writeLines(folder.filePath(kFileName), lines);
}

QString BoxListFile::storable(const QString &typed)
{
    QString out;
    out.reserve(typed.size());
    for (const QChar c : typed)
        if (c != QLatin1Char(',') && c != QLatin1Char('"'))
            out += c;
    return out;
}
