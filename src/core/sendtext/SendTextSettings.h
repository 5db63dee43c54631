#pragma once

#include "boxes/BoxList.h"
#include "boxes/Message.h"
#include "common/TextFile.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <array>

// The choices of the send-text dialog as wendrel.ini keeps them: six lines,
// the state of "Popup" and of "Message" ("Wahr" / "Falsch"), then one tick
// per box (" 1 " / " 0 "), CR LF.
struct SendTextSettings {
    static inline const QString kFileName = QStringLiteral("wendrel.ini");

    MessageKind kind = MessageKind::Message;
    std::array<bool, BoxList::kBoxes> ticked{};
    // "Bestätigung abwarten": chosen per text, not kept in the file.
    bool confirm = false;

    bool isTicked(int box) const { return ticked.at(box - 1); } // box 1..BoxList::kBoxes

    struct ReadResult;

    // A missing or unreadable file reads as "Message" with no box ticked.
    static ReadResult read(const QDir &folder);
    // Line 1 exactly "Wahr" selects "Popup", anything else "Message"; line 2
    // is not looked at; each further line ticks its box when its numeric
    // value is exactly 1. Lines a short file lacks leave their box unticked,
    // lines after the sixth are ignored.
    static SendTextSettings parse(const QString &text);

    QStringList lines() const;
    // Returns an empty string on success, else the reason (German).
    static QString write(const QDir &folder, const SendTextSettings &settings);

    bool operator==(const SendTextSettings &other) const { return kind == other.kind && ticked == other.ticked; }
};

struct SendTextSettings::ReadResult {
    SendTextSettings settings;
    TextFile::Status status = TextFile::Status::Missing;
    QString error; // set when the file exists but cannot be read
};
