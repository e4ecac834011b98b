#include "frmAddProgram.h"

#include "DialogService.h"
#include "FatalError.h"
#include "clsDBRoutines.h"
#include "modMain.h"

#include <QLineEdit>
#include <QPushButton>

#include <fstream>
#include <iterator>
#include <system_error>

namespace portico::admin {
namespace {

std::optional<std::string> readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

frmAddProgram::frmAddProgram(modMain& program)
    : ProgramDialogBase(program, nullptr, "Add a new runnable program....", "Icon", "Add..") {
    setObjectName("frmAddProgram");
    setWindowTitle("Add A New Runnable Program..");
    connect(cmdIcon, &QPushButton::clicked, this, [this] { guarded([&] { chooseIcon(); }); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { guarded([&] { addProgram(); }); });
}

void frmAddProgram::chooseIcon() {
    // The picker writes the picture file only when an icon is selected, so a
    // file there afterwards is this pick, not a picture left by someone else.
    const std::filesystem::path pictureFile = program_.database().programImageFile();
    std::error_code ignored;
    std::filesystem::remove(pictureFile, ignored);
    program_.showResources(txtProgramPath->text().toStdString());
    if (auto picked = readFile(pictureFile)) pickedPicture_ = std::move(picked);
}

void frmAddProgram::addProgram() {
    if (!validate()) return;
    // Without a pick the picture file must not hold whatever was last exported
    // there (another program's icon): with no file the catalogue takes the
    // default icon.
    const std::filesystem::path pictureFile = program_.database().programImageFile();
    std::error_code ignored;
    std::filesystem::remove(pictureFile, ignored);
    if (pickedPicture_) {
        std::ofstream out(pictureFile, std::ios::binary | std::ios::trunc);
        out.write(pickedPicture_->data(), static_cast<std::streamsize>(pickedPicture_->size()));
    }
    const Values values = trimmedValues();
    if (program_.database().addProgram(values.name, values.description, values.path, pictureFile.string(),
                                       values.startIn, values.parameters)) {
        dialogs().messageBox("Program Added", "Sucess", MessageIcon::Information);
        reloadSetupList();
        close();
    } else {
        dialogs().messageBox("Unable to add program", "Error", MessageIcon::Critical);
    }
}

}  // namespace portico::admin
