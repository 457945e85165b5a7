#include "ui/stationfields.h"

#include "check/stationsettings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

void StationFields::add(QLineEdit *edit, const QString &key)
{
    connect(edit, &QLineEdit::editingFinished, this,
            [=] { save({key}, key, edit->text().trimmed()); });
    shows << [=](const StationSettings &s) { edit->setText(s.text(key)); };
}

void StationFields::add(QComboBox *box, const QString &key)
{
    connect(box, QOverload<int>::of(&QComboBox::activated), this,
            [=] { save({key}, key, box->currentText()); });
    shows << [=](const StationSettings &s) { box->setCurrentText(s.text(key)); };
}

void StationFields::add(QSpinBox *box, const QString &key)
{
    connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [=](int value) { save({key}, key, QString::number(value)); });
    shows << [=](const StationSettings &s) { box->setValue(s.text(key).toInt()); };
}

void StationFields::addEither(QComboBox *which, QLineEdit *edit, const QStringList &keys)
{
    const auto edited = [=] {
        save(keys, keys.value(which->currentIndex()), edit->text().trimmed());
    };
    connect(edit, &QLineEdit::editingFinished, this, edited);
    connect(which, QOverload<int>::of(&QComboBox::activated), this, edited);
    shows << [=](const StationSettings &s) {
        int chosen = int(keys.size()) - 1;
        while (chosen > 0 && s.text(keys.at(chosen)).isEmpty())
            --chosen;
        which->setCurrentIndex(chosen);
        edit->setText(s.text(keys.at(chosen)));
    };
}

void StationFields::show(const StationSettings &settings)
{
    // Shown, not edited: nothing is saved.
    showing = true;
    for (const auto &show : qAsConst(shows))
        show(settings);
    showing = false;
}

void StationFields::save(const QStringList &keys, const QString &key, const QString &value)
{
    if (showing)
        return;
    StationSettings settings = StationSettings::load();
    QString why;
    for (const QString &other : keys) {
        if (other != key)
            settings.set(other, QString(), &why);
    }
    if (!settings.set(key, value, &why))
        return emit saved(why);
    settings.save();
    emit saved(QString());
}
