// The list model of the main window: shows the rows of the FileList in place (no copies), with
// a check box per row in column 0, the column captions and alignment.
#pragma once

#include <QAbstractTableModel>

#include "filelist/FileList.h"

namespace tagmora {

class MainListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit MainListModel(FileList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Only the check state of column 0 can be set: it writes FileRow::Checked.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Between BeginChange and EndChange the core may change the rows: the model is inside a
    // reset and shows no rows, so the view reads nothing that is being changed. Nests.
    void BeginChange();
    void EndChange();
    bool Changing() const { return changing_ > 0 && !paused_; }
    // Pause shows the rows as they are now although the change goes on (while a box is shown over
    // the list); Resume goes back into the change, which reads them all again at its end.
    void Pause();
    void Resume();

private:
    FileList& list_;
    int changing_ = 0;
    bool paused_ = false;
};

}  // namespace tagmora
