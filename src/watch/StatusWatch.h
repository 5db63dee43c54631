#pragma once

#include <QDir>
#include <QObject>

#include <array>

class DisplayState;
class RequestChannel;

// The Timer2 tick: probes every configured box, colours the lamps, keeps the
// box status text and tells the boxes when a box was switched on or off.
class StatusWatch : public QObject
{
    Q_OBJECT
public:
    StatusWatch(const QDir &folder, DisplayState *display, const std::array<RequestChannel *, 4> &channels,
                QObject *parent = nullptr);

public slots:
    void tick();

signals:
    void alert(const QString &text);

private:
    QDir m_folder;
    DisplayState *m_display;
    std::array<RequestChannel *, 4> m_channels;
};
