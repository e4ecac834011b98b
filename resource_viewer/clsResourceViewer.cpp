#include "resource_viewer/clsResourceViewer.h"

#include "resource_viewer/frmViewer.h"

namespace portico {
namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

clsResourceViewer::clsResourceViewer(std::filesystem::path pictureFolder) : pictureFolder_(std::move(pictureFolder)) {}

clsResourceViewer::~clsResourceViewer() {
    if (frmViewer* viewer = frmViewer::current(); viewer && viewer->isVisible()) viewer->done(QDialog::Rejected);
}

void clsResourceViewer::ShowResources(const std::string& programPath) {
    // One window per opening, created anew and destroyed when it has closed.
    frmViewer viewer;
    viewer.setPictureFolder(pictureFolder_);
    pickedPicture_.reset();
    viewer.CreateMe(programPath);
    pickedPicture_ = viewer.SelectedPicture();
}

void clsResourceViewer::setProgramName(const std::string& value) { programName_ = trimmed(value); }
void clsResourceViewer::setIconPath(const std::string& value) { iconPath_ = trimmed(value); }

bool clsResourceViewer::ResourceShowing() const {
    const frmViewer* viewer = frmViewer::current();
    return viewer && viewer->isVisible();
}

}  // namespace portico
