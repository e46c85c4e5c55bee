// Damaged pictures must be refused with a reason or decoded into a sound picture,
// never crash or read outside their data (the sanitizer build runs this too).
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

#include "PictureSamples.h"
#include "TestUtil.h"
#include "support/DecodeBudget.h"

using namespace tx;
using namespace txtest;

namespace {

std::vector<QByteArray> seedFiles(const QString& scratch) {
    std::vector<QByteArray> seeds;
    const Picture photo = noise(23, 17, 3);
    EXPECT_TRUE(saveBmp(photo, scratch));
    seeds.push_back(readFile(scratch));
    QImage image(23, 17, QImage::Format_RGB888);
    for (int y = 0; y < 17; ++y) std::memcpy(image.scanLine(y), gradient(23, 17).scanLine(y), 69);
    EXPECT_TRUE(image.convertToFormat(QImage::Format_Indexed8).save(scratch, "BMP"));
    seeds.push_back(readFile(scratch));
    seeds.push_back(rleBmp(6, 3, QByteArray("\x00\x03\x07\x08\x09\x00\x03\x05\x00\x00\x06\xC8\x00\x00\x02\x01\x04\x10\x00\x01", 20)));
    seeds.push_back(QByteArray(reinterpret_cast<const char*>(kTwoFrameGif), sizeof kTwoFrameGif));
    seeds.push_back(tjJpeg(photo, TJSAMP_420));
    seeds.push_back(tjJpeg(photo, TJSAMP_444, true));
    seeds.push_back(tjJpeg(photo, TJSAMP_GRAY));
    return seeds;
}

// One to three random edits: bit flips, special bytes, a cut, a big number written
// over a header field, a repeated or a removed stretch.
QByteArray mutate(QByteArray bytes, std::mt19937& g) {
    auto at = [&](qsizetype n) { return n > 0 ? static_cast<qsizetype>(g() % static_cast<std::uint32_t>(n)) : 0; };
    const int edits = 1 + static_cast<int>(g() % 3);
    for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
        switch (g() % 6) {
        case 0:
            for (int k = 0; k < 1 + static_cast<int>(g() % 4); ++k) bytes[at(bytes.size())] ^= char(1 << (g() % 8));
            break;
        case 1: {
            static const char special[] = {0, char(0xFF), char(0x7F), char(0x80), char(0xD9), char(0xDA)};
            bytes[at(bytes.size())] = special[g() % sizeof special];
            break;
        }
        case 2: bytes.truncate(at(bytes.size())); break;
        case 3: {
            const qsizetype pos = at(std::min<qsizetype>(bytes.size() - 1, 64));
            const bool allOnes = g() % 2;
            const std::uint32_t big = allOnes ? 0xFFFFFFFFu >> (g() % 20) : g();
            for (int k = 0; k < 4 && pos + k < bytes.size(); ++k) bytes[pos + k] = char(big >> (8 * k));
            break;
        }
        case 4: {
            const qsizetype from = at(bytes.size()), len = at(std::min<qsizetype>(bytes.size() - from, 200)) + 1;
            const qsizetype to = at(bytes.size());
            bytes.insert(to, bytes.mid(from, len));
            break;
        }
        default: {
            const qsizetype pos = at(bytes.size());
            bytes.remove(pos, at(200) + 1);
            break;
        }
        }
    }
    return bytes;
}

// The header reader must give the size of the picture the decoder makes, on
// every file that decodes: tile sizes and the viewer's grid rest on it.
void expectSizeAgrees(const QString& file, const Picture& decoded, const std::string& what) {
    int w = 0, h = 0;
    QString why;
    ASSERT_TRUE(pictureSize(file, w, h, &why)) << what << ": " << why.toStdString();
    ASSERT_EQ(QSize(w, h), QSize(decoded.width(), decoded.height())) << what;
}

}  // namespace

// Fuzzing findings where the two disagreed.
TEST(PictureFuzz, HeaderSizeAgreesWithTheDecodedSize) {
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.*=false"));
    const QDir data(QStringLiteral(TX_TEST_DATA "/pictures/size-disagrees"));
    const QStringList files = data.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 3);
    for (const QString& name : files) {
        Picture p;
        QString why;
        ASSERT_TRUE(loadPicture(data.filePath(name), p, &why)) << name.toStdString() << ": " << why.toStdString();
        expectSizeAgrees(data.filePath(name), p, name.toStdString());
    }
    QLoggingCategory::setFilterRules(QString());
}

TEST(PictureFuzz, Mutations) {
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath("fuzz.img");
    const std::vector<QByteArray> seeds = seedFiles(file);
    for (const QByteArray& s : seeds) {
        writeFile(file, s);
        Picture p;
        QString why;
        ASSERT_TRUE(loadPicture(file, p, &why)) << "a seed must load: " << why.toStdString();
    }

    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.*=false"));  // a line per damaged file
    // A small budget keeps a mutated size field from taking the machine's memory.
    DecodeBudget& budget = DecodeBudget::global();
    const std::int64_t oldCapacity = budget.capacity();
    budget.setCapacity(256 << 20);

    std::mt19937 g(20261206);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    constexpr int kInputs = 10000;
    int ran = 0, loaded = 0;
    const Picture untouched(1, 1, rgb(1, 2, 3));
    for (; ran < kInputs && std::chrono::steady_clock::now() < deadline; ++ran) {
        writeFile(file, mutate(seeds[static_cast<std::size_t>(ran) % seeds.size()], g));
        Picture p = untouched;
        QString why;
        if (loadPicture(file, p, &why)) {
            ++loaded;
            ASSERT_FALSE(p.isEmpty()) << "input " << ran;
            ASSERT_EQ(p.byteCount(), std::size_t(p.width()) * std::size_t(p.height()) * 3) << "input " << ran;
            expectSizeAgrees(file, p, "input " + std::to_string(ran));
        } else {
            ASSERT_FALSE(why.isEmpty()) << "input " << ran;
            ASSERT_EQ(p, untouched) << "input " << ran;
        }
        int w = 0, h = 0;
        if (pictureSize(file, w, h)) {
            ASSERT_TRUE(w > 0 && h > 0) << "input " << ran;
        }
    }
    budget.setCapacity(oldCapacity);
    QLoggingCategory::setFilterRules(QString());
    std::printf("picture fuzz: %d inputs, %d decoded, %d refused\n", ran, loaded, ran - loaded);
    RecordProperty("inputs", ran);
    EXPECT_GE(ran, 200);
}
