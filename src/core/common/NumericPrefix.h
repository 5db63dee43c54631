#pragma once

#include <QString>

// The numeric value of a settings field: optional blanks, an optional sign,
// decimal digits; the value of that prefix, 0 when there is none. Values
// beyond the range of int are clamped.
int numericPrefix(const QString &text);
