#pragma once

#include <QString>

// The text typed into the send-text dialog in the two forms a send needs:
// for the box, each line break one "\n"; for the information panel, the line
// breaks dropped and the lines run together.
struct TypedText {
    QString text;
    QString plain;

    // Every line break counts once, whether it is CR LF, a lone LF or a lone
    // CR; every other character is kept in both forms.
    static TypedText convert(const QString &typed);
};
