#ifndef PROFILEEDITOR_H
#define PROFILEEDITOR_H

#include "batch/profile.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QTableWidget;

// A batch run's profile as a table to edit: a row per point, a column per column of the
// profile's file in its order. The cells are read as the file is, so that a table holds the
// points a file with these cells would hold, and is refused where such a file would be.
class ProfileEditor
{
public:
    explicit ProfileEditor(QTableWidget *table);

    void show(const Profile &profile);
    // The points in the table; empty, with *error saying where and why, when they are not a
    // profile (line 1 being the header, line 2 the first row).
    std::optional<Profile> profile(QString *error) const;

    // A point after the current row (the last when none is current), a copy of it, to be
    // changed where it differs.
    void addPoint();
    void removePoint();

private:
    QStringList cells(int row) const;
    void setCells(int row, const QStringList &texts);

    QTableWidget *table;
};

#endif // PROFILEEDITOR_H
