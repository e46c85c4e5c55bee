// Replacing and deleting files: links are replaced or followed only as the caller
// asks, only regular files are written, failures say why and leave nothing behind.
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include "TestUtil.h"
#include "library/CreateLibrary.h"
#include "support/AtomicFile.h"
#include "support/DibSection.h"
#include "support/FileHelpers.h"
#include "support/JpegBridge.h"
#include "support/PictureFile.h"
#include "support/TxError.h"

namespace {

using tx::LinkPolicy;
using txtest::readFile;
using txtest::writeFile;

struct Outcome {
    bool ok = false;
    QString error;
};

// The three ways the program replaces a file, each with the start of what it writes.
struct Writer {
    const char* name;
    QByteArray signature;
    std::function<Outcome(const QString&, LinkPolicy)> write;
};

std::vector<Writer> writers() {
    return {
        {"writeFileAtomically", "new",
         [](const QString& path, LinkPolicy links) {
             Outcome o;
             // Library files call it without a policy: the default must be the safe one.
             o.ok = links == LinkPolicy::ReplaceLink ? tx::writeFileAtomically(path, "new", &o.error)
                                                     : tx::writeFileAtomically(path, "new", &o.error, links);
             return o;
         }},
        {"saveBmp", "BM",
         [](const QString& path, LinkPolicy links) {
             Outcome o;
             const tx::Picture p(4, 3, tx::rgb(9, 8, 7));
             o.ok = links == LinkPolicy::ReplaceLink ? tx::saveBmp(p, path, &o.error)
                                                     : tx::saveBmp(p, path, &o.error, links);
             return o;
         }},
        {"SaveJpegFile", "\xFF\xD8",
         [](const QString& path, LinkPolicy links) {
             Outcome o;
             tx::cDIBSection d;
             d.CreateFromPicture(tx::Picture(4, 3, tx::rgb(9, 8, 7)));
             try {
                 o.ok = links == LinkPolicy::ReplaceLink ? tx::SaveJpegFile(d, path, 90)
                                                         : tx::SaveJpegFile(d, path, 90, links);
             } catch (const tx::TxError& e) {
                 EXPECT_EQ(e.number(), 26001);
                 o.error = e.description();
             }
             return o;
         }},
    };
}

bool isLink(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}
bool isRegular(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}
bool isFifo(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Temporaries left in a folder.
QStringList leftovers(const QString& folder) {
    return QDir(folder).entryList({".tx-*"}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

bool isSpecial(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode) &&
           !S_ISLNK(st.st_mode);
}

// A library folder beside an outside folder holding a precious file, a folder, a
// FIFO, a socket and a device. The device is our own copy of the null device (a
// writer that went wrong must not replace the system's); without the right to
// make one, the socket stands in for it.
struct Place {
    QTemporaryDir root;
    QString lib = root.filePath("lib/"), out = root.filePath("outside/");
    QString precious = out + "photo.bmp", folder = out + "folder", fifo = out + "pipe", socket = out + "sock",
            device = out + "null";
    Place() {
        QDir().mkpath(lib);
        QDir().mkpath(folder);
        writeFile(precious, "precious");
        EXPECT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(socket);
        EXPECT_LT(name.size(), static_cast<qsizetype>(sizeof addr.sun_path));
        std::memcpy(addr.sun_path, name.constData(), std::min<std::size_t>(name.size(), sizeof addr.sun_path - 1));
        m_socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        EXPECT_EQ(::bind(m_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) device = socket;
    }
    ~Place() { ::close(m_socket); }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

private:
    int m_socket = -1;
};

struct Case {
    const char* what;
    std::function<void(const Place&, const QString& target)> make;
    LinkPolicy links;
    const char* refusal;  // nullptr: the write succeeds
    // After a successful write: true when the named entry itself now holds the data,
    // false when the data went to the regular file the link points at.
    bool entryReplaced;
};

void link(const QString& to, const QString& at) { ASSERT_TRUE(QFile::link(to, at)) << at.toStdString(); }

const Case kCases[] = {
    {"new file", [](const Place&, const QString&) {}, LinkPolicy::ReplaceLink, nullptr, true},
    {"new file, following", [](const Place&, const QString&) {}, LinkPolicy::FollowToRegularFile, nullptr, true},
    {"old file", [](const Place&, const QString& t) { writeFile(t, "old"); }, LinkPolicy::ReplaceLink, nullptr, true},
    {"link to an outside file", [](const Place& p, const QString& t) { link(p.precious, t); },
     LinkPolicy::ReplaceLink, nullptr, true},
    {"link to an outside file, following", [](const Place& p, const QString& t) { link(p.precious, t); },
     LinkPolicy::FollowToRegularFile, nullptr, false},
    {"link to a link to an outside file, following",
     [](const Place& p, const QString& t) {
         link(p.precious, p.out + "hop");
         link(p.out + "hop", t);
     },
     LinkPolicy::FollowToRegularFile, nullptr, false},
    {"dangling link", [](const Place& p, const QString& t) { link(p.out + "missing.bmp", t); },
     LinkPolicy::ReplaceLink, nullptr, true},
    {"dangling link, following", [](const Place& p, const QString& t) { link(p.out + "missing.bmp", t); },
     LinkPolicy::FollowToRegularFile, "the link points to nothing", false},
    {"link to a folder", [](const Place& p, const QString& t) { link(p.folder, t); }, LinkPolicy::ReplaceLink,
     nullptr, true},
    {"link to a folder, following", [](const Place& p, const QString& t) { link(p.folder, t); },
     LinkPolicy::FollowToRegularFile, "it is a folder", false},
    {"folder", [](const Place&, const QString& t) { QDir().mkpath(t); }, LinkPolicy::ReplaceLink, "it is a folder",
     false},
    {"folder, following", [](const Place&, const QString& t) { QDir().mkpath(t); }, LinkPolicy::FollowToRegularFile,
     "it is a folder", false},
    {"FIFO", [](const Place&, const QString& t) { ASSERT_EQ(::mkfifo(QFile::encodeName(t).constData(), 0644), 0); },
     LinkPolicy::ReplaceLink, "not a regular file", false},
    {"link to a FIFO", [](const Place& p, const QString& t) { link(p.fifo, t); }, LinkPolicy::ReplaceLink, nullptr,
     true},
    {"link to a FIFO, following", [](const Place& p, const QString& t) { link(p.fifo, t); },
     LinkPolicy::FollowToRegularFile, "not a regular file", false},
    {"link to a socket, following", [](const Place& p, const QString& t) { link(p.socket, t); },
     LinkPolicy::FollowToRegularFile, "not a regular file", false},
    {"link to a device", [](const Place& p, const QString& t) { link(p.device, t); }, LinkPolicy::ReplaceLink,
     nullptr, true},
    {"link to a device, following", [](const Place& p, const QString& t) { link(p.device, t); },
     LinkPolicy::FollowToRegularFile, "not a regular file", false},
};

}  // namespace

TEST(FileSafety, EveryWriterTreatsLinksAndSpecialFilesByItsPolicy) {
    for (const Writer& w : writers()) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(w.name) + ": " + c.what);
            Place p;
            const QString target = p.lib + "1.bmp";
            c.make(p, target);
            const bool wasLink = isLink(target);
            const Outcome o = w.write(target, c.links);

            if (c.refusal) {
                EXPECT_FALSE(o.ok);
                EXPECT_TRUE(o.error.endsWith(QString(": ") + c.refusal)) << o.error.toStdString();
                EXPECT_EQ(isLink(target), wasLink);
            } else {
                EXPECT_TRUE(o.ok) << o.error.toStdString();
                const QString written = c.entryReplaced ? target : p.precious;
                // Never read anything but a regular file: opening a FIFO would wait for ever.
                EXPECT_TRUE(isRegular(written) && readFile(written).startsWith(w.signature));
                EXPECT_TRUE(c.entryReplaced ? isRegular(target) : isLink(target));
            }
            // Nothing outside changed unless a link to it was followed on purpose.
            if (c.entryReplaced || c.refusal) {
                EXPECT_EQ(readFile(p.precious), QByteArray("precious"));
            }
            EXPECT_FALSE(QFileInfo::exists(p.out + "missing.bmp"));
            EXPECT_TRUE(QFileInfo(p.folder).isDir());
            EXPECT_TRUE(isFifo(p.fifo));
            EXPECT_TRUE(isSpecial(p.socket));
            EXPECT_TRUE(isSpecial(p.device));
            EXPECT_EQ(leftovers(p.lib) + leftovers(p.out), QStringList());
        }
    }
}

