#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <turbojpeg.h>
#include <unistd.h>

#include "PictureSamples.h"
#include "TestUtil.h"
#include "support/DecodeBudget.h"
#include "support/Parallel.h"

using namespace tx;
using namespace txtest;

namespace {

class PictureFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const { txtest::writeFile(path(name), bytes); }
    QByteArray read(const QString& name) const { return txtest::readFile(path(name)); }
    // Expects a refusal with a reason and the target picture untouched.
    void expectRefused(const QString& name, const char* reasonPart) {
        Picture out(2, 2, rgb(5, 6, 7));
        QString why;
        EXPECT_FALSE(loadPicture(path(name), out, &why)) << name.toStdString();
        EXPECT_TRUE(why.contains(QLatin1String(reasonPart), Qt::CaseInsensitive)) << why.toStdString();
        EXPECT_EQ(out, Picture(2, 2, rgb(5, 6, 7)));
    }
    QSize loadedSize(const QString& name, LoadHint hint = {}) {
        Picture p;
        EXPECT_TRUE(loadPicture(path(name), p, nullptr, hint)) << name.toStdString();
        return {p.width(), p.height()};
    }

    QTemporaryDir dir;
};

// Left half red, right half blue.
QByteArray jpegBytes(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x) image.setPixel(x, y, qRgb(0, 0, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return bytes;
}

// Inserts an EXIF segment carrying only the orientation tag right after the start marker.
QByteArray withOrientation(QByteArray jpeg, int orientation) {
    const unsigned char app1[] = {
        0xFF, 0xE1, 0x00, 34, 'E', 'x', 'i', 'f', 0, 0,               // APP1, length 34
        'I', 'I', 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00,                 // little-endian TIFF, IFD at 8
        0x01, 0x00,                                                   // one entry
        0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00,               // Orientation, SHORT, 1
        static_cast<unsigned char>(orientation), 0x00, 0x00, 0x00,    // value
        0x00, 0x00, 0x00, 0x00};                                      // no next IFD
    jpeg.insert(2, reinterpret_cast<const char*>(app1), sizeof app1);
    return jpeg;
}

bool near(Colour c, int r, int g, int b, int tolerance = 40) {
    return std::abs(redOf(c) - r) <= tolerance && std::abs(greenOf(c) - g) <= tolerance &&
           std::abs(blueOf(c) - b) <= tolerance;
}

}  // namespace

