#include "app/widget.h"

#include <QApplication>
#include <QDir>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);

    // The translation is looked up below the directory the tool was started from; when it is
    // missing the translator translates nothing and the window stays in English.
    QTranslator translator;
    translator.load(QDir::currentPath() + QStringLiteral("/Qm/Chinese.qm"), QString(), QString(),
                    QString());
    QCoreApplication::installTranslator(&translator);

    Widget window;
    window.show();
    return application.exec();
}
