// The search for doubles: the difference value, its lower bounds, the decision
// protocol, and the fast search against a plain pair-by-pair loop.
#include <QRect>
#include <stdexcept>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "library/DoublesCompare.h"
#include "library/SearchDoubles.h"
#include "library/TileLibrary.h"
#include "support/Parallel.h"

using namespace tx;

namespace {

Picture noise(int w, int h, int level, std::mt19937& rng, int base = 0) {
    Picture p(w, h);
    std::uniform_int_distribution<int> v(0, level);
    for (std::size_t k = 0; k < p.byteCount(); ++k) p.bits()[k] = static_cast<std::uint8_t>(std::min(255, base + v(rng)));
    return p;
}

// The plain reading of d, written independently of the engine's code.
double referenceD(const Picture& a, const Picture& b) {
    Picture c = b;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) c.setPixel(x, y, a.pixel(x, y) ^ b.pixel(x, y));
    const Picture r = stretchHalftone(c, 3, 3);
    const Colour c0 = r.pixel(0, 0);
    const double r0 = c0 & 0xFF, g0 = (c0 >> 8) & 0xFF, b0 = c0 >> 16;
    double d = 0;
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y) {
            const Colour p = r.pixel(x, y);
            const double rr = p & 0xFF, gg = (p >> 8) & 0xFF, bb = p >> 16;
            d += std::abs(rr - r0) + std::abs(gg - g0) + std::abs(bb - b0) + rr + gg + bb;
        }
    return d;
}

struct Search {
    txtest::RecordingHost host;
    Task task{host};
    explicit Search(std::vector<DoublesAnswer> answers = {}) { host.answers = std::move(answers); }
    void run(const QString& folder) {
        txtest::start(task);
        SearchDoubles(task, {folder});
    }
    // "i:fileI j:fileJ" for every question.
    QStringList asked() const {
        QStringList out;
        for (const auto& q : host.questions) out << QString("%1:%2 %3:%4").arg(q.i).arg(q.fileI).arg(q.j).arg(q.fileJ);
        return out;
    }
};

// 1, 2, 3 are the same picture, 4 is another; with a database file.
QString tripleLibrary(const QTemporaryDir& dir) {
    const Picture same = txtest::noise(16, 16, 7);
    const QString folder = txtest::makeLibrary(dir.path(), {same, same, same, txtest::noise(16, 16, 8)});
    txtest::writeFile(folder + "1x1.txt");
    txtest::writeFile(folder + "3x3.txt");
    return folder;
}

}  // namespace

TEST(DoublesCompare, DifferenceValue) {
    Picture r(3, 3);
    r.setPixel(0, 0, rgb(10, 0, 0));
    // (0, 0) adds 10; each other pixel adds |0 - 10| = 10.
    EXPECT_EQ(differenceValue(r), 90);
    r.setPixel(2, 1, rgb(10, 4, 0));
    // (2, 1) now adds |10 - 10| + |4 - 0| + 10 + 4 instead of 10.
    EXPECT_EQ(differenceValue(r), 98);

    // Different sizes: only the common area is compared.
    std::mt19937 rng(2);
    const Picture big = noise(9, 7, 255, rng), small = noise(4, 5, 255, rng);
    EXPECT_EQ(pairDifference(small, big), referenceD(small, big));
    EXPECT_EQ(pairDifference(big, small), referenceD(big, small));
    EXPECT_EQ(pairDifference(big, big), 0);
    EXPECT_EQ(pairDifference(big, Picture()), std::numeric_limits<double>::infinity());
}

TEST(DoublesCompare, BoundsNeverExceedTheDifference) {
    std::mt19937 rng(3);
    const std::pair<int, int> sizes[] = {{16, 16}, {13, 21}, {3, 3}, {2, 5}, {40, 12}, {12, 12}};
    for (int round = 0; round < 400; ++round) {
        const auto [wa, ha] = sizes[rng() % 6];
        const auto [wb, hb] = sizes[rng() % 6];
        const int level = 1 + static_cast<int>(rng() % 255);
        const Picture a = noise(wa, ha, level, rng, static_cast<int>(rng() % 128));
        Picture b = noise(wb, hb, level, rng, static_cast<int>(rng() % 128));
        if (round % 3 == 0) blit(b, 0, 0, a);  // near-duplicates
        const double d = pairDifference(a, b);
        const DoublesSignature sa = doublesSignature(fitToSize(a, wb, hb));
        const DoublesSignature sb = doublesSignature(b);
        EXPECT_LE(coarseLowerBound(sa, sb), d) << round;
        EXPECT_LE(fineLowerBound(sa, sb), d) << round;
        EXPECT_LE(bitPlaneLowerBound(sa, sb), d) << round;
        EXPECT_LE(pixelLowerBound(a, b, std::numeric_limits<double>::infinity()), d) << round;
        // Stopped early, the bound still only says "more than the limit".
        const double early = pixelLowerBound(a, b, 100);
        if (early > 100) {
            EXPECT_GT(d, 100) << round;
        }
    }
}

