#include "boxes/BoxListFile.h"

#include "common/FieldReader.h"
#include "common/SettingsFile.h"

BoxListFile::ReadResult BoxListFile::read(const QDir &folder)
{
    ReadResult r;
    const TextFile::Result file = TextFile::read(folder.filePath(kFileName));
    r.status = file.status;
    r.error = file.error;
    r.identity = file.identity;
    if (file.status == TextFile::Status::Ok)
        r.boxes = parse(file.text);
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