TEST(FileSafety, FailuresSayWhyAndLeaveNoTemporary) {
    for (const Writer& w : writers()) {
        SCOPED_TRACE(w.name);
        QTemporaryDir dir;
        const QString longName = dir.filePath(QString(300, QChar('a')) + ".bmp");
        Outcome o = w.write(longName, LinkPolicy::FollowToRegularFile);
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.error.endsWith(": the name is too long")) << o.error.toStdString();

        o = w.write(dir.filePath("no/such/folder.bmp"), LinkPolicy::ReplaceLink);
        EXPECT_FALSE(o.ok);
        EXPECT_TRUE(o.error.endsWith(": the folder does not exist")) << o.error.toStdString();

        if (::geteuid() != 0) {  // permissions do not bind root
            const QString old = dir.filePath("old.bmp");
            writeFile(old, "old");
            ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
            o = w.write(old, LinkPolicy::ReplaceLink);
            ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
            EXPECT_FALSE(o.ok);
            EXPECT_TRUE(o.error.endsWith(": permission denied")) << o.error.toStdString();
            EXPECT_EQ(readFile(old), QByteArray("old"));
        }
        EXPECT_EQ(leftovers(dir.path()), QStringList());
    }
    EXPECT_EQ(tx::fileErrorReason(ENOSPC), QStringLiteral("the disk is full"));
}

