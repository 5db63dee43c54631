#pragma once

#include "boxes/BoxAddress.h"

#include <QObject>
#include <QString>

// One wait for the address of a box name (BoxAddress::resolve, off the
// calling thread).
//
// Each name is looked up on a thread of its own, at most one look-up per
// name at a time in the whole program: a wait for a name whose look-up is
// under way joins that look-up, so a name that hangs in DNS holds one thread
// and never delays another name. getaddrinfo cannot be cancelled: a wait that
// ends early (its object destroyed) only stops listening, the look-up runs on
// and its answer is dropped. Nothing ever waits for a look-up, not even the
// end of the program.
class NameLookup : public QObject
{
    Q_OBJECT
public:
    // Begins waiting for name (a text that BoxAddress::read says needs a
    // look-up).
    explicit NameLookup(const QString &name, QObject *parent = nullptr);
    ~NameLookup() override;

    QString name() const { return m_name; }

    // Names whose look-up is under way in this process.
    static int lookupsUnderWay();

signals:
    // Once, on this object's thread, unless it is destroyed before.
    void resolved(const BoxAddress &address);

private:
    static void lookUp(const QString &name);
    static void answer(const QString &name, const BoxAddress &address);

    QString m_name;
};
