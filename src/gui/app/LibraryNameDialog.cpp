#include "app/LibraryNameDialog.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CenterForm.h"
#include "app/MessageBoxes.h"
#include "app/PanelLayout.h"
#include "support/AppPaths.h"
#include "support/FileHelpers.h"
#include "support/Messages.h"

namespace tx::gui {

bool createLibraryFolder(const QString& name) {
    if (!isPlainName(name)) return false;
    const QString root = tilesRoot();
    // A file, folder or dangling link of that name is "existing" too.
    if (!QDir().mkpath(root) || entryExists(root + name)) return false;
    return QDir(root).mkdir(name);
}

QString LibraryNameDialog::askName(QWidget* parent) {
    LibraryNameDialog dialog(parent);
    if (parent) CenterForm(&dialog, parent);
    dialog.exec();
    return dialog.createdName();
}

LibraryNameDialog::LibraryNameDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("New Tile Library"));

    auto* prompt = new QLabel(QStringLiteral("Please enter a &name for your new tile library:"), this);
    prompt->setObjectName(QStringLiteral("Label1"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Text1"));
    m_name->setAccessibleName(QStringLiteral("Please enter a name for your new tile library"));
    prompt->setBuddy(m_name);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_name);
    const auto [ok, cancel] = addOkCancelRow(this, layout);
    setFixedWidth(scaled(340, font()));

    connect(ok, &QPushButton::clicked, this, &LibraryNameDialog::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void LibraryNameDialog::okClicked() {
    const QString name = m_name->text();
    if (!createLibraryFolder(name)) {
        showMessageBox(this, MessageIcon::Information, msg::kValidName);
        m_name->setFocus();
        return;
    }
    m_created = name;
    accept();
}

}  // namespace tx::gui
