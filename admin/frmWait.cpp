#include "admin/frmWait.h"

#include "admin/modMain.h"

#include <QProgressBar>
#include <QVBoxLayout>

namespace portico::admin {

frmWait::frmWait(modMain& program) {
    setObjectName("frmWait");
    setWindowTitle("Loading Resources.....");
    setAttribute(Qt::WA_DeleteOnClose);
    prgbar = new QProgressBar(this);
    prgbar->setObjectName("prgbar");
    prgbar->setRange(0, 100);
    prgbar->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prgbar);
    resize(320, 60);
    program.applyLowColourAdjustment(*this);
}

}  // namespace portico::admin
