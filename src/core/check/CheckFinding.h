#pragma once

#include <QString>

// One thing the checker found in one line of a reminder list.
//
// A finding either means the line can never fire (the user will never see
// this reminder), or it is a hint: the line fires, but not quite as written
// (text cut at 52 characters, "P" sends a plain message, the box is not
// configured, a comma ends the record early, a tab stands for a blank).
struct CheckFinding {
    enum class Severity { NeverFires, Hint };

    Severity severity = Severity::NeverFires;
    QString code;  // short stable name for scripts: "trigger", "daycode", "date", ...
    int line = 0;  // 1-based line of the list file
    int column = 0; // 1-based column the finding points at, 0 when none
    QString what;  // why, in German, without line number and consequence

    bool neverFires() const { return severity == Severity::NeverFires; }

    // The one wording shared by zelvo-check and the app's log:
    //   Zeile 3: Uhrzeit "7:25" muss fünf Zeichen haben (07:25) – diese Zeile wird nie gesendet
    //   Zeile 5: Hinweis: Art "P" ist groß geschrieben: ...
    QString text() const;
};
