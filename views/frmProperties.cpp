#include "views/frmProperties.h"

#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PictureLoader.h"
#include "settings/TextUtil.h"
#include "views/DisplayName.h"
#include "views/ElidedLabel.h"
#include "views/RecordText.h"

#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace portico {
namespace {

QLabel* makeLabel(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    return label;
}

// The date added arrives as an ISO date; people read it in their own short form.
QString dateText(Recordset& records) {
    const Variant& value = records.Fields("AddedDate").Value();
    if (value.isNull() || value.isEmpty()) return {};
    const QString text = QString::fromStdString(trimBlanks(value.toText()));
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    return date.isValid() ? QLocale().toString(date, QLocale::ShortFormat) : text;
}

// "Everyone", or "users alice, bob; groups finance".
std::string grantText(const clsDBRoutines::Grants& grants) {
    if (grants.empty()) return "Everyone";
    std::string users;
    std::string groups;
    for (const auto& [type, name] : grants) {
        std::string& list = type == 1 ? users : groups;
        list += (list.empty() ? "" : ", ") + name;
    }
    std::string text = users.empty() ? "" : "Only users " + users;
    if (!groups.empty()) text += (text.empty() ? "Only members of " : "; members of ") + groups;
    return text;
}

}  // namespace

frmProperties::frmProperties(clsDBRoutines& database, Variant variant, LaunchRoutine launchProgram, QWidget* parent)
    : QDialog(parent), database_(database), variant_(variant), launchProgram_(std::move(launchProgram)) {
    setObjectName("frmProperties");
    setWindowTitle("Properties");
    Image1 = makeLabel("Image1", "", this);
    Image1->setFixedSize(48, 48);
    Image1->setAlignment(Qt::AlignCenter);
    lblProgramName = new ElidedLabel("Program Name", this);
    lblProgramName->setObjectName("lblProgramName");
    QFont bold = lblProgramName->font();
    bold.setBold(true);
    // A font sized in pixels has no point size (-1): scale whichever it has.
    if (bold.pointSizeF() > 0)
        bold.setPointSizeF(bold.pointSizeF() * 1.2);
    else if (bold.pixelSize() > 0)
        bold.setPixelSize(bold.pixelSize() * 6 / 5);
    lblProgramName->setFont(bold);
    Label1 = makeLabel("Label1", "Date Added:", this);
    lblDateAdded = makeLabel("lblDateAdded", "DateAdded", this);
    Label2 = makeLabel("Label2", "Program Path:", this);
    // A path cannot wrap between words it does not have: it is cut instead.
    lblProgramPath = new ElidedLabel("Program Path", this);
    lblProgramPath->setObjectName("lblProgramPath");
    lblProgramPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, [this] { close(); });

    auto* header = new QHBoxLayout;
    header->addWidget(Image1);
    header->addWidget(lblProgramName, 1);
    auto* details = new QGridLayout;
    details->addWidget(Label1, 0, 0);
    details->addWidget(lblDateAdded, 0, 1);
    details->addWidget(Label2, 1, 0, Qt::AlignTop);
    details->addWidget(lblProgramPath, 1, 1);
    details->setColumnStretch(1, 1);
    if (variant_ == Variant::Administration) {
        lblAccess = makeLabel("lblAccess", "Everyone", this);
        lblAccess->setWordWrap(true);
        details->addWidget(makeLabel("Label3", "Who may see it:", this), 2, 0, Qt::AlignTop);
        details->addWidget(lblAccess, 2, 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    if (variant_ == Variant::Launcher) {
        cmdLaunch = new QPushButton("Launch", this);
        cmdLaunch->setObjectName("cmdLaunch");
        connect(cmdLaunch, &QPushButton::clicked, this, [this] { guarded([&] { onLaunch(); }); });
        buttons->addWidget(cmdLaunch);
    }
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addLayout(details);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(420, 200);
}

void frmProperties::refuse(const std::string& text, const std::string& title, MessageIcon icon) {
    dialogs().messageBox(text, title, icon, MessageButtons::OK);
    refused_ = true;
    close();
}

void frmProperties::setProgram(const std::string& name, std::int64_t key) {
    refused_ = false;
    // Each showing is a fresh load of the window.
    if (variant_ == Variant::Administration && loadStep_) loadStep_(*this);
    setWindowTitle("Properties");
    Image1->clear();
    lblProgramName->setFullText("Program Name");
    lblDateAdded->setText("DateAdded");
    lblProgramPath->setFullText("Program Path");

    const std::string trimmed = trimBlanks(name);
    if (trimmed.empty()) {
        refuse("Invalid Program Name", "Error", MessageIcon::Information);
        return;
    }
    program_ = trimmed;

    auto records = key != 0 ? database_.loadPropertiesByKey(key) : database_.loadProperties(program_);
    Recordset& properties = requireRecords(records);
    if (properties.RecordCount() > 0) {
        properties.MoveFirst();
        const auto shown = [this](const std::string& text) {
            const QString name = QString::fromStdString(text);
            return variant_ == Variant::Administration ? DisplayName::revealed(name) : DisplayName::neutral(name);
        };
        setWindowTitle("Showing Properties For : " + DisplayName::isolated(shown(program_)));
        lblProgramName->setFullText(shown(fieldText(properties, "ProgramName")));
        lblDateAdded->setText(dateText(properties));
        lblProgramPath->setFullText(shown(fieldText(properties, "ProgramPath")));
        if (lblAccess && key != 0) lblAccess->setText(QString::fromStdString(grantText(database_.grantsOf(key))));
        if (key != 0) {
            // The row's own picture: its name may be carried by another row too.
            const ::portico::Variant& icon = properties.Fields("ProgramIcon").Value();
            QImage picture =
                icon.type() == ::portico::Variant::Type::Bytes
                    ? tryLoadPictureData(std::string_view(reinterpret_cast<const char*>(icon.bytes().data()),
                                                          icon.bytes().size()))
                    : QImage();
            // A row stored without a picture shows the default icon, as the list does.
            const bool stored = icon.type() == ::portico::Variant::Type::Bytes && !icon.bytes().empty();
            if (picture.isNull() && !stored && !database_.DefaultIconPath().empty())
                picture = tryLoadPicture(database_.DefaultIconPath(), SafeFile::Links::Follow);
            if (!picture.isNull())
                Image1->setPixmap(QPixmap::fromImage(picture).scaled(Image1->size(), Qt::KeepAspectRatio,
                                                                     Qt::SmoothTransformation));
        } else if (database_.GetProgramImage(fieldText(properties, "ProgramName"))) {
            // A file that holds no picture leaves the picture empty; the rest still shows.
            const QImage picture = tryLoadPicture(database_.programImageFile().string());
            if (!picture.isNull())
                Image1->setPixmap(QPixmap::fromImage(picture).scaled(Image1->size(), Qt::KeepAspectRatio,
                                                                     Qt::SmoothTransformation));
        }
        properties.Close();
        return;
    }
    properties.Close();
    refuse("No Properties Found For : " + program_, "Closing Property Window",
           MessageIcon::Critical);
}

bool frmProperties::showModal() {
    if (refused_) return false;
    exec();
    return true;
}

void frmProperties::onLaunch() {
    if (launchProgram_) launchProgram_(trimBlanks(program_));
    close();
}

}  // namespace portico
