// The workbook model of the built-in engine: an opened (or new) .xlsx package as a Workbook, its
// worksheets as Worksheets. The workbook part, its relationships and the content types are held
// as documents; a worksheet's XML is parsed the first time the worksheet is used, and only what
// was changed is written anew when the workbook is saved (the other parts are copied raw).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "export/Spreadsheet.h"
#include "export/XlsxPackage.h"
#include "export/XlsxText.h"
#include "export/XlsxXml.h"

namespace tagmora::xlsx {

class BookModel;

// One worksheet. Its XML, relationships, comments and comment drawing are loaded on first use.
class SheetModel : public Worksheet {
public:
    SheetModel(BookModel& book, pugi::xml_node sheetNode, std::string part);
    ~SheetModel() override;

    std::string Name() const override;
    void SetName(const std::string& name) override;
    std::string CellValue(int row, int column) const override;
    void SetCellValue(int row, int column, const std::string& value) override;
    void GroupRows(const std::string& address) override;
    std::optional<std::string> CommentText(const std::string& address) const override;
    void AddComment(const std::string& address) override;
    void SetCommentText(const std::string& address, const std::string& text) override;
    void AddHyperlink(int row, int column, const std::string& address, const std::string& textToDisplay) override;

    const std::string& Part() const { return part_; }
    pugi::xml_node SheetNode() const { return sheetNode_; }
    // Clears tabSelected of the sheet's views (another sheet became the active one).
    void Deselect();
    // Puts the changed parts of the sheet into the package.
    void Store(Package& package);

private:
    struct Data;
    Data& Loaded() const;
    pugi::xml_node Row(int row, bool create);
    pugi::xml_node Cell(int row, int column, bool create);
    void SetText(int row, int column, const std::string& value);
    void DropSharedFormula(const std::string& sharedIndex);
    pugi::xml_node InsertInOrder(std::string_view local);
    void LoadComments(Data& data) const;
    void MakeComments(Data& data);
    void AddCommentShape(Data& data, int row, int column);
    [[noreturn]] void Refuse(const std::string& reason, const std::string& english) const;

    BookModel& book_;
    pugi::xml_node sheetNode_;
    std::string part_;
    mutable std::unique_ptr<Data> data_;
};

// One workbook: a package and the model of its workbook part.
class BookModel : public Workbook {
public:
    // Opens the package (throws SpreadsheetError with the reason when it is no workbook).
    BookModel(std::unique_ptr<Package> package, std::string path);

    Worksheet& ActiveSheet() override;
    int WorksheetCount() const override;
    Worksheet& WorksheetItem(int index) override;
    Worksheet& SheetItem(const std::string& name) override;
    Worksheet& AddSheet() override;
    void Save() override;
    void SaveAs(const std::string& path) override;
    void Close() override;

    bool Closed() const { return closed_; }

    // For the sheets.
    Package& Pkg() { return *package_; }
    ContentTypes& Types() { return types_; }
    // The relationship type of the kind ("comments") in the workbook's own flavour.
    std::string RelType(const std::string& kind) const { return relTypeBase_ + kind; }
    const std::string& RelNs() const { return relNs_; }
    // The shared string `index` (escapes undone); empty when there is none.
    const std::string& SharedString(std::size_t index);
    // The name of a part not in the package yet: folder + stem + N + extension, N from 1.
    std::string FreePartName(const std::string& stem, const std::string& extension);
    // Throws when `name` is not allowed for `sheet`.
    void CheckName(const SheetModel& sheet, const std::string& name) const;
    // A formula was replaced: the calculation chain goes (the programs rebuild it).
    void DropCalcChain() { dropCalcChain_ = true; }
    // A sheet was renamed or added: the workbook part changed, and the sheet list that the
    // document properties may hold is out of date.
    void SheetListChanged() {
        workbook_.Dirty = true;
        sheetListChanged_ = true;
    }
    void CheckOpen() const;

private:
    struct Entry {
        pugi::xml_node Node;
        std::string Part;  // empty for a sheet that is no worksheet
        std::unique_ptr<SheetModel> Sheet;
    };
    std::vector<Entry*> Worksheets() const;
    int ActiveIndex() const;
    void SetActiveIndex(int index);

    std::unique_ptr<Package> package_;
    std::string path_;
    ContentTypes types_;
    XmlPart workbook_;
    Relationships workbookRels_;
    std::string relTypeBase_;
    std::string relNs_;
    std::vector<std::unique_ptr<Entry>> sheets_;
    std::vector<std::string> sharedStrings_;
    bool sharedStringsLoaded_ = false;
    std::string worksheetContentType_;
    bool dropCalcChain_ = false;
    bool sheetListChanged_ = false;
    void DropStaleSheetList();
    bool closed_ = false;
};

// The value of the element's relationship id attribute ("r:id", whatever its prefix).
std::string RelIdOf(pugi::xml_node node);

// The reason of a failed file operation, in words ("нет доступа").
SpreadsheetError ErrnoError(int error);

// The package of a new workbook of one empty worksheet "Sheet1".
std::unique_ptr<Package> NewWorkbookPackage();

}  // namespace tagmora::xlsx
