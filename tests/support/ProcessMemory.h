#pragma once

#include <QByteArray>

// A figure of this process (or of pid) from /proc/…/status, in KiB (-1 when
// unknown): "VmRSS" resident now, "VmHWM" the peak resident size.
qint64 processStatusKiB(const QByteArray &field, qint64 pid = 0);