TEST(DoublesCompare, DialogPicturesKeepProportions) {
    const auto box = [](Rect r) { return QRect(r.x, r.y, r.w, r.h); };
    EXPECT_EQ(box(fitIntoBox(50, 100, 200, 150)), QRect(62, 0, 75, 150));
    EXPECT_EQ(box(fitIntoBox(100, 50, 200, 150)), QRect(0, 25, 200, 100));
    const Picture t = txtest::noise(30, 20, 4);
    const DoublesPictures same = doublesDialogPictures(t, t, 120, 90);
    EXPECT_EQ(same.picture1, same.picture2);
    EXPECT_EQ(same.picture3, Picture(120, 90));
    EXPECT_EQ(same.picture4, Picture(3, 3));
}

TEST(SearchDoublesJob, IdenticalTilesAreAskedAbout) {
    QTemporaryDir dir;
    std::vector<Picture> tiles;
    for (unsigned k = 0; k < 5; ++k) tiles.push_back(txtest::noise(16, 16, k));
    tiles[3] = tiles[1];
    const QString folder = txtest::makeLibrary(dir.path(), tiles);
    Search s;
    s.run(folder);
    EXPECT_EQ(s.host.lastMaximum, 10);  // 5 tiles, 10 pairs
    EXPECT_EQ(s.host.lastValue, 10);
    EXPECT_EQ(s.asked(), QStringList{"1:2.bmp 3:4.bmp"});
    EXPECT_EQ(s.host.questions.front().d, 0);
    EXPECT_EQ(s.host.questions.front().tileI, tiles[1]);
    EXPECT_EQ(s.host.questions.front().folder, folder);
    EXPECT_EQ(s.host.statuses.last(), "Complete...");
    EXPECT_EQ(s.host.buttons.last(), "&Finished");
    EXPECT_EQ(tileList(folder).size(), 5);

    QTemporaryDir one;
    Search single;
    single.run(txtest::makeLibrary(one.path(), {tiles[0]}));
    EXPECT_EQ(single.host.lastMaximum, 0);
    EXPECT_TRUE(single.host.questions.empty());
    EXPECT_EQ(single.host.statuses.last(), "Complete...");
}

TEST(SearchDoublesJob, AnswersDecideWhatGoesAndWhatIsAskedNext) {
    struct Case {
        DoublesAnswer answer;
        QStringList asked, left;
        bool completes;
    };
    const Case cases[] = {
        {DoublesAnswer::Keep, {"0:1.bmp 1:2.bmp", "0:1.bmp 2:3.bmp", "1:2.bmp 2:3.bmp"}, {"1.bmp", "2.bmp", "3.bmp", "4.bmp"}, true},
        // Tile 1 goes; 2 moves into its place and is still compared with 3.
        {DoublesAnswer::Kill1, {"0:1.bmp 1:2.bmp", "0:2.bmp 1:3.bmp"}, {"2.bmp", "3.bmp", "4.bmp"}, true},
        // Tile 2 goes; 3 slides into position 1 and is compared with 1, not skipped.
        {DoublesAnswer::Kill2, {"0:1.bmp 1:2.bmp", "0:1.bmp 1:3.bmp"}, {"1.bmp", "3.bmp", "4.bmp"}, true},
        // Every later double of a pair goes unasked.
        {DoublesAnswer::KillAll, {"0:1.bmp 1:2.bmp"}, {"1.bmp", "4.bmp"}, true},
        {DoublesAnswer::Abort, {"0:1.bmp 1:2.bmp"}, {"1.bmp", "2.bmp", "3.bmp", "4.bmp"}, false},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString folder = tripleLibrary(dir);
        Search s({c.answer});
        s.run(folder);
        const int answer = static_cast<int>(c.answer);
        EXPECT_EQ(s.asked(), c.asked) << answer;
        EXPECT_EQ(tileList(folder), c.left) << answer;
        // Deleting a tile deletes the library's databases.
        const bool deleted = c.left.size() < 4;
        EXPECT_EQ(QFile::exists(folder + "1x1.txt"), !deleted) << answer;
        EXPECT_EQ(QFile::exists(folder + "3x3.txt"), !deleted) << answer;
        EXPECT_EQ(s.host.statuses.contains("Complete..."), c.completes) << answer;
        EXPECT_EQ(s.host.closed, !c.completes) << answer;
        EXPECT_FALSE(s.task.running());
    }
}