TEST_F(PictureFileTest, BmpRoundTripWithExactLayout) {
    const Picture p = gradient(5, 3);  // 15 bytes a row, padded to 16
    ASSERT_TRUE(saveBmp(p, path("a.bmp")));
    const QByteArray bytes = read("a.bmp");
    ASSERT_EQ(bytes.size(), 54 + 16 * 3);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(static_cast<unsigned char>(bytes[2]), 54 + 48);
    EXPECT_EQ(static_cast<unsigned char>(bytes[10]), 54);
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);
    // First stored row is the bottom row, blue first; padding is zero.
    EXPECT_EQ(static_cast<unsigned char>(bytes[54]), blueOf(p.pixel(0, 2)));
    EXPECT_EQ(static_cast<unsigned char>(bytes[56]), redOf(p.pixel(0, 2)));
    EXPECT_EQ(bytes[54 + 15], '\0');

    Picture back;
    QString why;
    ASSERT_TRUE(loadPicture(path("a.bmp"), back, &why)) << why.toStdString();
    EXPECT_EQ(back, p);
    EXPECT_EQ(txtest::sizeOf(path("a.bmp")), QSize(5, 3));

    // Saving again replaces the file; no temporary file stays behind.
    ASSERT_TRUE(saveBmp(Picture(4, 1, rgb(1, 2, 3)), path("a.bmp")));
    EXPECT_EQ(read("a.bmp").size(), 54 + 12);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.bmp"});

    // Failures leave nothing.
    EXPECT_FALSE(saveBmp(gradient(3, 3), path("missing/a.bmp"), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(saveBmp(Picture(), path("empty.bmp"), &why));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.bmp"});
}

TEST_F(PictureFileTest, LoadsTheFirstGifFrame) {
    Picture p;
    write("anim.gif", QByteArray(reinterpret_cast<const char*>(kTwoFrameGif), sizeof kTwoFrameGif));
    QString why;
    ASSERT_TRUE(loadPicture(path("anim.gif"), p, &why)) << why.toStdString();
    ASSERT_EQ(QSize(p.width(), p.height()), QSize(4, 2));
    EXPECT_EQ(p.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(p.pixel(1, 1), rgb(0, 255, 0));
    EXPECT_EQ(p.pixel(2, 0), rgb(0, 0, 255));
    EXPECT_EQ(p.pixel(3, 1), rgb(255, 255, 255));

    // The content decides, not the name.
    ASSERT_TRUE(saveBmp(gradient(3, 2), path("really-a-bmp.jpg")));
    ASSERT_TRUE(loadPicture(path("really-a-bmp.jpg"), p));
    EXPECT_EQ(p, gradient(3, 2));
}

TEST_F(PictureFileTest, BadFilesAreRefusedWithAReason) {
    expectRefused("nothing-here.jpg", "not found");
    write("empty.jpg", {});
    expectRefused("empty.jpg", "empty");
    write("notes.jpg", "This is not a picture at all, just some text.\n");
    expectRefused("notes.jpg", "not a picture");

    const QByteArray jpeg = jpegBytes(64, 64);
    write("cut.jpg", jpeg.left(jpeg.size() * 2 / 3));
    expectRefused("cut.jpg", "truncated");
    write("headonly.jpg", jpeg.left(200));
    expectRefused("headonly.jpg", "truncated");
    // Cut inside the picture data, then an end marker: the structure looks whole.
    const QByteArray noisy = tjJpeg(noise(64, 64, 2), TJSAMP_420);
    write("cut-marked.jpg", noisy.left(noisy.size() * 2 / 3) + "\xFF\xD9");
    expectRefused("cut-marked.jpg", "truncated");
    // Bytes after the end marker (camera trailers) are fine.
    write("trailer.jpg", jpeg + QByteArray(100, 'x'));
    EXPECT_EQ(loadedSize("trailer.jpg"), QSize(64, 64));

    ASSERT_TRUE(saveBmp(gradient(30, 30), path("full.bmp")));
    write("cut.bmp", read("full.bmp").left(1000));
    expectRefused("cut.bmp", "truncated");
    write("cut.gif", QByteArray(reinterpret_cast<const char*>(kTwoFrameGif), 30));
    Picture out;
    EXPECT_FALSE(loadPicture(path("cut.gif"), out));

    // A valid 1 x 1 BMP whose header then claims 100000 x 100000 pixels: refused before decoding.
    ASSERT_TRUE(saveBmp(Picture(1, 1), path("small.bmp")));
    QByteArray bytes = read("small.bmp");
    bytes.replace(18, 4, QByteArray("\xA0\x86\x01\x00", 4));
    bytes.replace(22, 4, QByteArray("\xA0\x86\x01\x00", 4));
    write("huge.bmp", bytes);
    expectRefused("huge.bmp", "too large");
}

TEST_F(PictureFileTest, LoadHintScalesJpegsInTheDecoder) {
    write("big.jpg", jpegBytes(1600, 800));
    Picture p;
    // 1/8 is 200 x 100, still at least the hint.
    ASSERT_TRUE(loadPicture(path("big.jpg"), p, nullptr, LoadHint{150, 90}));
    EXPECT_EQ(QSize(p.width(), p.height()), QSize(200, 100));
    EXPECT_TRUE(near(p.pixel(20, 50), 255, 0, 0));
    EXPECT_TRUE(near(p.pixel(180, 50), 0, 0, 255));
    EXPECT_EQ(loadedSize("big.jpg", {150, 101}), QSize(400, 200));  // 1/4 is the smallest tall enough
    EXPECT_EQ(loadedSize("big.jpg", {801, 10}), QSize(1600, 800));  // not even halving fits

    // The hint is for the upright picture: 800 x 1600 after turning.
    write("bigturned.jpg", withOrientation(jpegBytes(1600, 800), 6));
    ASSERT_TRUE(loadPicture(path("bigturned.jpg"), p, nullptr, LoadHint{100, 200}));
    EXPECT_EQ(QSize(p.width(), p.height()), QSize(100, 200));
    EXPECT_TRUE(near(p.pixel(50, 20), 255, 0, 0));

    // Other formats ignore the hint.
    ASSERT_TRUE(saveBmp(gradient(64, 64), path("g.bmp")));
    EXPECT_EQ(loadedSize("g.bmp", {8, 8}), QSize(64, 64));
}

// ---- decoding exactly as Qt does, bombs, special files and the decode budget

namespace {

// What Qt's own reader makes of a file, as a Picture.
Picture qtDecode(const QString& file, QSize scaled = {}) {
    QImageReader reader(file);
    reader.setAutoTransform(true);
    if (scaled.isValid()) reader.setScaledSize(scaled);
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB888);
    Picture p(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) std::memcpy(p.scanLine(y), image.constScanLine(y), p.stride());
    return p;
}

struct BudgetCapacity {  // sets the process-wide budget for one test
    explicit BudgetCapacity(std::int64_t bytes) : old(DecodeBudget::global().capacity()) {
        DecodeBudget::global().setCapacity(bytes);
        DecodeBudget::global().resetPeak();
    }
    ~BudgetCapacity() { DecodeBudget::global().setCapacity(old); }
    std::int64_t old;
};

}  // namespace

TEST_F(PictureFileTest, JpegDecodesExactlyAsQtDoes) {
    const Picture photo = txtest::noise(61, 37, 4);
    const struct {
        const char* name;
        int subsamp;
        bool progressive;
    } kinds[] = {{"444", TJSAMP_444, false}, {"422", TJSAMP_422, false}, {"420", TJSAMP_420, false},
                 {"grey", TJSAMP_GRAY, false}, {"progressive", TJSAMP_420, true}};
    for (const auto& k : kinds) {
        write("k.jpg", tjJpeg(photo, k.subsamp, k.progressive));
        Picture p;
        ASSERT_TRUE(loadPicture(path("k.jpg"), p)) << k.name;
        EXPECT_EQ(p, qtDecode(path("k.jpg"))) << k.name;
    }
    const QByteArray jpeg = tjJpeg(photo, TJSAMP_420);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        write("o.jpg", withOrientation(jpeg, orientation));
        Picture p;
        ASSERT_TRUE(loadPicture(path("o.jpg"), p)) << orientation;
        EXPECT_EQ(p, qtDecode(path("o.jpg"))) << "orientation " << orientation;
        EXPECT_EQ(txtest::sizeOf(path("o.jpg")), QSize(p.width(), p.height())) << "orientation " << orientation;
    }
    // Scaled decodes: a size the scale divides, and one it does not.
    for (QSize size : {QSize(320, 240), QSize(333, 217)}) {
        write("s.jpg", tjJpeg(txtest::noise(size.width(), size.height(), 5), TJSAMP_420));
        Picture p;
        ASSERT_TRUE(loadPicture(path("s.jpg"), p, nullptr, LoadHint{60, 50}));
        EXPECT_EQ(p, qtDecode(path("s.jpg"), size / 4)) << size.width();
    }
}

