#pragma once
// The find-doubles dialog: two near-identical tiles side by side, their difference,
// and the decision the search acts on.
//
// Answers: "Delete" under the first tile is Kill1, under the second Kill2,
// "Cancel" (and Escape or the close button) Keep, "Stop Searching" Abort.
// "Apply to every later double" turns the second tile's "Delete" into KillAll:
// this pair and every later pair of the same search lose their second tile
// without asking. That unattended mode of the search only ever deletes second
// tiles, so while the box is ticked the first tile's "Delete" is disabled rather
// than quietly ignoring the box.
//
// GUI thread only.

#include <QDialog>

#include "task/TaskHost.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace tx::gui {

class DoublesDialog : public QDialog {
    Q_OBJECT
public:
    // Shows the dialog modally over `parent` and returns the user's decision.
    static DoublesAnswer ask(QWidget* parent, const DoublesQuestion& question);

    // Picture1 and Picture2; Picture3 shows the difference at half their size.
    static constexpr int kBoxWidth = 160;
    static constexpr int kBoxHeight = 120;
    static constexpr int kDifferenceWidth = kBoxWidth / 2;
    static constexpr int kDifferenceHeight = kBoxHeight / 2;
    // Picture4: the 3 x 3 reduction, each of its pixels shown as a 20 x 20 block.
    static constexpr int kReducedBlock = 20;

    DoublesDialog(const DoublesQuestion& question, QWidget* parent = nullptr);

    // Keep until a button decided otherwise.
    DoublesAnswer answer() const { return m_answer; }

private:
    void buildControls();
    void showQuestion(const DoublesQuestion& question);
    void decide(DoublesAnswer answer);

    DoublesAnswer m_answer = DoublesAnswer::Keep;

    QLabel* m_label1 = nullptr;       // file name of the first tile
    QLabel* m_label2 = nullptr;       // file name of the second tile
    QLabel* m_label3 = nullptr;       // d
    QLabel* m_picture1 = nullptr;
    QLabel* m_picture2 = nullptr;
    QLabel* m_picture3 = nullptr;     // the difference of the two boxes
    QLabel* m_picture4 = nullptr;     // its 3 x 3 reduction
    QPushButton* m_command2 = nullptr;  // delete the first tile
    QPushButton* m_command1 = nullptr;  // delete the second tile
    QPushButton* m_command3 = nullptr;  // Cancel
    QPushButton* m_command4 = nullptr;  // Stop Searching
    QCheckBox* m_check1 = nullptr;      // apply to every later double
};

}  // namespace tx::gui
