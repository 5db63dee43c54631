#pragma once

#include <QString>

// What an address field of the box address dialog accepts. boxip.ini has
// one field per line and no escaping: a comma would split an address in
// two and a double quote would swallow the following lines, shifting every
// later address and flag. Both are therefore kept out of an address.
namespace AddressInput {

bool isStorable(QChar c);
// The typed text without the characters the file cannot hold.
QString storable(const QString &typed);

} // namespace AddressInput
