#include "Cli.h"

namespace tx::cli {

QString usageText() {
    return QStringLiteral(
        "Usage: tesselix-cli COMMAND [OPTIONS]\n"
        "\n"
        "Turns a photograph into a photo mosaic made of the tiles of a tile library.\n"
        "\n"
        "Commands:\n"
        "  mosaic --source PHOTO --library NAME --out FILE.(jpg|jpeg|bmp|png|html)\n"
        "      [--cells CXxCY | --cells-x N] [--tiles N] [--matrix MXxMY] [--distance D]\n"
        "      [--linear | --smart | --every-tile | --max-uses K] [--filter | --no-filter]\n"
        "      [--saturation 0..200]\n"
        "      [--brightness -100..100] [--grey] [--blend 0..100] [--tile-size WxH]\n"
        "      [--force-db] [--plan FILE.csv] [--work-dir DIR] [--quiet]\n"
        "      [--perceptual] [--mirror]   (CIELAB colour matching; tiles also placed mirrored)\n"
        "      FILE.html: a zoomable web page, FILE.html + FILE.dzi + FILE_files/, that opens\n"
        "      offline in a browser and names the tile under the pointer\n"
        "  library create --from FOLDER [--recurse] --to NAME [--tile-size WxH] [--crop-margin PX]\n"
        "      [--anchor top-left|top|top-right|left|center|right|bottom-left|bottom|bottom-right]\n"
        "      [--format jpg|bmp]\n"
        "  library index NAME [--matrix MXxMY] [--grey] [--no-filter] [--force-db]\n"
        "  library list\n"
        "  library info NAME\n"
        "  library analyse NAME [--update-db] [--graph FILE.png]\n"
        "  library doubles NAME [--delete first|second|none]\n"
        "  library delete NAME [--force]   (to the trash; --force: with files that are not the library's)\n"
        "  settings [NAME [VALUE]]\n"
        "  demo [--out FILE]\n"
        "\n"
        "Options:\n"
        "  --help       show this text\n"
        "  --version    show the version\n"
        "\n"
        "Libraries live in <home>/Tiles/: <home> is TESSELIX_HOME when set, the\n"
        "program's folder when it is a portable copy (writable, with a Tiles folder),\n"
        "else the user's data folder (~/.local/share/Tesselix). Settings live in\n"
        "~/.config/Tesselix/settings.ini; TESSELIX_SETTINGS names another file.\n"
        "TESSELIX_VIEWER names the folder of OpenSeadragon for zoomable pages.\n"
        "Exit status: 0 success; 1 the job stopped with a message, was cancelled, or\n"
        "could not write all it was asked to; 2 bad usage or a refused option value.\n");
}

int run(const QStringList& args, Io io) {
    if (args.isEmpty()) {
        io.err << usageText();
        return Usage;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        io.out << usageText();
        return Ok;
    }
    if (command == QLatin1String("--version")) {
        io.out << "tesselix-cli " << TX_VERSION << "\n";
        return Ok;
    }
    if (command == QLatin1String("settings")) return runSettings(rest, io);
    if (command == QLatin1String("mosaic")) return runMosaic(rest, io);
    if (command == QLatin1String("demo")) return runDemo(rest, io);
    if (command == QLatin1String("library")) return runLibrary(rest, io);
    io.err << "tesselix-cli: unknown command " << command << "\n\n" << usageText();
    return Usage;
}

int runLibrary(const QStringList& args, Io io) {
    if (args.isEmpty()) {
        io.err << "tesselix-cli: library needs a sub-command (create, index, list, info, analyse, doubles, delete)\n";
        return Usage;
    }
    const QString sub = args.first();
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("create")) return runLibraryCreate(rest, io);
    if (sub == QLatin1String("index")) return runLibraryIndex(rest, io);
    if (sub == QLatin1String("list")) return runLibraryList(rest, io);
    if (sub == QLatin1String("info")) return runLibraryInfo(rest, io);
    if (sub == QLatin1String("analyse") || sub == QLatin1String("analyze")) return runLibraryAnalyse(rest, io);
    if (sub == QLatin1String("doubles")) return runLibraryDoubles(rest, io);
    if (sub == QLatin1String("delete")) return runLibraryDelete(rest, io);
    io.err << "tesselix-cli: unknown library sub-command " << sub << "\n";
    return Usage;
}

}  // namespace tx::cli
