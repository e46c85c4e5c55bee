#include "app/FolderDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/CenterForm.h"
#include "app/PanelLayout.h"

namespace tx::gui {

namespace {

// "/mnt/x/" -> "/mnt/x"; the root stays "/".
QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1String(":/"))) path.chop(1);
    return path;
}

bool holds(const QString& drive, const QString& folder) {
    if (drive.endsWith(QLatin1Char('/'))) return folder.startsWith(drive, Qt::CaseInsensitive);
    return folder.compare(drive, Qt::CaseInsensitive) == 0 ||
           folder.startsWith(drive + QLatin1Char('/'), Qt::CaseInsensitive);
}

}  // namespace

QStringList driveList() {
    QStringList drives;
    for (const QFileInfo& d : QDir::drives()) drives << withoutTrailingSlash(QDir::fromNativeSeparators(d.absoluteFilePath()));
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady()) continue;
        const QString root = withoutTrailingSlash(QDir::fromNativeSeparators(v.rootPath()));
        if (!drives.contains(root)) drives << root;
    }
    std::sort(drives.begin(), drives.end());
    drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
    return drives;
}

QString driveOf(const QStringList& drives, const QString& folder) {
    QString best;
    for (const QString& d : drives)
        if (holds(d, folder) && d.size() > best.size()) best = d;
    return best;
}

QString FolderDialog::chooseFolder(QWidget* parent, const QString& start) {
    FolderDialog dialog(start, parent);
    if (parent) CenterForm(&dialog, parent);
    dialog.exec();
    return dialog.chosenFolder();
}

FolderDialog::FolderDialog(const QString& start, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Select a Folder"));

    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("Drive1"));
    m_drives->addItems(driveList());
    auto* driveLabel = new QLabel(QStringLiteral("&Drive:"), this);
    driveLabel->setBuddy(m_drives);
    m_drives->setAccessibleName(QStringLiteral("Drive"));

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QString());
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("Dir1"));
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    for (int c = 1; c < m_model->columnCount(); ++c) m_tree->hideColumn(c);
    auto* treeLabel = new QLabel(QStringLiteral("&Folder:"), this);
    treeLabel->setBuddy(m_tree);
    m_tree->setAccessibleName(QStringLiteral("Folder"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(driveLabel);
    layout->addWidget(m_drives);
    layout->addWidget(treeLabel);
    layout->addWidget(m_tree, 1);
    const auto [ok, cancel] = addOkCancelRow(this, layout);
    resize(scaled(QRect(0, 0, 320, 380), font()).size());

    // The start folder when it can be opened; otherwise the first drive.
    const QFileInfo info(start);
    const QString folder = !start.isEmpty() && info.isDir() ? withoutTrailingSlash(info.absoluteFilePath()) : QString();
    const int drive = m_drives->findText(driveOf(driveList(), folder));
    m_drives->setCurrentIndex(std::max(drive, 0));
    driveChosen(m_drives->currentIndex());
    if (!folder.isEmpty()) showFolder(folder);

    connect(m_drives, &QComboBox::activated, this, [this](int index) {
        driveChosen(index);
        m_tree->setFocus();
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        m_chosen = selectedFolder();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_chosen.clear();
        reject();
    });
}

void FolderDialog::driveChosen(int index) {
    const QString drive = m_drives->itemText(index);
    // A drive that cannot be read leaves the tree as it is.
    if (drive.isEmpty() || !QFileInfo(drive).isReadable()) return;
    const QModelIndex root = m_model->index(drive);
    if (!root.isValid()) return;
    m_tree->setRootIndex(root);
    m_tree->setCurrentIndex(root);
}

void FolderDialog::showFolder(const QString& folder) {
    const QModelIndex at = m_model->index(folder);
    if (!at.isValid()) return;
    m_tree->setCurrentIndex(at);
    for (QModelIndex up = at.parent(); up.isValid() && up != m_tree->rootIndex(); up = up.parent()) m_tree->expand(up);
    m_tree->expand(at);
    m_tree->scrollTo(at);
    // The model lists folders in the background: scroll again once they are there.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this] { m_tree->scrollTo(m_tree->currentIndex()); });
}

QString FolderDialog::selectedFolder() const {
    QModelIndex at = m_tree->currentIndex();
    if (!at.isValid()) at = m_tree->rootIndex();
    return at.isValid() ? m_model->filePath(at) : QString();
}

}  // namespace tx::gui
