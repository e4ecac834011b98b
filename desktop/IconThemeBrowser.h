#pragma once

#include "desktop/IconTheme.h"

#include <QByteArray>
#include <QWidget>

class QLineEdit;
class QListWidget;

namespace portico::desktop {

// A searchable grid of the icons of an icon theme, with thumbnails. Thumbnails
// are drawn only for the cells that come into view, so a theme of thousands of
// icons opens at once.
class IconThemeBrowser final : public QWidget {
    Q_OBJECT
public:
    explicit IconThemeBrowser(IconTheme theme, QWidget* parent = nullptr);

    // Shows only the icons whose name contains `text` (case-insensitive).
    void setFilter(const QString& text);
    // The icon chosen in the grid; empty when none.
    QString selectedIconName() const;
    void selectIcon(const QString& name);
    // The chosen icon as the catalogue stores a program's picture; empty when none.
    QByteArray storedPicture() const;
    const IconTheme& theme() const { return theme_; }
    // How many cells have a thumbnail drawn (for tests of the lazy drawing).
    int thumbnailCount() const { return thumbnails_; }

    QLineEdit* txtSearch = nullptr;
    QListWidget* lstIcons = nullptr;

signals:
    // A double click or Enter on an icon.
    void iconActivated(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void drawVisibleThumbnails();

    IconTheme theme_;
    int thumbnails_ = 0;
};

}  // namespace portico::desktop
