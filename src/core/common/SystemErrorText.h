#pragma once

#include <QString>

// Why a file operation failed, in German, from the system's error number
// (the system's own texts follow the locale and are English on most
// machines).
namespace SystemErrorText {

QString of(int errorNumber);

} // namespace SystemErrorText
