#include "support/JpegBridge.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <turbojpeg.h>

#include "support/TxError.h"

namespace tx {

namespace {

// Our own failure codes (the encoder's are not numbers worth showing).
constexpr int kEmptyBuffer = -1;
constexpr int kEncoderFailed = -2;
constexpr int kCannotCreate = -3;
constexpr int kCannotWrite = -4;
constexpr int kCannotReplace = -5;
constexpr int kInitFailed = -1;

QString executableName() {
    QString name;
    if (QCoreApplication::instance()) name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (name.isEmpty()) name = QCoreApplication::applicationName();
    if (name.isEmpty()) name = QStringLiteral("tesselix");
    return name;
}

// Worked out once: saves run on worker threads, and the application's file path is
// not meant to be queried from several threads at once.
QString errorSource() {
    static const QString source = executableName() + QStringLiteral(".mIntelJPEGLibrary");
    return source;
}

[[noreturn]] void failSave(int code) {
    throw TxError(kJpegErrorNumber, errorSource(), QStringLiteral("Failed to save to JPG ") + QString::number(code));
}

struct CompressorHandle {
    tjhandle h = nullptr;
    ~CompressorHandle() {
        if (h) tjDestroy(h);
    }
};

struct JpegBytes {
    unsigned char* data = nullptr;
    unsigned long size = 0;
    ~JpegBytes() {
        if (data) tjFree(data);
    }
};

}  // namespace

bool SaveJpegFile(cDIBSection& buffer, const QString& fileName, int quality, LinkPolicy links,
                  OldAttributes attributes) {
    CompressorHandle compressor;
    compressor.h = tjInitCompress();
    if (!compressor.h)
        throw TxError(kJpegErrorNumber, errorSource(),
                      QStringLiteral("Failed to initialise the IJL library: ") + QString::number(kInitFailed));

    const unsigned char* bits = buffer.DIBSectionBitsPtr();
    if (!bits || buffer.Width() <= 0 || buffer.Height() <= 0) failSave(kEmptyBuffer);

    // A target that cannot be written is found before the work of encoding.
    AtomicFile file(fileName, links, attributes);
    const auto failWrite = [&](int code) {
        throw TxError(kJpegErrorNumber, errorSource(),
                      QStringLiteral("Failed to save to JPG %1: %2").arg(code).arg(file.errorString()));
    };
    if (!file.open()) failWrite(kCannotCreate);

    // The buffer's rows are bottom-up BGR with 4-byte padding: the encoder reads them as they are.
    JpegBytes jpeg;
    const int q = std::clamp(quality, 1, 100);
    if (tjCompress2(compressor.h, bits, buffer.Width(), buffer.BytesPerScanLine(), buffer.Height(), TJPF_BGR,
                    &jpeg.data, &jpeg.size, TJSAMP_420, q, TJFLAG_BOTTOMUP) != 0 ||
        !jpeg.data || jpeg.size == 0)
        failSave(kEncoderFailed);

    if (!file.write(reinterpret_cast<const char*>(jpeg.data), static_cast<qint64>(jpeg.size))) failWrite(kCannotWrite);
    if (!file.commit()) failWrite(kCannotReplace);
    return true;
}

}  // namespace tx
