#pragma once

// The value of a hexadecimal digit, -1 when c is none: what every web
// server boxsim stands in for reads behind a '%'.
inline int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
