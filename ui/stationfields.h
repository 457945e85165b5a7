#ifndef STATIONFIELDS_H
#define STATIONFIELDS_H

#include <QObject>
#include <QStringList>
#include <QVector>

#include <functional>

class QComboBox;
class QLineEdit;
class QSpinBox;
struct StationSettings;

// Settings of the station shown in a window's fields, each saved to the station by its key the
// moment it is edited, alone: whatever else changed the station meanwhile (another window, a
// script) is kept. A value the station does not take is not saved, and said why.
class StationFields : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void add(QLineEdit *edit, const QString &key);
    // Its items are the values it offers.
    void add(QComboBox *box, const QString &key);
    void add(QSpinBox *box, const QString &key);
    // One edit for whichever of keys the box's index chooses; the others are emptied.
    void addEither(QComboBox *which, QLineEdit *edit, const QStringList &keys);

    void show(const StationSettings &settings);

signals:
    // Why the last edit was not saved; empty once one is.
    void saved(const QString &refusal);

private:
    void save(const QStringList &keys, const QString &key, const QString &value);

    QVector<std::function<void(const StationSettings &)>> shows;
    bool showing = false;
};

#endif // STATIONFIELDS_H
