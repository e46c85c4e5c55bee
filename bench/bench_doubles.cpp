// The search for doubles on generated libraries, with time and peak memory.
//
//   bench_doubles [TILES] [PLANTED]
//     5000 varied 64 x 64 JPEG tiles with planted doubles (copies with slight noise,
//     and re-encoded copies). Reports the search time, how many planted doubles were
//     reported, and the estimated time of a plain pair-by-pair search for comparison.
//   bench_doubles identical COUNT [keep|kill1|kill2|killall]
//     COUNT copies of one small tile; every pair is a double. With "keep" every one
//     of the COUNT x (COUNT - 1) / 2 pairs is asked about; with "kill2" or "killall"
//     the first row deletes every copy but the first. Memory must stay bounded by the
//     tile count, not the pair count.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

#include "library/DoublesCompare.h"
#include "library/SearchDoubles.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"
#include "task/Task.h"

#include "BenchUtil.h"

using namespace tx;

namespace {

class AnswerHost : public TaskHost {
public:
    explicit AnswerHost(DoublesAnswer a) : answer(a) {}
    DoublesAnswer askDoubles(const DoublesQuestion&) override {
        ++asked;
        return answer;
    }
    DoublesAnswer answer;
    std::int64_t asked = 0;
};

class KeepHost : public TaskHost {
public:
    DoublesAnswer askDoubles(const DoublesQuestion& q) override {
        asked.emplace(q.fileI, q.fileJ);
        return DoublesAnswer::Keep;
    }
    std::set<std::pair<QString, QString>> asked;
};

int clampByte(int v) { return std::clamp(v, 0, 255); }

// A photo-like tile: a gradient between four corner colours from one of a few
// themes, some shapes, and a little grain.
Picture makeTile(std::mt19937& rng) {
    static const Colour themes[][2] = {{rgb(90, 140, 220), rgb(200, 220, 250)},  // sky
                                       {rgb(40, 90, 30), rgb(140, 190, 90)},     // grass
                                       {rgb(150, 100, 80), rgb(240, 200, 170)},  // skin
                                       {rgb(10, 10, 20), rgb(90, 80, 70)},       // night
                                       {rgb(0, 0, 0), rgb(255, 255, 255)}};      // anything
    const auto& theme = themes[rng() % 5];
    auto pick = [&] {
        std::uniform_real_distribution<double> t(0, 1);
        const double a = t(rng), b = t(rng), c = t(rng);
        return std::array<double, 3>{redOf(theme[0]) + a * (redOf(theme[1]) - redOf(theme[0])),
                                     greenOf(theme[0]) + b * (greenOf(theme[1]) - greenOf(theme[0])),
                                     blueOf(theme[0]) + c * (blueOf(theme[1]) - blueOf(theme[0]))};
    };
    const auto c00 = pick(), c10 = pick(), c01 = pick(), c11 = pick();
    Picture p(64, 64);
    std::normal_distribution<double> grain(0, 4);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double u = x / 63.0, v = y / 63.0;
            int ch[3];
            for (int k = 0; k < 3; ++k)
                ch[k] = clampByte(static_cast<int>((1 - u) * (1 - v) * c00[k] + u * (1 - v) * c10[k] +
                                                   (1 - u) * v * c01[k] + u * v * c11[k] + grain(rng)));
            p.setPixel(x, y, rgb(ch[0], ch[1], ch[2]));
        }
    const int shapes = static_cast<int>(rng() % 4);
    for (int s = 0; s < shapes; ++s) {
        const auto c = pick();
        const Colour col = rgb(static_cast<int>(c[0]), static_cast<int>(c[1]), static_cast<int>(c[2]));
        const int cx = static_cast<int>(rng() % 64), cy = static_cast<int>(rng() % 64);
        const int r = 4 + static_cast<int>(rng() % 16);
        for (int y = cy - r; y <= cy + r; ++y)
            for (int x = cx - r; x <= cx + r; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) p.setPixel(x, y, col);
    }
    return p;
}

bool saveJpeg(const Picture& p, const QString& path, int quality) {
    const QImage img(p.bits(), p.width(), p.height(), static_cast<qsizetype>(p.stride()), QImage::Format_RGB888);
    return img.save(path, "JPEG", quality);
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct SearchRun {
    double wall = 0, cpu = 0;  // seconds of the search alone
    bool completed = false;
};

// Runs one search with `host` answering.
SearchRun timedSearch(TaskHost& host, const QString& folder) {
    Task task(host);
    task.guard().arm();
    task.setRunning(true);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    const bool completed = SearchDoubles(task, {folder}).completed();
    return {seconds(start), cpuSeconds() - cpuStart, completed};
}

}  // namespace

