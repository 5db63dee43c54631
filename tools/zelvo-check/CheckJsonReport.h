#pragma once

#include <QByteArray>

struct FolderCheck;

// zelvo-check --json: the same as the text report, one JSON object per line.
//
//   {"type":"file","file":"zlv-tag.txt","status":"ok","records":4,...}
//   {"type":"finding","file":"zlv-tag.txt","line":3,"column":1,"severity":"never","code":"trigger","message":"Zeile 3: ..."}
//   {"type":"due","at":"2026-12-24T07:25:00+01:00","list":"zlv-tag.txt","line":1,"box":2,"kind":"popup","text":"..."}
//   {"type":"summary","neverFiring":1,"hints":2,"status":1,...}
class CheckJsonReport
{
public:
    static QByteArray of(const FolderCheck &check);
};
