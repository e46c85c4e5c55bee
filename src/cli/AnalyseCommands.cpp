#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "Cli.h"
#include "CliArgs.h"
#include "CliHost.h"
#include "JobRun.h"
#include "library/TileLibrary.h"
#include "support/FileHelpers.h"

namespace tx::cli {

namespace {

class AnalyseHost : public CliHost {
public:
    using CliHost::CliHost;
    void analysisResult(const QString& scoreText, const Picture& graph) override {
        score = scoreText;
        this->graph = graph;
    }
    QString score;
    Picture graph;
};

bool writePng(const Picture& picture, const QString& path, QString& error) {
    const QImage image(picture.bits(), picture.width(), picture.height(), static_cast<qsizetype>(picture.stride()),
                       QImage::Format_RGB888);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = QStringLiteral("the graph could not be encoded");
        return false;
    }
    return writeFileAtomically(path, bytes, &error, LinkPolicy::FollowToRegularFile);
}

}  // namespace

int runLibraryAnalyse(const QStringList& args, Io io) {
    Args a(args);
    const bool update = a.flag(QStringLiteral("update-db"));
    const auto graphPath = a.option(QStringLiteral("graph"));
    const bool quiet = a.flag(QStringLiteral("quiet"));
    if (!a.finish(io)) return Usage;
    int rc = Ok;
    const auto name = existingLibraryName(a.positional(), "analyse", io, rc);
    if (!name) return rc;
    if (graphPath && graphPath->isEmpty()) {
        io.err << "tesselix-cli: --graph needs a file name\n";
        return Usage;
    }

    AnalyseLibraryJob job;
    job.libraryFolder = libraryFolder(*name);
    job.updateDatabase = update;
    if (tileList(job.libraryFolder).isEmpty()) {
        io.err << "The library '" << *name << "' holds no tiles.\n";
        return JobFailed;
    }

    AnalyseHost host(io.err, quiet);
    const JobResult result = runJob(host, jobRequest(job));
    if (const int rc = finishJob(result, io, true); rc != Ok) return rc;
    io.out << "Score: " << host.score << "\n";
    if (graphPath) {
        QString error;
        if (!writePng(host.graph, *graphPath, error)) {
            io.err << "tesselix-cli: " << *graphPath << ": " << error << "\n";
            return JobFailed;
        }
        io.out << "Graph: " << QDir::toNativeSeparators(QFileInfo(*graphPath).absoluteFilePath()) << "\n";
    }
    return Ok;
}

int runLibraryDoubles(const QStringList& args, Io io) {
    Args a(args);
    const auto del = a.option(QStringLiteral("delete"));
    const bool quiet = a.flag(QStringLiteral("quiet"));
    DoublesAnswer answer = DoublesAnswer::Keep;
    if (del) {
        if (*del == QLatin1String("first"))
            answer = DoublesAnswer::Kill1;
        else if (*del == QLatin1String("second"))
            answer = DoublesAnswer::Kill2;
        else if (*del != QLatin1String("none"))
            a.fail(QStringLiteral("--delete takes first, second or none"));
    }
    if (!a.finish(io)) return Usage;
    int rc = Ok;
    const auto name = existingLibraryName(a.positional(), "doubles", io, rc);
    if (!name) return rc;

    SearchDoublesJob job;
    job.libraryFolder = libraryFolder(*name);

    CliHost host(io.err, quiet);
    int doubles = 0;
    host.doublesHandler = [&](const DoublesQuestion& q) {
        host.endLine();
        ++doubles;
        io.out << q.fileI << "\t" << q.fileJ << "\t" << q.d << "\n";
        io.out.flush();
        return answer;
    };
    const JobResult result = runJob(host, jobRequest(job));
    // Only what was really deleted is reported as deleted.
    for (const QString& path : result.filesRemoved) io.out << "deleted " << QFileInfo(path).fileName() << "\n";
    const int deleted = static_cast<int>(result.filesRemoved.size());
    if (const int rc = finishJob(result, io, true); rc != Ok) return rc;
    io.out << doubles << (doubles == 1 ? " double" : " doubles") << " found, " << deleted
           << (deleted == 1 ? " tile" : " tiles") << " deleted\n";
    return Ok;
}

}  // namespace tx::cli
