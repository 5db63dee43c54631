#pragma once

#include "boxes/BoxLink.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>

// The mode questions of the watch and the standby gate, pooled: one per box
// at a time, whose answer every asker hears.
class ModeQuestions
{
public:
    // Puts one question to the box at address and returns its id.
    using Ask = std::function<quint64(const QString &address)>;
    explicit ModeQuestions(Ask ask) : m_ask(std::move(ask)) {}

    // The question under way to link's box, or a new one.
    quint64 ask(const std::shared_ptr<BoxLink> &link, bool forWatch);
    // The answer to asked came and the box may be asked again: whether the
    // watch was among those who asked.
    bool answered(quint64 asked);

private:
    Ask m_ask;
    QHash<quint64, std::shared_ptr<BoxLink>> m_asked;
};
