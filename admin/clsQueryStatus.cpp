#include "admin/clsQueryStatus.h"

#include "admin/frmWait.h"
#include "admin/modMain.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"

#include <QProgressBar>

namespace portico::admin {
namespace {

void checkRange(const QProgressBar& bar, int value) {
    if (value < bar.minimum() || value > bar.maximum())
        throw PorticoError(errors::kInvalidPropertyValue, "Invalid property value", "Portico.clsQueryStatus");
}

}  // namespace

clsQueryStatus::clsQueryStatus(modMain& program) : program_(program), mStrText_(kTextLength, ' ') {}

clsQueryStatus::~clsQueryStatus() {
    frmWait* window = program_.loadedWaitWindow();
    if (window && window->isVisible()) delete window;
}

void clsQueryStatus::setStatusText(const std::string& value) {
    std::string text = trimBlanks(value);
    text.resize(utf8PrefixBytes(text, kTextLength));
    text.append(kTextLength - utf8Length(text), ' ');
    mStrText_ = std::move(text);
}

void clsQueryStatus::setProgressValue(std::int16_t value) {
    mIntValue_ = value;
    showValue();
}

void clsQueryStatus::showValue() {
    QProgressBar& bar = *program_.waitWindow().prgbar;
    checkRange(bar, mIntValue_);
    bar.setValue(mIntValue_);
}

void clsQueryStatus::showProgress() {
    frmWait& window = program_.waitWindow();
    if (window.isVisible()) return;
    window.prgbar->setMaximum(mIntMax_);
    window.prgbar->setToolTip(QString::fromStdString(mStrText_));
    checkRange(*window.prgbar, mIntValue_);
    window.prgbar->setValue(mIntValue_);
}

void clsQueryStatus::hideProgress() {
    delete program_.loadedWaitWindow();
}

}  // namespace portico::admin
