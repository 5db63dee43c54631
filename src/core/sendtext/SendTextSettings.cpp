#include "sendtext/SendTextSettings.h"

#include "common/FieldReader.h"
#include "common/Logging.h"
#include "common/SettingsFile.h"

SendTextSettings::ReadResult SendTextSettings::read(const QDir &folder)
{
    ReadResult r;
    const TextFile::Result file = TextFile::read(folder.filePath(kFileName));
    r.status = file.status;
    r.error = file.error;
    if (file.status == TextFile::Status::Ok)
        r.settings = parse(file.text);
    else if (file.status == TextFile::Status::Unreadable)
        qCWarning(lcSend).noquote() << kFileName << "kann nicht gelesen werden:" << file.error;
    return r;
}

SendTextSettings SendTextSettings::parse(const QString &text)
{
    SendTextSettings s;
    FieldReader reader(text);
    if (reader.atEnd())
        return s;
    s.kind = reader.next().text == QLatin1String("Wahr") ? MessageKind::Popup : MessageKind::Message;
    if (reader.atEnd())
        return s;
    reader.next(); // the state of "Message" follows from the first line
    for (int k = 0; k < BoxList::kBoxes && !reader.atEnd(); ++k)
        s.ticked[k] = FieldReader::numericPrefix(reader.next().text) == 1;
    return s;
}

QStringList SendTextSettings::lines() const
{
    QStringList out;
    out << SettingsFile::printBool(kind == MessageKind::Popup) << SettingsFile::printBool(kind == MessageKind::Message);
    for (const bool tick : ticked)
        out << SettingsFile::printInt(tick ? 1 : 0);
    return out;
}

QString SendTextSettings::write(const QDir &folder, const SendTextSettings &settings)
{
    return SettingsFile::writeLines(folder.filePath(kFileName), settings.lines());
}
