#include "support/JpegBridge.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <turbojpeg.h>

#include "support/TxError.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#endif

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

// What an overwritten file keeps: its permissions and its access and modification
// times. (The creation time cannot be set on Linux.)
struct OldFile {
    bool existed = false;
    QFileDevice::Permissions permissions;
#ifdef Q_OS_UNIX
    struct timespec times[2] = {};  // access, modification
    mode_t mode = 0;
#else
    QDateTime accessed, modified, born;
#endif
};

OldFile rememberOldFile(const QString& fileName) {
    OldFile old;
    const QFileInfo info(fileName);
    if (!info.exists() || !info.isFile()) return old;
    old.existed = true;
    old.permissions = info.permissions();
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(fileName).constData(), &st) == 0) {
        old.times[0] = st.st_atim;
        old.times[1] = st.st_mtim;
        old.mode = st.st_mode & 07777;
    } else {
        old.existed = false;
    }
#else
    old.accessed = info.fileTime(QFileDevice::FileAccessTime);
    old.modified = info.fileTime(QFileDevice::FileModificationTime);
    old.born = info.fileTime(QFileDevice::FileBirthTime);
#endif
    return old;
}

// Gives the new file, still open under its temporary name, the old file's
// permissions and times. Done after the last write so nothing moves them again.
void restoreOldFile(QSaveFile& file, const OldFile& old) {
#ifdef Q_OS_UNIX
    const int fd = file.handle();
    if (fd >= 0) {
        ::fchmod(fd, old.mode);
        ::futimens(fd, old.times);
    }
#else
    file.setPermissions(old.permissions);
    file.setFileTime(old.accessed, QFileDevice::FileAccessTime);
    file.setFileTime(old.modified, QFileDevice::FileModificationTime);
    file.setFileTime(old.born, QFileDevice::FileBirthTime);
#endif
}

}  // namespace

bool SaveJpegFile(cDIBSection& buffer, const QString& fileName, int quality) {
    CompressorHandle compressor;
    compressor.h = tjInitCompress();
    if (!compressor.h)
        throw TxError(kJpegErrorNumber, errorSource(),
                      QStringLiteral("Failed to initialise the IJL library: ") + QString::number(kInitFailed));

    const unsigned char* bits = buffer.DIBSectionBitsPtr();
    if (!bits || buffer.Width() <= 0 || buffer.Height() <= 0) failSave(kEmptyBuffer);

    // The buffer's rows are bottom-up BGR with 4-byte padding: the encoder reads them as they are.
    JpegBytes jpeg;
    const int q = std::clamp(quality, 1, 100);
    if (tjCompress2(compressor.h, bits, buffer.Width(), buffer.BytesPerScanLine(), buffer.Height(), TJPF_BGR,
                    &jpeg.data, &jpeg.size, TJSAMP_420, q, TJFLAG_BOTTOMUP) != 0 ||
        !jpeg.data || jpeg.size == 0)
        failSave(kEncoderFailed);

    // Written beside the target and renamed over it: the old file is never deleted
    // first, so a failure leaves it as it was.
    const OldFile old = rememberOldFile(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) failSave(kCannotCreate);
    const qint64 size = static_cast<qint64>(jpeg.size);
    if (file.write(reinterpret_cast<const char*>(jpeg.data), size) != size || !file.flush()) {
        file.cancelWriting();
        failSave(kCannotWrite);
    }
    if (old.existed) restoreOldFile(file, old);
    if (!file.commit()) failSave(kCannotReplace);
    return true;
}

}  // namespace tx
