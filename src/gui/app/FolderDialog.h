#pragma once
// The folder dialog of the new-library page: a list of drives and the folder tree of
// the chosen one. Where there are no drive letters the list holds the file-system
// roots and mount points. A start folder that cannot be opened is ignored.

#include <QDialog>
#include <QStringList>

class QComboBox;
class QFileSystemModel;
class QTreeView;

namespace tx::gui {

class FolderDialog : public QDialog {
    Q_OBJECT
public:
    // Modal over `parent`, starting at `start`. The chosen folder, or empty when cancelled.
    static QString chooseFolder(QWidget* parent, const QString& start);

    explicit FolderDialog(const QString& start, QWidget* parent = nullptr);

    // The folder selected in the tree (the drive's root when none is).
    QString selectedFolder() const;
    QString chosenFolder() const { return m_chosen; }

private:
    void driveChosen(int index);
    void showFolder(const QString& folder);

    QComboBox* m_drives = nullptr;  // Drive1
    QTreeView* m_tree = nullptr;    // Dir1
    QFileSystemModel* m_model = nullptr;
    QString m_chosen;
};

// The drives: drive letters, or the file-system root and the mount points, without
// duplicates, in a fixed order.
QStringList driveList();
// The entry of `drives` that holds `folder` (the longest one that is a prefix of it);
// empty when none does.
QString driveOf(const QStringList& drives, const QString& folder);

}  // namespace tx::gui