TEST(SearchDoublesJob, CancelDuringTheScanAsksNothing) {
    QTemporaryDir dir;
    const QString folder = tripleLibrary(dir);
    Search s;
    s.task.guard().arm();  // not running: cancelled before the first pair
    SearchDoubles(s.task, {folder});
    EXPECT_TRUE(s.host.questions.empty());
    EXPECT_FALSE(s.host.statuses.contains("Complete..."));
}

TEST(SearchDoublesJob, FastSearchEqualsPairByPairLoop) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    std::mt19937 rng(11);
    std::vector<Picture> made;
    // Mostly 24 x 24, a few other sizes; dark tiles whose differences straddle the
    // threshold, near-duplicates, bright noise and gradients.
    for (int k = 0; k < 70; ++k) {
        int w = 24, h = 24;
        if (k % 11 == 3) w = 30;
        if (k % 13 == 5) h = 10;
        if (k % 17 == 7) w = h = 2;
        Picture p;
        switch (k % 5) {
        case 0: p = noise(w, h, 30 + static_cast<int>(rng() % 60), rng); break;
        case 1: p = noise(w, h, 255, rng); break;
        case 2:
            p = made.empty() ? noise(w, h, 20, rng) : made[rng() % made.size()];
            for (int n = 0; n < 6; ++n) p.setPixel(static_cast<int>(rng() % 24), static_cast<int>(rng() % 24), rng());
            break;
        case 3: {
            p = Picture(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) p.setPixel(x, y, rgb(x * 4, y * 4, static_cast<int>(rng() % 8)));
            break;
        }
        default: p = noise(w, h, 12, rng, static_cast<int>(rng() % 20)); break;
        }
        made.push_back(p);
        ASSERT_TRUE(saveBmp(p, folder + QString("t%1.bmp").arg(k, 3, 10, QChar('0'))));
    }
    txtest::writeFile(folder + "t999.jpg", "garbage");  // not a picture: never a double

    const QStringList list = tileList(folder);
    std::vector<Picture> pics;
    for (const QString& f : list) {
        Picture p;
        loadPicture(folder + f, p);
        pics.push_back(p);
    }
    std::vector<std::tuple<int, int, double>> expected;
    int nearMisses = 0, acrossSizes = 0;
    for (std::size_t i = 0; i < pics.size(); ++i)
        for (std::size_t j = i + 1; j < pics.size(); ++j) {
            if (pics[i].isEmpty() || pics[j].isEmpty()) continue;
            const double d = referenceD(pics[i], pics[j]);
            if (d <= 1000) {
                expected.emplace_back(static_cast<int>(i), static_cast<int>(j), d);
                if (pics[i].width() != pics[j].width() || pics[i].height() != pics[j].height()) ++acrossSizes;
            } else if (d <= 1300) {
                ++nearMisses;
            }
        }
    // The library must test the edges: doubles across sizes, pairs just above the threshold.
    ASSERT_GT(expected.size(), 20u);
    ASSERT_GT(acrossSizes, 3);
    ASSERT_GT(nearMisses, 10);

    Search s;
    s.run(folder);
    std::vector<std::tuple<int, int, double>> got;
    for (const auto& q : s.host.questions) got.emplace_back(q.i, q.j, q.d);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(s.host.lastMaximum, 71 * 70 / 2);
}