TEST(FileSafety, UncommittedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("3x3.txt");
    writeFile(path, "old");
    {
        tx::AtomicFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("half", 4));
        EXPECT_EQ(leftovers(dir.path()).size(), 1);
    }  // dropped without commit, as on a cancel
    EXPECT_EQ(readFile(path), QByteArray("old"));
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

TEST(FileSafety, ReplacedFilesAreNewUnlessAskedToKeepTheOldAttributes) {
    QTemporaryDir dir;
    const QString fresh = dir.filePath("fresh"), kept = dir.filePath("kept"), page = dir.filePath("page.bmp");
    writeFile(fresh);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    const mode_t defaultMode = st.st_mode & 07777;
    const struct timespec old[2] = {{1000000000, 0}, {1100000000, 0}};
    for (const QString& p : {fresh, kept, page}) {
        writeFile(p, "old");
        ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0604), 0);
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(p).constData(), old, 0), 0);
    }
    const auto write = [](const QString& p, tx::OldAttributes a) {
        tx::AtomicFile f(p, LinkPolicy::ReplaceLink, a);
        return f.open() && f.write("new", 3) && f.commit();
    };
    ASSERT_TRUE(write(fresh, tx::OldAttributes::Fresh));
    ASSERT_TRUE(write(kept, tx::OldAttributes::Keep));
    ASSERT_TRUE(tx::saveBmp(tx::Picture(2, 2), page, nullptr, LinkPolicy::FollowToRegularFile));

    for (const QString& p : {fresh, page}) {
        ASSERT_EQ(::stat(QFile::encodeName(p).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, defaultMode) << p.toStdString();
        EXPECT_GT(st.st_mtim.tv_sec, old[1].tv_sec) << p.toStdString();
    }
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(st.st_mtim.tv_sec, old[1].tv_sec);
    EXPECT_EQ(st.st_atim.tv_sec, old[0].tv_sec);
    EXPECT_EQ(readFile(kept), QByteArray("new"));
}

TEST(FileSafety, EntriesAndTheirRemovalNeverReachThroughLinks) {
    Place p;
    const QString linkToFile = p.lib + "1.bmp", dangling = p.lib + "2.bmp", linkToFolder = p.lib + "3.bmp";
    link(p.precious, linkToFile);
    link(p.out + "missing.bmp", dangling);
    link(p.folder, linkToFolder);

    EXPECT_TRUE(tx::entryExists(dangling));  // taken, although it points to nothing
    EXPECT_FALSE(tx::entryExists(p.lib + "4.bmp"));
    EXPECT_FALSE(tx::entryExists(""));

    for (const QString& l : {linkToFile, dangling, linkToFolder}) {
        QString error;
        EXPECT_TRUE(tx::removeFileEntry(l, &error)) << error.toStdString();
        EXPECT_FALSE(tx::entryExists(l));
    }
    EXPECT_EQ(readFile(p.precious), QByteArray("precious"));
    EXPECT_TRUE(QFileInfo(p.folder).isDir());
    EXPECT_TRUE(tx::removeFileEntry(p.lib + "never.bmp"));  // nothing there: nothing to do

    QString error;
    EXPECT_FALSE(tx::removeFileEntry(p.folder, &error));
    EXPECT_TRUE(error.endsWith(": it is a folder")) << error.toStdString();
    EXPECT_TRUE(QFileInfo(p.folder).isDir());
}

TEST(FileSafety, NewTilesSkipNamesTakenByDanglingLinks) {
    Place p;
    QTemporaryDir src;
    ASSERT_TRUE(tx::saveBmp(tx::Picture(20, 20, tx::rgb(200, 0, 0)), src.filePath("a.bmp")));
    link(p.out + "escaped.bmp", p.lib + "1.bmp");
    link(p.out + "escaped.jpg", p.lib + "2.jpg");

    for (bool jpeg : {false, true}) {
        tx::CreateLibraryJob job;
        job.sourceFolder = src.path() + "/";
        job.sourceEntries = {"a.bmp"};
        job.targetFolder = p.lib;
        job.tileWidth = job.tileHeight = 8;
        job.format = jpeg ? tx::TileFormat::Jpeg : tx::TileFormat::Bmp;
        txtest::RecordingHost host;
        tx::Task task(host);
        txtest::start(task);
        const tx::JobResult result = tx::CreateLibrary(task, job);
        EXPECT_EQ(result.outcome, tx::JobOutcome::Completed) << result.message.toStdString();
        EXPECT_EQ(result.filesWritten, QStringList{p.lib + (jpeg ? "4.jpg" : "3.bmp")});
    }
    EXPECT_TRUE(isRegular(p.lib + "3.bmp"));
    EXPECT_TRUE(isRegular(p.lib + "4.jpg"));
    EXPECT_TRUE(isLink(p.lib + "1.bmp"));
    EXPECT_TRUE(isLink(p.lib + "2.jpg"));
    EXPECT_EQ(QDir(p.out).entryList(QDir::Files), QStringList{"photo.bmp"});
}