TEST_F(PictureFileTest, PictureBombsAreRefusedBeforeTheirBuffer) {
    write("bomb.jpg", jpegBomb(19999, 19999, true));
    write("bomb-open.jpg", jpegBomb(19999, 19999, false));
    // Width 13 million, 30 rows: a few runs, then the end of the bitmap.
    write("bomb.bmp", rleBmp(13'000'000, 30, QByteArray("\xFF\x10\xFF\x20\x00\x00\x00\x01", 8)));
    write("bomb.gif", gifWithScreen(65535, 2176));
    for (const char* name : {"bomb.jpg", "bomb-open.jpg", "bomb.bmp", "bomb.gif"}) {
        DecodeBudget::global().resetPeak();
        expectRefused(name, "truncated");
        EXPECT_LT(DecodeBudget::global().peak(), 64 << 20) << name;
    }
    EXPECT_EQ(txtest::sizeOf(path("bomb.jpg")), QSize(19999, 19999));  // the header alone is fine

    // Their honest relatives load: a flat picture whose data is thin but complete,
    // an RLE picture that codes every pixel, a GIF frame a little smaller than its screen.
    write("flat.jpg", tjJpeg(Picture(3000, 2000, rgb(90, 90, 90)), TJSAMP_GRAY, false, 50));
    ASSERT_LT(read("flat.jpg").size(), 3000 * 2000 / 64);
    Picture p;
    QString why;
    ASSERT_TRUE(loadPicture(path("flat.jpg"), p, &why)) << why.toStdString();
    EXPECT_EQ(p, qtDecode(path("flat.jpg")));

    // Bottom row: greys 7 8 9 as literals, then a run of one 5; top row: a run of four 200s.
    write("rle.bmp", rleBmp(4, 2, QByteArray("\x00\x03\x07\x08\x09\x00\x01\x05\x00\x00\x04\xC8\x00\x00\x00\x01", 16)));
    ASSERT_TRUE(loadPicture(path("rle.bmp"), p, &why)) << why.toStdString();
    EXPECT_EQ(p, qtDecode(path("rle.bmp")));
    EXPECT_EQ(p.pixel(0, 1), rgb(7, 7, 7));
    EXPECT_EQ(p.pixel(3, 1), rgb(5, 5, 5));
    EXPECT_EQ(p.pixel(1, 0), rgb(200, 200, 200));

    write("screen.gif", gifWithScreen(6, 3));
    ASSERT_TRUE(loadPicture(path("screen.gif"), p, &why)) << why.toStdString();
    EXPECT_EQ(QSize(p.width(), p.height()), QSize(6, 3));
}

