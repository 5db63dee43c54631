#include "boxes/ModeQuestions.h"

quint64 ModeQuestions::ask(const std::shared_ptr<BoxLink> &link, bool forWatch)
{
    link->modeForWatch = link->modeForWatch || forWatch;
    if (!link->modeQuestion) {
        link->modeQuestion = m_ask(link->key());
        m_asked.insert(link->modeQuestion, link);
    }
    return link->modeQuestion;
}

bool ModeQuestions::answered(quint64 asked)
{
    const std::shared_ptr<BoxLink> link = m_asked.take(asked);
    if (!link)
        return false;
    const bool forWatch = link->modeForWatch;
    link->modeQuestion = 0;
    link->modeForWatch = false;
    return forWatch;
}
