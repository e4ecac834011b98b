#pragma once

#include <QWidget>

#include <string>

class QFrame;
class QImage;
class QLabel;

namespace portico {

class ActionLabel;

// The launcher's action panel: the theme picture over a fixed background, the
// selected program's description and the actions "Launch Program",
// "Properties" and "Quit". Until a program is clicked only "Quit" is offered.
class ucLeftFrame final : public QWidget {
    Q_OBJECT
public:
    explicit ucLeftFrame(QWidget* parent = nullptr);

    std::string Description() const;
    void setDescription(const std::string& text);
    // Shows or hides "Launch Program" and "Properties" with their lines.
    void displayLabels(bool visible);
    void SetImage(const QImage& picture);

    QLabel* Image2;
    QLabel* Image1;
    QLabel* lblDescription;
    ActionLabel* lblLaunch;
    QFrame* Line1;
    ActionLabel* lblProperties;
    QFrame* Line2;
    ActionLabel* lblQuit;
    QFrame* Line3;

signals:
    void LaunchedClicked();
    void PropertiesClicked();
    void QuitClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layOut();
    void paintBackground();
};

}  // namespace portico