namespace {

// Cancels the task from inside the first question, then gives `answer`.
struct CancelOnQuestionHost : txtest::RecordingHost {
    Task* task = nullptr;
    DoublesAnswer answer = DoublesAnswer::Keep;
    DoublesAnswer askDoubles(const DoublesQuestion& q) override {
        RecordingHost::askDoubles(q);
        task->cancel();
        return answer;
    }
};

struct ThrowingHost : txtest::RecordingHost {
    DoublesAnswer askDoubles(const DoublesQuestion&) override { throw std::runtime_error("window gone"); }
};

}  // namespace

TEST(SearchDoublesJob, CancelStopsTheDecisions) {
    {
        // The answer given with the cancel is carried out; "delete all later doubles"
        // then must not delete anything more.
        QTemporaryDir dir;
        const QString folder = tripleLibrary(dir);
        CancelOnQuestionHost host;
        Task task(host);
        host.task = &task;
        host.answer = DoublesAnswer::KillAll;
        txtest::start(task);
        SearchDoubles(task, {folder});
        EXPECT_EQ(host.questions.size(), 1u);
        EXPECT_EQ(tileList(folder), (QStringList{"1.bmp", "3.bmp", "4.bmp"}));
        EXPECT_FALSE(host.statuses.contains("Complete..."));
    }
    {
        // Cancelled at the progress report after the first row: the double of the
        // second row (2, 3) is never asked about.
        QTemporaryDir dir;
        const QString folder = tripleLibrary(dir);
        txtest::CancellingHost host;
        Task task(host);
        host.task = &task;
        host.when = [](const QString&, int value) { return value > 0; };
        txtest::start(task);
        SearchDoubles(task, {folder});
        QStringList asked;
        for (const auto& q : host.questions) asked << q.fileI + " " + q.fileJ;
        EXPECT_EQ(asked, (QStringList{"1.bmp 2.bmp", "1.bmp 3.bmp"}));
        EXPECT_FALSE(host.statuses.contains("Complete..."));
    }
}

TEST(SearchDoublesJob, HostFailureEndsTheSearchCleanly) {
    QTemporaryDir dir;
    const QString folder = tripleLibrary(dir);
    ThrowingHost host;
    Task task(host);
    txtest::start(task);
    // The measuring threads are stopped and joined before the exception is turned
    // into a stopped result.
    EXPECT_EQ(SearchDoubles(task, {folder}).outcome, tx::JobOutcome::Stopped);
    EXPECT_EQ(tileList(folder).size(), 4);
}

// Many doubles in long rows (more than one unit of work per row, more rows than
// fit in the window ahead), answered with a mix of decisions: the questions and the
// tiles left are those of a plain pair-by-pair loop that follows tiles by identity.
TEST(SearchDoublesJob, StreamedDecisionsEqualPlainLoopWithDeletions) {
    setWorkerCount(4);
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    constexpr int kGroups = 3, kTiles = 1300;
    std::vector<Picture> groupPics;
    for (int g = 0; g < kGroups; ++g) groupPics.push_back(txtest::noise(4, 4, 100 + g));
    double groupD[kGroups][kGroups];
    for (int a = 0; a < kGroups; ++a)
        for (int b = 0; b < kGroups; ++b) groupD[a][b] = referenceD(groupPics[a], groupPics[b]);
    std::vector<int> group;
    std::mt19937 rng(5);
    for (int k = 0; k < kTiles; ++k) {
        // Group 0 is rare, so some rows hold few doubles and others many.
        const int g = rng() % 10 == 0 ? 0 : 1 + static_cast<int>(rng() % 2);
        group.push_back(g);
        ASSERT_TRUE(saveBmp(groupPics[static_cast<std::size_t>(g)], folder + QString("%1.bmp").arg(k, 4, 10, QChar('0'))));
    }
    const QStringList files = tileList(folder);
    auto answerFor = [](std::size_t q) {
        if (q % 97 == 5) return DoublesAnswer::Kill1;
        if (q % 3 == 1) return DoublesAnswer::Kill2;
        return DoublesAnswer::Keep;
    };

    QStringList expected;
    std::vector<bool> alive(kTiles, true);
    auto position = [&](int t) { return static_cast<int>(std::count(alive.begin(), alive.begin() + t, true)); };
    for (int i = 0; i < kTiles; ++i) {
        for (int j = i + 1; j < kTiles && alive[static_cast<std::size_t>(i)]; ++j) {
            if (!alive[static_cast<std::size_t>(j)]) continue;
            const double d = groupD[group[static_cast<std::size_t>(i)]][group[static_cast<std::size_t>(j)]];
            if (d > 1000) continue;
            expected << QString("%1:%2 %3:%4").arg(position(i)).arg(files[i]).arg(position(j)).arg(files[j]);
            const DoublesAnswer a = answerFor(static_cast<std::size_t>(expected.size() - 1));
            if (a == DoublesAnswer::Kill1) alive[static_cast<std::size_t>(i)] = false;
            if (a == DoublesAnswer::Kill2) alive[static_cast<std::size_t>(j)] = false;
        }
    }
    QStringList left;
    for (int t = 0; t < kTiles; ++t)
        if (alive[static_cast<std::size_t>(t)]) left << files[t];
    ASSERT_GT(expected.size(), 1000);

    Search s;
    for (std::size_t q = 0; q < static_cast<std::size_t>(expected.size()); ++q) s.host.answers.push_back(answerFor(q));
    s.run(folder);
    setWorkerCount(0);
    EXPECT_EQ(s.asked(), expected);
    EXPECT_EQ(tileList(folder), left);
    EXPECT_EQ(s.host.lastValue, kTiles * (kTiles - 1) / 2);
    EXPECT_EQ(s.host.statuses.last(), "Complete...");
}

