// TCoverForm, ShowCoverForm and the picture choosers.
#include "writetags/CoverForm.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "common/FileHelpers.h"
#include "common/FixedSizeForm.h"
#include "common/Messages.h"
#include "common/Ports.h"
#include "writetags/CoverCommands.h"

namespace tagmora {
namespace {

const QString kPictureFilter = QStringLiteral("Картинки (*.jpg *.jpeg *.png)");
constexpr const char* kNoCover = "Нет обложки";
constexpr const char* kWhileSavingCover = " при записи файла ";

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The file name of `path` without its last extension.
std::string StemOf(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

std::string ChoosePictureFile(QWidget* parent, const std::string& folder) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Выбор картинки"), FromUtf8(folder), kPictureFilter)
        .toStdString();
}

std::string ChooseCoverSavePath(QWidget* parent, const std::string& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранение обложки"), FromUtf8(suggested),
                                        kPictureFilter)
        .toStdString();
}

TCoverForm::TCoverForm(std::string path, CoverChange change, Host& host, QWidget* parent)
    : QDialog(parent),
      ChoosePicture(ChoosePictureFile),
      ChooseSavePath(ChooseCoverSavePath),
      path_(std::move(path)),
      change_(std::move(change)),
      host_(host) {
    setObjectName(QStringLiteral("CoverForm"));
    setWindowTitle(QStringLiteral("Обложка - ") + FromUtf8(path_.substr(path_.rfind('/') + 1)));
    setWindowFlags(kFixedSizeDialogFlags);

    ImageCover = new QLabel(this);
    ImageCover->setObjectName(QStringLiteral("ImageCover"));
    ImageCover->setFixedSize(kImageSide, kImageSide);
    ImageCover->setAlignment(Qt::AlignCenter);
    ImageCover->setFrameShape(QFrame::StyledPanel);
    ImageCover->setWordWrap(true);
    const auto fact = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    LabelMime = fact("LabelMime");
    LabelPixels = fact("LabelPixels");
    LabelBytes = fact("LabelBytes");
    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("Тип:"), LabelMime);
    facts->addRow(QStringLiteral("Размер в точках:"), LabelPixels);
    facts->addRow(QStringLiteral("Размер в байтах:"), LabelBytes);

    const auto button = [this](const char* name, const char* caption) {
        auto* pushButton = new QPushButton(QString::fromUtf8(caption), this);
        pushButton->setObjectName(QString::fromLatin1(name));
        pushButton->setAutoDefault(false);
        return pushButton;
    };
    BtnSaveAs = button("BtnSaveAs", "Сохранить как...");
    BtnReplace = button("BtnReplace", "Заменить...");
    BtnDelete = button("BtnDelete", "Удалить");
    BtnClose = button("BtnClose", "Закрыть");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* each : {BtnSaveAs, BtnReplace, BtnDelete}) buttons->addWidget(each);
    buttons->addStretch(1);
    buttons->addWidget(BtnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ImageCover, 0, Qt::AlignHCenter);
    layout->addLayout(facts);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BtnSaveAs, &QPushButton::clicked, this, &TCoverForm::SaveAsClick);
    connect(BtnReplace, &QPushButton::clicked, this, &TCoverForm::ReplaceClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TCoverForm::DeleteClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::reject);
    ShowCover();
}

void TCoverForm::ShowCover() {
    pictures_ = ReadTagPictures(path_);
    const bool cover = pictures_.FrontCover.has_value();
    BtnSaveAs->setEnabled(cover);
    BtnDelete->setEnabled(pictures_.Count > 0);
    ImageCover->clear();
    if (!cover) {
        ImageCover->setText(pictures_.Result == TagRead::Failed ? FromUtf8(FileErrorText(pictures_.Error, path_))
                                                                : QString::fromUtf8(kNoCover));
        for (QLabel* label : {LabelMime, LabelPixels, LabelBytes}) label->clear();
        return;
    }
    const Picture& picture = *pictures_.FrontCover;
    LabelMime->setText(FromUtf8(picture.Mime));
    const std::optional<PixelSize> pixels = PicturePixelSize(picture.Bytes);
    LabelPixels->setText(pixels ? QStringLiteral("%1 × %2").arg(pixels->Width).arg(pixels->Height)
                                : QStringLiteral("?"));
    LabelBytes->setText(QString::number(picture.Bytes.size()));
    // A picture Qt cannot decode still has its facts shown.
    QPixmap image;
    if (image.loadFromData(reinterpret_cast<const uchar*>(picture.Bytes.data()), picture.Bytes.size())) {
        if (image.width() > kImageSide - 2 || image.height() > kImageSide - 2) {
            image = image.scaled(kImageSide - 2, kImageSide - 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        ImageCover->setPixmap(image);
    }
}

void TCoverForm::SaveAsClick() {
    if (!pictures_.FrontCover) return;
    const Picture& picture = *pictures_.FrontCover;
    const std::string suggested = FolderOfPath(path_) + StemOf(path_) + PictureExtensionOf(picture.Mime);
    const std::string target = ChooseSavePath ? ChooseSavePath(this, suggested) : std::string();
    if (target.empty()) return;
    if (const int error = SaveCoverAs(target, picture.Bytes); error != 0) {
        ShowFileError(host_, error, target, kWhileSavingCover, NoticeKind::CommandFailed);
    }
}

void TCoverForm::ReplaceClick() {
    const std::string picture = ChoosePicture ? ChoosePicture(this, FolderOfPath(path_)) : std::string();
    if (!picture.empty()) Change(CoverEdit::Set, picture);
}

void TCoverForm::DeleteClick() { Change(CoverEdit::RemoveAll, {}); }

void TCoverForm::Change(CoverEdit edit, const std::string& picture) {
    if (change_) change_(edit, picture);
    ShowCover();
}

void ShowCoverForm(QWidget* parent, const std::string& path, const CoverChange& change, Host& host) {
    TCoverForm form(path, change, host, parent);
    form.exec();
}

}  // namespace tagmora
