#include "watch/StatusWatch.h"

StatusWatch::StatusWatch(const QDir &folder, DisplayState *display, const std::array<RequestChannel *, 4> &channels,
                         QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_display(display)
    , m_channels(channels)
{
}

void StatusWatch::tick()
{
}
