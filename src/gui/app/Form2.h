#pragma once
// The wizard, the program's start window.

#include <QWidget>

namespace tx::gui {

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);
};

}  // namespace tx::gui
