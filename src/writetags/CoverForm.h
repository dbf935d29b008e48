// TCoverForm: the cover dialog of one file (the window's current row): its front cover scaled to fit
// or "Нет обложки", the picture's MIME type, pixel size and size in bytes, and the buttons that save
// it as a picture file, replace it, or remove every picture of the tag. Also the picture chooser
// that the batch tag dialog's cover field shares.
#pragma once

#include <functional>
#include <string>

#include <QDialog>

#include "tags/Id3v2Edit.h"
#include "tags/Pictures.h"

class QLabel;
class QPushButton;

namespace tagmora {

class Host;

// Asks for a JPEG or PNG picture file ("Картинки (*.jpg *.jpeg *.png)"), starting in `folder`: its
// path, "" when cancelled.
std::string ChoosePictureFile(QWidget* parent, const std::string& folder);
// Asks where to save a cover, `suggested` being the path offered: the path, "" when cancelled. The
// chooser itself asks before a file is replaced.
std::string ChooseCoverSavePath(QWidget* parent, const std::string& suggested);

// Changes the file's cover (CoverEdit::Set from `picture`, or CoverEdit::RemoveAll) and reads its
// row again, as the window runs commands: true when the file was written.
using CoverChange = std::function<bool(CoverEdit edit, const std::string& picture)>;

class TCoverForm : public QDialog {
    Q_OBJECT
public:
    // The largest the picture is shown, in pixels each way.
    static constexpr int kImageSide = 300;

    // Reads the front cover of `path` and shows it. Boxes (a failed save) go to `host`.
    TCoverForm(std::string path, CoverChange change, Host& host, QWidget* parent = nullptr);

    // Reads the file's pictures again and shows them: the picture or "Нет обложки", the facts,
    // "Сохранить как..." enabled with a front cover, "Удалить" with any picture.
    void ShowCover();

    // "Сохранить как...": the front cover saved as a file chosen (next to the MP3 file, named after
    // it, with the picture's extension); a failure is told in the file-error box.
    void SaveAsClick();
    // "Заменить...": a picture file chosen becomes the front cover.
    void ReplaceClick();
    // "Удалить": every picture of the tag removed.
    void DeleteClick();

    // The choosers, ChoosePictureFile and ChooseCoverSavePath unless a test puts in its own.
    std::function<std::string(QWidget* parent, const std::string& folder)> ChoosePicture;
    std::function<std::string(QWidget* parent, const std::string& suggested)> ChooseSavePath;

private:
    void Change(CoverEdit edit, const std::string& picture);

    std::string path_;
    CoverChange change_;
    Host& host_;
    TagPictures pictures_;

    QLabel* ImageCover;
    QLabel* LabelMime;
    QLabel* LabelPixels;
    QLabel* LabelBytes;
    QPushButton* BtnSaveAs;
    QPushButton* BtnReplace;
    QPushButton* BtnDelete;
    QPushButton* BtnClose;
};

// Shows TCoverForm modally over `parent` until "Закрыть" (or Escape).
void ShowCoverForm(QWidget* parent, const std::string& path, const CoverChange& change, Host& host);

}  // namespace tagmora