// Deleting the first tile of every pair while its row is still being measured:
// each tile is asked about once, with its neighbour, and only the last remains.
TEST(SearchDoublesJob, FirstTileDeletedAtEveryRow) {
    setWorkerCount(4);
    QTemporaryDir dir;
    const int tiles = 700;
    const QString folder = txtest::makeLibrary(dir.path(), std::vector<Picture>(tiles, txtest::noise(4, 4, 9)));
    const QStringList files = tileList(folder);
    Search s(std::vector<DoublesAnswer>(tiles, DoublesAnswer::Kill1));
    s.run(folder);
    setWorkerCount(0);
    QStringList expected;
    for (int k = 0; k + 1 < tiles; ++k) expected << QString("0:%1 1:%2").arg(files[k], files[k + 1]);
    EXPECT_EQ(s.asked(), expected);
    EXPECT_EQ(tileList(folder), QStringList{files.last()});
}

// A tile that cannot be deleted (here: gone before the answer arrives) is reported
// as a problem, not as deleted, and the search goes on.
TEST(SearchDoublesJob, FailedDeletionIsAProblemNotARemoval) {
    QTemporaryDir dir;
    const QString folder = tripleLibrary(dir);
    struct VanishingHost : txtest::RecordingHost {
        QString folder;
        tx::DoublesAnswer askDoubles(const tx::DoublesQuestion& q) override {
            RecordingHost::askDoubles(q);
            if (questions.size() == 1) {
                QFile::remove(folder + q.fileJ);  // someone else got there first
                return tx::DoublesAnswer::Kill2;
            }
            return tx::DoublesAnswer::Kill2;
        }
    } host;
    host.folder = folder;
    Task task(host);
    txtest::start(task);
    const tx::JobResult result = SearchDoubles(task, {folder});
    EXPECT_EQ(result.outcome, tx::JobOutcome::CompletedWithProblems);
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].startsWith("2.bmp could not be deleted")) << result.problems[0].toStdString();
    // The next pair of the same row still comes, and its deletion is real.
    EXPECT_EQ(result.filesRemoved, QStringList{folder + "3.bmp"});
    EXPECT_EQ(tileList(folder), (QStringList{"1.bmp", "4.bmp"}));
}

TEST(SearchDoublesJob, StatusNamesTheTilesBeingCompared) {
    QTemporaryDir dir;
    const QString folder = tripleLibrary(dir);
    txtest::RecordingHost host;  // keeps every pair
    Task task(host);
    txtest::start(task);
    ASSERT_TRUE(SearchDoubles(task, {folder}).completed());
    ASSERT_GE(host.statuses.size(), 3);
    EXPECT_TRUE(host.statuses.contains("Reading 4 tiles...")) << host.statuses.join('|').toStdString();
    EXPECT_TRUE(host.statuses.contains("Comparing 1.bmp with 2.bmp to 4.bmp (tile 1 of 4)..."))
        << host.statuses.join('|').toStdString();
    EXPECT_FALSE(host.statuses.contains("Loading..."));
    EXPECT_EQ(host.statuses.last(), "Complete...");
}
