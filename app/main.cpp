#include "app/Application.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Application glintview(app);
    return glintview.run();
}
