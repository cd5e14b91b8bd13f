// resgen OUTPUT_FOLDER
// Paints and synthesises the program's resources into OUTPUT_FOLDER. Run it
// with QT_QPA_PLATFORM=offscreen; it needs no display.

#include "OutputFolder.h"
#include "ResourceSet.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: resgen OUTPUT_FOLDER\n";
        return 2;
    }
    if (!resgen::ResourceSet::houseFontInstalled()) {
        err << "resgen: the font family DejaVu Sans is not installed\n";
        return 1;
    }
    resgen::OutputFolder out(args.at(1));
    if (!resgen::ResourceSet::writeAll(out)) {
        err << "resgen: " << out.lastError() << '\n';
        return 1;
    }
    return 0;
}
