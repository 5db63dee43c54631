#include "boxes/BoxListSource.h"

#include "common/Logging.h"

BoxListSource::BoxListSource(const QDir &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_follower(folder.filePath(BoxListFile::kFileName))
{
}

const BoxListFile::ReadResult &BoxListSource::read()
{
    if (!m_follower.changed())
        return m_last;

    m_follower.readingStarts();
    const BoxList before = m_last.boxes;
    m_last = BoxListFile::read(m_folder);
    m_follower.readingGave(m_last.identity);
    if (m_last.status != TextFile::Status::Unreadable) {
        m_loggedError.clear();
    } else if (m_last.error != m_loggedError) {
        m_loggedError = m_last.error;
        qCWarning(lcWatch).noquote() << BoxListFile::kFileName << "kann nicht gelesen werden:" << m_last.error;
    }
    if (!(m_last.boxes == before))
        emit changed(m_last.boxes);
    return m_last;
}

QString BoxListSource::write(const BoxList &boxes)
{
    m_follower.forget();
    return BoxListFile::write(m_folder, boxes);
}
