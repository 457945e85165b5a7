#ifndef FINDCHILD_H
#define FINDCHILD_H

#include <QObject>
#include <QString>

// A control of the window by its object name; a missing one ends the test run at once, since
// every later step would only report the same absence.
template<typename T>
T *findNamedChild(const QObject *parent, const char *name)
{
    T *object = parent->findChild<T *>(QLatin1String(name));
    if (!object)
        qFatal("The window has no child %s", name);
    return object;
}

#endif // FINDCHILD_H
