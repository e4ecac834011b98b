#pragma once

#include <QDialog>

class QProgressBar;

namespace portico::admin {

class modMain;

// A small window with one progress bar, driven by clsQueryStatus.
class frmWait final : public QDialog {
    Q_OBJECT
public:
    explicit frmWait(modMain& program);

    QProgressBar* prgbar;
};

}  // namespace portico::admin
