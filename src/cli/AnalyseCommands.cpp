#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "Cli.h"
#include "CliArgs.h"
#include "CliHost.h"
#include "JobDispatch.h"
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
    return writeFileAtomically(path, bytes, &error);
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

    JobRequest request;
    request.name = QStringLiteral("AnalyseLibrary");
    request.analyse.libraryFolder = libraryFolder(*name);
    request.analyse.updateDatabase = update;
    if (tileList(request.analyse.libraryFolder).isEmpty()) {
        io.err << "The library '" << *name << "' holds no tiles.\n";
        return JobFailed;
    }

    AnalyseHost host(io.err, quiet);
    Task task(host);
    {
        InterruptGuard guard(task);
        DispatchJob(task, request);
    }
    host.endLine();
    // The analysis ends by asking to close; a cancel leaves Running cleared without that.
    if (InterruptGuard::interrupted() || host.score.isEmpty() || task.running()) {
        io.err << "Cancelled.\n";
        return JobFailed;
    }
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

    JobRequest request;
    request.name = QStringLiteral("SearchDoubles");
    request.doubles.libraryFolder = libraryFolder(*name);

    CliHost host(io.err, quiet);
    int doubles = 0;
    int deleted = 0;
    host.doublesHandler = [&](const DoublesQuestion& q) {
        host.endLine();
        ++doubles;
        io.out << q.fileI << "\t" << q.fileJ << "\t" << q.d << "\n";
        const QString victim = answer == DoublesAnswer::Kill1 ? q.fileI
                               : answer == DoublesAnswer::Kill2 ? q.fileJ
                                                               : QString();
        if (!victim.isEmpty()) {
            io.out << "deleted " << victim << "\n";
            ++deleted;
        }
        io.out.flush();
        return answer;
    };
    Task task(host);
    {
        InterruptGuard guard(task);
        DispatchJob(task, request);
    }
    host.endLine();
    if (InterruptGuard::interrupted() || task.running()) {
        io.err << "Cancelled.\n";
        return JobFailed;
    }
    io.out << doubles << (doubles == 1 ? " double" : " doubles") << " found, " << deleted
           << (deleted == 1 ? " tile" : " tiles") << " deleted\n";
    return Ok;
}

}  // namespace tx::cli
