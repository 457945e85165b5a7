#include "ui/profileeditor.h"

#include <QTableWidget>

namespace {

// The table is written as a semicolon-separated file, whose cells may hold a decimal comma as
// well as a point, as a technician types either.
const QLatin1Char Separator(';');
const QLatin1Char Quote('"');
const QLatin1Char Comma(',');
const QLatin1String LineEnd("\r\n");

QString quoted(QString cell)
{
    return Quote + cell.replace(Quote, QStringLiteral("\"\"")) + Quote;
}

} // namespace

ProfileEditor::ProfileEditor(QTableWidget *table)
    : table(table)
{}

void ProfileEditor::show(const Profile &profile)
{
    // The file's own writing of each point, its header left out.
    const QStringList lines =
        QString::fromUtf8(profile.toCsv()).split(LineEnd, Qt::SkipEmptyParts).mid(1);
    table->setRowCount(lines.size());
    for (int row = 0; row < lines.size(); ++row)
        setCells(row, lines.at(row).split(Comma));
}

std::optional<Profile> ProfileEditor::profile(QString *error) const
{
    QString csv = QString::fromUtf8(Profile().toCsv()).replace(Comma, Separator);
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList line;
        for (const QString &cell : cells(row))
            line << quoted(cell);
        csv += line.join(Separator) + LineEnd;
    }
    return Profile::parse(csv.toUtf8(), error);
}

void ProfileEditor::addPoint()
{
    const int current = table->currentRow() >= 0 ? table->currentRow() : table->rowCount() - 1;
    const QStringList copied = current >= 0 ? cells(current) : QStringList();
    table->insertRow(current + 1);
    setCells(current + 1, copied);
    table->setCurrentCell(current + 1, 0);
}

void ProfileEditor::removePoint()
{
    const int current = table->currentRow() >= 0 ? table->currentRow() : table->rowCount() - 1;
    table->removeRow(current);
}

QStringList ProfileEditor::cells(int row) const
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column) {
        const QTableWidgetItem *item = table->item(row, column);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

void ProfileEditor::setCells(int row, const QStringList &texts)
{
    for (int column = 0; column < table->columnCount(); ++column)
        table->setItem(row, column, new QTableWidgetItem(texts.value(column)));
}
