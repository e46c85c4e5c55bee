#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "Cli.h"

int main(int argc, char** argv) {
    // Pictures are decoded with QtGui's readers, which need no display.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    const int rc = tx::cli::run(args, {out, err});
    out.flush();
    err.flush();
    return rc;
}