// BMPs as other programs write them: Qt's own, paletted, and stored top-down.
TEST_F(PictureFileTest, BmpsFromOtherWritersAndTopDownRows) {
    const Picture p = gradient(7, 5);
    QImage image(7, 5, QImage::Format_RGB888);
    for (int y = 0; y < 5; ++y) std::memcpy(image.scanLine(y), p.scanLine(y), p.stride());
    ASSERT_TRUE(image.save(path("qt.bmp"), "BMP"));
    ASSERT_TRUE(image.convertToFormat(QImage::Format_Indexed8).save(path("pal.bmp"), "BMP"));  // general decoder
    ASSERT_TRUE(saveBmp(p, path("up.bmp")));
    write("down24.bmp", topDownBmp(read("up.bmp")));
    write("down8.bmp", topDownBmp(read("pal.bmp")));

    const Picture paletted = qtDecode(path("pal.bmp"));
    for (auto [name, expected] : {std::pair{"qt.bmp", &p}, {"down24.bmp", &p}, {"down8.bmp", &paletted}}) {
        int w = 0, h = 0;
        QString why;
        EXPECT_TRUE(pictureSize(path(name), w, h, &why)) << name << why.toStdString();
        EXPECT_EQ(QSize(w, h), QSize(7, 5)) << name;
        Picture back;
        ASSERT_TRUE(loadPicture(path(name), back, &why)) << name << why.toStdString();
        EXPECT_EQ(back, *expected) << name;
    }
}

TEST_F(PictureFileTest, OnlyRegularFilesAreOpened) {
    ASSERT_TRUE(saveBmp(gradient(4, 4), path("real.bmp")));
    ASSERT_TRUE(QFile::link(path("real.bmp"), path("link.bmp")));
    ASSERT_TRUE(QFile::link(path("gone.bmp"), path("dangling.bmp")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.bmp"));
    ASSERT_EQ(mkfifo(path("pipe.bmp").toLocal8Bit().constData(), 0600), 0);
    // Should the loader open the pipe after all, a writer lets it go on instead of hanging.
    std::promise<void> done;
    std::thread writer([fifo = path("pipe.bmp").toLocal8Bit(), finished = done.get_future()] {
        while (finished.wait_for(std::chrono::seconds(2)) == std::future_status::timeout) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
    });

    Picture p;
    EXPECT_TRUE(loadPicture(path("link.bmp"), p));
    EXPECT_EQ(p, gradient(4, 4));
    expectRefused("pipe.bmp", "not a regular file");
    expectRefused("folder.bmp", "not a regular file");
    expectRefused("dangling.bmp", "not found");
    for (const char* name : {"pipe.bmp", "folder.bmp"}) {
        int w = 0, h = 0;
        QString why;
        EXPECT_FALSE(pictureSize(path(name), w, h, &why)) << name;
        EXPECT_EQ(why, "not a regular file");
    }
    done.set_value();
    writer.join();
}

TEST_F(PictureFileTest, DecodesShareOneMemoryBudget) {
    write("b.jpg", tjJpeg(txtest::noise(500, 400, 1), TJSAMP_420));
    ASSERT_TRUE(saveBmp(gradient(500, 400), path("b.bmp")));
    {
        // A picture that needs more than the whole budget is refused, with its size.
        const BudgetCapacity tiny(256 * 1024);
        for (const char* name : {"b.jpg", "b.bmp"}) expectRefused(name, "too large (500 x 400)");
    }
    Picture jpeg;
    ASSERT_TRUE(loadPicture(path("b.jpg"), jpeg));
    const Picture bmp = gradient(500, 400);
    // Many loads at once wait for their share and decode as a single one does.
    const BudgetCapacity small(8 << 20);
    std::atomic<int> failures{0};
    parallelFor(24, 1, [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin; i < end; ++i) {
            Picture p;
            if (!loadPicture(path(i % 2 ? "b.jpg" : "b.bmp"), p) || p != (i % 2 ? jpeg : bmp)) ++failures;
        }
    }, 8);
    EXPECT_EQ(failures, 0);
    EXPECT_GT(DecodeBudget::global().peak(), 500 * 400 * 3);
    EXPECT_LE(DecodeBudget::global().peak(), 8 << 20);
}