int identicalTiles(int count, const QString& answerName) {
    DoublesAnswer answer = DoublesAnswer::Keep;
    if (answerName == "kill1") answer = DoublesAnswer::Kill1;
    else if (answerName == "kill2") answer = DoublesAnswer::Kill2;
    else if (answerName == "killall") answer = DoublesAnswer::KillAll;
    else if (answerName != "keep") return 2;

    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    const QString first = folder + "00000.bmp";
    if (!saveBmp(Picture(8, 8, rgb(3, 2, 1)), first)) return 1;
    QFile in(first);
    if (!in.open(QIODevice::ReadOnly)) return 1;
    const QByteArray bytes = in.readAll();
    for (int k = 1; k < count; ++k) {
        QFile out(folder + QStringLiteral("%1.bmp").arg(k, 5, 10, QLatin1Char('0')));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return 1;
    }
    ::sync();  // the writes' flush must not land inside the timed search
    const double rssBefore = txbench::peakMegabytes();

    AnswerHost host(answer);
    const auto [searchTime, searchCpu, completed] = timedSearch(host, folder);
    const auto left = QDir(folder).entryList(QDir::Files).size();
    std::printf("identical %d tiles, answer %s: %.2f s on %d threads (%.2f s of CPU), %lld questions, %lld tiles "
                "left; peak RSS %.1f MB (%.1f MB before the search)\n",
                count, qPrintable(answerName), searchTime, workerCount(), searchCpu,
                static_cast<long long>(host.asked), static_cast<long long>(left), txbench::peakMegabytes(), rssBefore);
    return completed ? 0 : 1;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && QString(argv[1]) == "identical")
        return identicalTiles(argc > 2 ? std::clamp(std::atoi(argv[2]), 2, 32767) : 32767,
                              argc > 3 ? QString(argv[3]) : QString("kill2"));
    const int tiles = argc > 1 ? std::max(2, std::atoi(argv[1])) : 5000;
    const int planted = argc > 2 ? std::max(0, std::atoi(argv[2])) : 40;

    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    std::mt19937 rng(2024);
    std::vector<QString> names;
    auto name = [](int k) { return QStringLiteral("%1.jpg").arg(k, 5, 10, QLatin1Char('0')); };

    const auto genStart = std::chrono::steady_clock::now();
    const int originals = tiles - planted;
    for (int k = 0; k < originals; ++k) {
        if (!saveJpeg(makeTile(rng), folder + name(k), 90)) return 1;
        names.push_back(name(k));
    }
    // Planted doubles: a decoded original saved again, half with a little noise.
    std::set<std::pair<QString, QString>> plantedPairs;
    for (int k = 0; k < planted; ++k) {
        const int source = static_cast<int>(rng() % static_cast<unsigned>(originals));
        Picture p;
        if (!loadPicture(folder + names[static_cast<std::size_t>(source)], p)) return 1;
        if (k % 2 == 0) {
            std::uniform_int_distribution<int> n(-1, 1);
            for (std::size_t b = 0; b < p.byteCount(); ++b) p.bits()[b] = static_cast<std::uint8_t>(clampByte(p.bits()[b] + n(rng)));
        }
        const QString copy = name(originals + k);
        if (!saveJpeg(p, folder + copy, 95)) return 1;
        plantedPairs.emplace(names[static_cast<std::size_t>(source)], copy);
    }
    std::printf("generated %d tiles (%d planted doubles) in %.1f s\n", tiles, planted, seconds(genStart));

    KeepHost host;
    const auto [searchTime, searchCpu, completed] = timedSearch(host, folder);

    int found = 0;
    for (const auto& pair : plantedPairs) found += host.asked.count(pair) ? 1 : 0;
    std::printf("search: %.2f s on %d threads (%.2f s of CPU), %zu doubles reported, planted found %d of %zu; "
                "peak RSS %.1f MB\n",
                searchTime, workerCount(), searchCpu, host.asked.size(), found, plantedPairs.size(), txbench::peakMegabytes());

    // The plain way: decode both tiles and combine them for every pair.
    std::uniform_int_distribution<int> any(0, tiles - 1);
    const int samples = 2000;
    const auto plainStart = std::chrono::steady_clock::now();
    double sink = 0;
    for (int s = 0; s < samples; ++s) {
        Picture a, b;
        loadPicture(folder + name(any(rng)), a);
        loadPicture(folder + name(any(rng)), b);
        sink += pairDifference(a, b);
    }
    const double perPair = seconds(plainStart) / samples;
    const double pairs = static_cast<double>(tiles) * (tiles - 1) / 2;
    std::printf("plain pair-by-pair estimate: %.1f us per pair, %.0f s for %.0f pairs (one thread)%s\n",
                perPair * 1e6, perPair * pairs, pairs, sink < 0 ? "!" : "");
    return completed && found == static_cast<int>(plantedPairs.size()) ? 0 : 1;
}
