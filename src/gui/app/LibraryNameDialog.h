#pragma once
// The name dialog of the new-library page: makes a new, empty library folder under
// the name the user types. The name must be one plain folder name that no entry of
// the libraries folder has yet; anything else is refused and the dialog stays open.

#include <QDialog>

class QLineEdit;

namespace tx::gui {

class LibraryNameDialog : public QDialog {
    Q_OBJECT
public:
    // Modal over `parent`. The name of the library made, or empty when cancelled.
    static QString askName(QWidget* parent);

    explicit LibraryNameDialog(QWidget* parent = nullptr);
    // The library made by "&OK"; empty until then.
    const QString& createdName() const { return m_created; }

private:
    void okClicked();

    QLineEdit* m_name = nullptr;  // Text1
    QString m_created;
};

// Makes the library folder <tiles>/<name>. False, with nothing made, for a name that
// is not plain or that anything in the libraries folder has already.
bool createLibraryFolder(const QString& name);

}  // namespace tx::gui
