#include "boxes/BoxListSource.h"

#include "common/Logging.h"

#include <QDateTime>

BoxListSource::BoxListSource(const QDir &folder)
    : m_folder(folder)
{
}

const BoxListFile::ReadResult &BoxListSource::read()
{
    const TextFile::Identity now = TextFile::identityOf(m_folder.filePath(BoxListFile::kFileName));
    if (m_trusted && now.size >= 0 && now == m_last.identity)
        return m_last;

    // File times come from the system's wall clock, not from the program's.
    const qint64 readAtNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
    m_last = BoxListFile::read(m_folder);
    ++m_readCount;
    m_trusted = m_last.status != TextFile::Status::Unreadable && m_last.identity.settledAt(readAtNs);
    if (m_last.status != TextFile::Status::Unreadable) {
        m_loggedError.clear();
    } else if (m_last.error != m_loggedError) {
        m_loggedError = m_last.error;
        qCWarning(lcWatch).noquote() << BoxListFile::kFileName << "kann nicht gelesen werden:" << m_last.error;
    }
    return m_last;
}

QString BoxListSource::write(const BoxList &boxes)
{
    m_trusted = false;
    return BoxListFile::write(m_folder, boxes);
}
