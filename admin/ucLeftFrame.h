#pragma once

#include <QWidget>

#include <string>

class QFrame;
class QImage;
class QLabel;

namespace portico {
class ActionLabel;
}

namespace portico::admin {

// The setup window's action panel: the theme picture, a decorative strip, a
// welcome text and the actions "Add/Remove Folder", "Theme Management" and "Quit".
class ucLeftFrame final : public QWidget {
    Q_OBJECT
public:
    explicit ucLeftFrame(QWidget* parent = nullptr);

    // This panel shows no description: writing one does nothing.
    std::string Description() const { return {}; }
    void setDescription(const std::string&) {}
    void SetImage(const QImage& picture);

    QLabel* Image1;
    QLabel* imgStrip;
    QLabel* lblWelcome;
    ActionLabel* lblFolders;
    QFrame* Line1;
    ActionLabel* lblThemes;
    QFrame* Line2;
    ActionLabel* lblQuit;
    QFrame* Line3;

signals:
    void QuitClicked();
    void ThemeClicked();
    void AddRemoveFolder();
};

}  // namespace portico::admin
