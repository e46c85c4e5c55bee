#pragma once
// tesselix-cli: the same engines as the wizard, without windows.
// Exit status: 0 success; 1 the job stopped with one of the program's messages
// (printed on stderr as it stands), was cancelled, or could not write all it was
// asked to; 2 bad usage or a refused option value.

#include <QStringList>
#include <QTextStream>

namespace tx::cli {

enum Exit { Ok = 0, JobFailed = 1, Usage = 2 };

struct Io {
    QTextStream& out;
    QTextStream& err;
};

int run(const QStringList& args, Io io);  // args without the program name

int runSettings(const QStringList& args, Io io);
int runMosaic(const QStringList& args, Io io);
int runDemo(const QStringList& args, Io io);
int runLibrary(const QStringList& args, Io io);

// Library sub-commands (args after the sub-command's name).
int runLibraryCreate(const QStringList& args, Io io);
int runLibraryIndex(const QStringList& args, Io io);
int runLibraryList(const QStringList& args, Io io);
int runLibraryInfo(const QStringList& args, Io io);
int runLibraryDelete(const QStringList& args, Io io);
int runLibraryAnalyse(const QStringList& args, Io io);
int runLibraryDoubles(const QStringList& args, Io io);

QString usageText();

}  // namespace tx::cli
