// The worksheet model of the workbook engine: rows indexed by number over the parsed sheet XML,
// cells set in place (style kept), outline levels, comments with their drawing, and hyperlinks.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/Text.h"
#include "export/XlsxWorkbook.h"

namespace tagmora::xlsx {
namespace {

// The children of a worksheet in the order the format prescribes.
// clang-format off
constexpr std::string_view kSheetOrder[] = {
    "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr", "sheetProtection",
    "protectedRanges", "scenarios", "autoFilter", "sortState", "dataConsolidate", "customSheetViews", "mergeCells",
    "phoneticPr", "conditionalFormatting", "dataValidations", "hyperlinks", "printOptions", "pageMargins",
    "pageSetup", "headerFooter", "rowBreaks", "colBreaks", "customProperties", "cellWatches", "ignoredErrors",
    "smartTags", "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF", "picture", "oleObjects", "controls",
    "webPublishItems", "tableParts", "extLst"};
// clang-format on

int OrderOf(std::string_view local) {
    for (std::size_t i = 0; i < std::size(kSheetOrder); ++i)
        if (kSheetOrder[i] == local) return static_cast<int>(i);
    return -1;
}

int ColumnOf(pugi::xml_node cell) {
    int row = 0, column = 0;
    return ParseCell(cell.attribute("r").value(), row, column) ? column : 0;
}

// The key of a cell in the sheet's hyperlink index.
std::int64_t CellKey(int row, int column) { return static_cast<std::int64_t>(row) * (kMaxColumn + 1) + column; }

constexpr const char* kCommentsType = "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml";
constexpr const char* kVmlType = "application/vnd.openxmlformats-officedocument.vmlDrawing";

// The drawing's namespaces, declared again on every element the engine adds, so that the element
// reads the same in a drawing whose root declares other prefixes (or none).
#define TAGMORA_VML_NAMESPACES                                                                        \
    " xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\" " \
    "xmlns:x=\"urn:schemas-microsoft-com:office:excel\""

constexpr const char* kVmlShapeType =
    "<v:shapetype" TAGMORA_VML_NAMESPACES
    " id=\"_x0000_t202\" coordsize=\"21600,21600\" o:spt=\"202\" path=\"m,l,21600r21600,l21600,xe\">"
    "<v:stroke joinstyle=\"miter\"/><v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/></v:shapetype>";

}  // namespace

struct SheetModel::Data {
    XmlPart Xml;
    pugi::xml_node SheetData;
    std::map<int, pugi::xml_node> Rows;
    int MaxOutline = 0;
    CellRange Changed{kMaxRow + 1, kMaxColumn + 1, 0, 0};
    Relationships Rels;
    // Comments: the part (when there is one) and its comments by (row, column).
    XmlPart Comments;
    bool HasComments = false;
    std::map<std::pair<int, int>, pugi::xml_node> CommentByCell;
    // The comment drawing: the part and its text once read.
    std::string VmlPart;
    std::string Vml;
    bool VmlDirty = false;
    // Once a link has been added: the hyperlinks element, the links added (written as text when
    // the sheet is stored; a replaced one keeps an empty id), every link by cell (the element's own
    // or an added one), the relationship type of a link and the name of a link's relationship id
    // attribute ("r:id").
    struct AddedLink {
        int Row;
        int Column;
        std::string Id;
    };
    struct LinkPlace {
        pugi::xml_node Node;
        std::size_t Added = 0;  // when there is no node
    };
    pugi::xml_node Links;
    std::vector<AddedLink> AddedLinks;
    std::unordered_map<std::int64_t, LinkPlace> LinkByCell;
    std::string LinkType;
    std::string LinkIdName;
};

SheetModel::SheetModel(BookModel& book, pugi::xml_node sheetNode, std::string part)
    : book_(book), sheetNode_(sheetNode), part_(std::move(part)) {}

SheetModel::~SheetModel() = default;

void SheetModel::Refuse(const std::string& reason, const std::string& english) const {
    throw SpreadsheetError(reason, english);
}

SheetModel::Data& SheetModel::Loaded() const {
    book_.CheckOpen();
    if (data_) return *data_;
    auto data = std::make_unique<Data>();
    try {
        data->Xml.Load(book_.Pkg(), part_);
        data->SheetData = data->Xml.Child(data->Xml.Root(), "sheetData");
        if (!data->SheetData) Refuse("в листе нет данных (sheetData)", "the sheet has no data (sheetData)");
        // Index the rows; rows and cells without a number get the one their place gives them.
        int lastRow = 0;
        const std::string rowName = data->Xml.Qualified("row");
        const std::string cellName = data->Xml.Qualified("c");
        for (pugi::xml_node row = data->SheetData.child(rowName.c_str()); row;
             row = row.next_sibling(rowName.c_str())) {
            pugi::xml_attribute r = row.attribute("r");
            int number = r ? r.as_int() : lastRow + 1;
            if (number <= lastRow || number > kMaxRow)
                Refuse("строки листа не по порядку", "the rows of the sheet are out of order");
            if (!r) row.append_attribute("r") = number;
            lastRow = number;
            data->Rows.emplace_hint(data->Rows.end(), number, row);
            data->MaxOutline = std::max(data->MaxOutline, row.attribute("outlineLevel").as_int());
            int lastColumn = 0;
            for (pugi::xml_node cell = row.child(cellName.c_str()); cell; cell = cell.next_sibling(cellName.c_str())) {
                if (cell.attribute("r")) {
                    lastColumn = ColumnOf(cell);
                } else {
                    cell.append_attribute("r") = CellAddress(number, ++lastColumn).c_str();
                }
            }
        }
        data->Rels.Load(book_.Pkg(), part_);
        LoadComments(*data);
    } catch (const SpreadsheetError& e) {
        throw SpreadsheetError(
            "Не удалось прочитать лист «" + Name() + "»: ", "cannot read the sheet \"" + Name() + "\": ", e);
    }
    data_ = std::move(data);
    return *data_;
}

void SheetModel::LoadComments(Data& data) const {
    pugi::xml_node legacy = data.Xml.Child(data.Xml.Root(), "legacyDrawing");
    if (legacy) {
        if (const Relationship* rel = data.Rels.ById(RelIdOf(legacy)); rel != nullptr && !rel->External)
            data.VmlPart = data.Rels.PartOf(*rel);
    }
    const Relationship* rel = data.Rels.ByType("comments");
    if (rel == nullptr || rel->External || !book_.Pkg().Has(data.Rels.PartOf(*rel))) return;
    data.Comments.Load(book_.Pkg(), data.Rels.PartOf(*rel));
    data.HasComments = true;
    pugi::xml_node list = data.Comments.Child(data.Comments.Root(), "commentList");
    for (pugi::xml_node comment : list.children()) {
        int row = 0, column = 0;
        if (LocalName(comment) == "comment" && ParseCell(comment.attribute("ref").value(), row, column))
            data.CommentByCell.emplace(std::make_pair(row, column), comment);
    }
}

std::string SheetModel::Name() const { return sheetNode_.attribute("name").value(); }

void SheetModel::SetName(const std::string& name) {
    book_.CheckOpen();
    book_.CheckName(*this, name);
    if (!sheetNode_.attribute("name")) sheetNode_.append_attribute("name");
    sheetNode_.attribute("name").set_value(name.c_str());
    book_.SheetListChanged();
}

pugi::xml_node SheetModel::Row(int row, bool create) {
    Data& data = Loaded();
    auto it = data.Rows.lower_bound(row);
    if (it != data.Rows.end() && it->first == row) return it->second;
    if (!create) return {};
    const std::string name = data.Xml.Qualified("row");
    pugi::xml_node node = it == data.Rows.end() ? data.SheetData.append_child(name.c_str())
                                                : data.SheetData.insert_child_before(name.c_str(), it->second);
    node.append_attribute("r") = row;
    data.Rows.emplace_hint(it, row, node);
    data.Xml.Dirty = true;
    return node;
}

pugi::xml_node SheetModel::Cell(int row, int column, bool create) {
    pugi::xml_node rowNode = create ? Row(row, true) : Row(row, false);
    if (!rowNode) return {};
    Data& data = *data_;
    const std::string name = data.Xml.Qualified("c");
    // From the end: appending is the common case.
    pugi::xml_node after;
    for (pugi::xml_node cell = rowNode.last_child(); cell; cell = cell.previous_sibling()) {
        if (cell.name() != name) continue;
        const int at = ColumnOf(cell);
        if (at == column) return cell;
        if (at < column) {
            after = cell;
            break;
        }
    }
    if (!create) return {};
    pugi::xml_node cell;
    if (after) {
        cell = rowNode.insert_child_after(name.c_str(), after);
    } else if (pugi::xml_node first = rowNode.child(name.c_str())) {
        cell = rowNode.insert_child_before(name.c_str(), first);
    } else {
        // Before the row's extLst, if any.
        pugi::xml_node ext = data.Xml.Child(rowNode, "extLst");
        cell = ext ? rowNode.insert_child_before(name.c_str(), ext) : rowNode.append_child(name.c_str());
    }
    cell.append_attribute("r") = CellAddress(row, column).c_str();
    rowNode.remove_attribute("spans");
    data.Xml.Dirty = true;
    return cell;
}

std::string SheetModel::CellValue(int row, int column) const {
    const_cast<SheetModel*>(this)->Loaded();
    pugi::xml_node cell = const_cast<SheetModel*>(this)->Cell(row, column, false);
    if (!cell) return {};
    const std::string_view type = cell.attribute("t").value();
    const Data& data = *data_;
    if (type == "inlineStr") return UnescapeCellText(RunText(data.Xml.Child(cell, "is")));
    const char* v = data.Xml.Child(cell, "v").text().get();
    if (type == "s") {
        char* end = nullptr;
        const unsigned long index = std::strtoul(v, &end, 10);
        return end != v ? book_.SharedString(index) : std::string();
    }
    if (type == "b") return std::string_view(v) == "1" ? "TRUE" : (*v != '\0' ? "FALSE" : "");
    if (type == "str") return UnescapeCellText(v);
    return v;
}

void SheetModel::SetText(int row, int column, const std::string& value) {
    // An empty text leaves the cell blank: an existing cell keeps only its place and style.
    pugi::xml_node cell = Cell(row, column, !value.empty());
    if (!cell) return;
    Data& data = *data_;
    std::string sharedIndex;  // of a shared formula whose master this cell was
    for (pugi::xml_node child = cell.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        const std::string_view local = LocalName(child);
        if (local == "f") {
            book_.DropCalcChain();
            if (std::string_view(child.attribute("t").value()) == "shared" && child.attribute("ref"))
                sharedIndex = child.attribute("si").value();
        }
        if (local != "extLst") cell.remove_child(child);
        child = next;
    }
    if (!sharedIndex.empty()) DropSharedFormula(sharedIndex);
    cell.remove_attribute("cm");
    cell.remove_attribute("vm");
    data.Xml.Dirty = true;
    if (value.empty()) {
        cell.remove_attribute("t");
        return;
    }
    if (pugi::xml_attribute t = cell.attribute("t")) {
        t.set_value("inlineStr");
    } else {
        cell.append_attribute("t") = "inlineStr";
    }
    pugi::xml_node ext = data.Xml.Child(cell, "extLst");
    const std::string isName = data.Xml.Qualified("is");
    pugi::xml_node is = ext ? cell.insert_child_before(isName.c_str(), ext) : cell.append_child(isName.c_str());
    pugi::xml_node t = is.append_child(data.Xml.Qualified("t").c_str());
    const std::string stored = EscapeCellText(CutToCell(value));
    if (NeedsSpacePreserve(stored)) t.append_attribute("xml:space") = "preserve";
    t.append_child(pugi::node_pcdata).set_value(stored.c_str());
    CellRange& changed = data.Changed;
    changed = {std::min(changed.FirstRow, row), std::min(changed.FirstColumn, column), std::max(changed.LastRow, row),
               std::max(changed.LastColumn, column)};
}

void SheetModel::DropSharedFormula(const std::string& sharedIndex) {
    // The cells that shared the master's formula keep their last values; their formula went with
    // the master, which alone held its text.
    Data& data = *data_;
    const std::string fName = data.Xml.Qualified("f");
    for (const auto& [number, row] : data.Rows) {
        for (pugi::xml_node cell : row.children()) {
            pugi::xml_node f = cell.child(fName.c_str());
            if (f && std::string_view(f.attribute("t").value()) == "shared" && sharedIndex == f.attribute("si").value())
                cell.remove_child(f);
        }
    }
}

void SheetModel::SetCellValue(int row, int column, const std::string& value) {
    if (row < 1 || row > kMaxRow || column < 1 || column > kMaxColumn)
        Refuse("Ячейка (" + std::to_string(row) + ", " + std::to_string(column) + ") вне листа",
               "the cell (" + std::to_string(row) + ", " + std::to_string(column) + ") is outside the sheet");
    Loaded();
    SetText(row, column, value);
}

pugi::xml_node SheetModel::InsertInOrder(std::string_view local) {
    Data& data = Loaded();
    pugi::xml_node root = data.Xml.Root();
    const int order = OrderOf(local);
    const std::string name = data.Xml.Qualified(local);
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        if (OrderOf(LocalName(child)) > order) return root.insert_child_before(name.c_str(), child);
    }
    return root.append_child(name.c_str());
}

void SheetModel::GroupRows(const std::string& address) {
    CellRange range;
    if (!ParseRange(address, range)) Refuse("Неверный адрес диапазона: " + address, "a bad range address: " + address);
    Data& data = Loaded();
    for (int row = range.FirstRow; row <= range.LastRow; ++row) {
        pugi::xml_node node = Row(row, true);
        pugi::xml_attribute level = node.attribute("outlineLevel");
        const int deeper = std::min(7, level.as_int() + 1);
        if (!level) level = node.append_attribute("outlineLevel");
        level.set_value(deeper);
        data.MaxOutline = std::max(data.MaxOutline, deeper);
    }
    pugi::xml_node format = data.Xml.Child(data.Xml.Root(), "sheetFormatPr");
    if (!format) {
        format = InsertInOrder("sheetFormatPr");
        format.append_attribute("defaultRowHeight") = "15";
    }
    pugi::xml_attribute outline = format.attribute("outlineLevelRow");
    if (!outline) outline = format.append_attribute("outlineLevelRow");
    outline.set_value(std::max(outline.as_int(), data.MaxOutline));
    data.Xml.Dirty = true;
}

std::optional<std::string> SheetModel::CommentText(const std::string& address) const {
    CellRange range;
    if (!ParseRange(address, range)) Refuse("Неверный адрес диапазона: " + address, "a bad range address: " + address);
    const Data& data = Loaded();
    const auto found = data.CommentByCell.find({range.FirstRow, range.FirstColumn});
    if (found == data.CommentByCell.end()) return std::nullopt;
    return UnescapeCellText(RunText(data.Comments.Child(found->second, "text")));
}

void SheetModel::MakeComments(Data& data) {
    // A comments relationship whose part is missing goes; the new part takes its place.
    if (const Relationship* stale = data.Rels.ByType("comments")) data.Rels.Remove(std::string(stale->Id));
    const std::string part = book_.FreePartName("xl/comments", ".xml");
    data.Comments.LoadText(part, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                             "<comments xmlns=\"") +
                                     kMainNs +
                                     "\"><authors><author>Tagmora</author></authors><commentList/></comments>");
    data.Comments.Dirty = true;
    data.HasComments = true;
    book_.Pkg().Put(part, std::string());  // reserves the name
    data.Rels.Add(book_.RelType("comments"), RelativeTarget(part_, part), false);
    book_.Types().AddOverride(part, kCommentsType);
}

void SheetModel::AddCommentShape(Data& data, int row, int column) {
    if (data.VmlPart.empty() || !book_.Pkg().Has(data.VmlPart)) {
        data.VmlPart = book_.FreePartName("xl/drawings/vmlDrawing", ".vml");
        // The drawing's shape block is the number in its name ("vmlDrawing2.vml": 2).
        const auto dot = data.VmlPart.rfind('.');
        auto start = dot;
        while (start > 0 && data.VmlPart[start - 1] >= '0' && data.VmlPart[start - 1] <= '9') --start;
        const std::string block = data.VmlPart.substr(start, dot - start);
        data.Vml =
            "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
            "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">"
            "<o:shapelayout v:ext=\"edit\"><o:idmap v:ext=\"edit\" data=\"" +
            block + "\"/></o:shapelayout>" + kVmlShapeType + "</xml>";
        book_.Pkg().Put(data.VmlPart, std::string());  // reserves the name
        book_.Types().AddDefault("vml", kVmlType);
        const std::string id = data.Rels.Add(book_.RelType("vmlDrawing"), RelativeTarget(part_, data.VmlPart), false);
        if (pugi::xml_node stale = data.Xml.Child(data.Xml.Root(), "legacyDrawing"))
            data.Xml.Root().remove_child(stale);
        pugi::xml_node legacy = InsertInOrder("legacyDrawing");
        legacy.append_attribute((data.Xml.RelPrefix(book_.RelNs()) + "id").c_str()) = id.c_str();
        data.Xml.Dirty = true;
    } else if (!data.VmlDirty) {
        data.Vml = book_.Pkg().Read(data.VmlPart);
    }
    // The next shape number: one past the highest in the drawing, or the first of its block.
    long next = 0;
    for (auto pos = data.Vml.find("_x0000_s"); pos != std::string::npos; pos = data.Vml.find("_x0000_s", pos + 1))
        next = std::max(next, std::strtol(data.Vml.c_str() + pos + 8, nullptr, 10) + 1);
    if (next == 0) {
        const auto idmap = data.Vml.find("data=\"", data.Vml.find("o:idmap"));
        const long block = idmap == std::string::npos ? 1 : std::strtol(data.Vml.c_str() + idmap + 6, nullptr, 10);
        next = std::max(1L, block) * 1024 + 1;
    }
    const int top = std::max(0, row - 2);
    std::string shape;
    if (data.Vml.find("_x0000_t202") == std::string::npos) shape += kVmlShapeType;
    shape += "<v:shape" TAGMORA_VML_NAMESPACES " id=\"_x0000_s" + std::to_string(next) +
             "\" type=\"#_x0000_t202\" style=\"position:absolute;margin-left:59.25pt;margin-top:1.5pt;width:108pt;"
             "height:59.25pt;z-index:1;visibility:hidden\" fillcolor=\"#ffffe1\" o:insetmode=\"auto\">"
             "<v:fill color2=\"#ffffe1\"/><v:shadow on=\"t\" color=\"black\" obscured=\"t\"/>"
             "<v:path o:connecttype=\"none\"/><v:textbox style=\"mso-direction-alt:auto\">"
             "<div style=\"text-align:left\"></div></v:textbox>"
             "<x:ClientData ObjectType=\"Note\"><x:MoveWithCells/><x:SizeWithCells/><x:Anchor>" +
             std::to_string(column) + ", 15, " + std::to_string(top) + ", 10, " + std::to_string(column + 2) +
             ", 15, " + std::to_string(top + 4) + ", 4</x:Anchor><x:AutoFill>False</x:AutoFill><x:Row>" +
             std::to_string(row - 1) + "</x:Row><x:Column>" + std::to_string(column - 1) +
             "</x:Column></x:ClientData></v:shape>";
    const auto end = data.Vml.rfind("</xml>");
    if (end == std::string::npos)
        Refuse("Не удалось добавить примечание: рисунок примечаний листа повреждён",
               "cannot add a comment: the comments drawing of the sheet is damaged");
    data.Vml.insert(end, shape);
    data.VmlDirty = true;
}

void SheetModel::AddComment(const std::string& address) {
    CellRange range;
    if (!ParseRange(address, range)) Refuse("Неверный адрес диапазона: " + address, "a bad range address: " + address);
    Data& data = Loaded();
    const auto key = std::make_pair(range.FirstRow, range.FirstColumn);
    if (data.CommentByCell.count(key) != 0)
        Refuse("У ячейки " + CellAddress(key.first, key.second) + " уже есть примечание",
               "the cell " + CellAddress(key.first, key.second) + " has a comment already");
    if (!data.HasComments) MakeComments(data);
    XmlPart& comments = data.Comments;
    pugi::xml_node root = comments.Root();
    pugi::xml_node authors = comments.Child(root, "authors");
    if (!authors) authors = root.prepend_child(comments.Qualified("authors").c_str());
    if (!comments.Child(authors, "author")) authors.append_child(comments.Qualified("author").c_str()).text() = "";
    pugi::xml_node list = comments.Child(root, "commentList");
    if (!list) list = root.insert_child_after(comments.Qualified("commentList").c_str(), authors);
    pugi::xml_node comment = list.append_child(comments.Qualified("comment").c_str());
    comment.append_attribute("ref") = CellAddress(key.first, key.second).c_str();
    comment.append_attribute("authorId") = 0;
    pugi::xml_node run =
        comment.append_child(comments.Qualified("text").c_str()).append_child(comments.Qualified("r").c_str());
    run.append_child(comments.Qualified("t").c_str());
    AddCommentShape(data, key.first, key.second);
    data.CommentByCell.emplace(key, comment);
    comments.Dirty = true;
}

void SheetModel::SetCommentText(const std::string& address, const std::string& text) {
    CellRange range;
    if (!ParseRange(address, range)) Refuse("Неверный адрес диапазона: " + address, "a bad range address: " + address);
    Data& data = Loaded();
    const auto found = data.CommentByCell.find({range.FirstRow, range.FirstColumn});
    if (found == data.CommentByCell.end())
        Refuse("У ячейки " + CellAddress(range.FirstRow, range.FirstColumn) + " нет примечания",
               "the cell " + CellAddress(range.FirstRow, range.FirstColumn) + " has no comment");
    XmlPart& comments = data.Comments;
    pugi::xml_node textNode = comments.Child(found->second, "text");
    if (!textNode) textNode = found->second.append_child(comments.Qualified("text").c_str());
    while (textNode.first_child()) textNode.remove_child(textNode.first_child());
    pugi::xml_node t =
        textNode.append_child(comments.Qualified("r").c_str()).append_child(comments.Qualified("t").c_str());
    const std::string stored = EscapeCellText(text);
    if (NeedsSpacePreserve(stored)) t.append_attribute("xml:space") = "preserve";
    t.append_child(pugi::node_pcdata).set_value(stored.c_str());
    comments.Dirty = true;
}

void SheetModel::AddHyperlink(int row, int column, const std::string& address, const std::string& textToDisplay) {
    SetCellValue(row, column, textToDisplay.empty() ? address : textToDisplay);
    Data& data = *data_;
    if (!data.Links) {
        data.Links = data.Xml.Child(data.Xml.Root(), "hyperlinks");
        if (!data.Links) data.Links = InsertInOrder("hyperlinks");
        for (pugi::xml_node link : data.Links.children()) {
            int r = 0, c = 0;
            if (ParseCell(link.attribute("ref").value(), r, c))
                data.LinkByCell.try_emplace(CellKey(r, c), Data::LinkPlace{link});
        }
        data.Xml.MarkRawPlace(data.Links);
        data.LinkType = book_.RelType("hyperlink");
        data.LinkIdName = data.Xml.RelPrefix(book_.RelNs()) + "id";
    }
    const auto [found, added] = data.LinkByCell.try_emplace(CellKey(row, column));
    if (!added) {
        // The old link's target goes with it.
        Data::LinkPlace& old = found->second;
        if (old.Node) {
            if (const std::string oldId = RelIdOf(old.Node); !oldId.empty()) data.Rels.Remove(oldId);
            data.Links.remove_child(old.Node);
        } else {
            data.Rels.Remove(data.AddedLinks[old.Added].Id);
            data.AddedLinks[old.Added].Id.clear();
        }
    }
    found->second = {pugi::xml_node(), data.AddedLinks.size()};
    data.AddedLinks.push_back({row, column, data.Rels.AddExternal(data.LinkType, LinkTarget(address))});
    data.Xml.Dirty = true;
}

void SheetModel::Deselect() {
    Data& data = Loaded();
    pugi::xml_node views = data.Xml.Child(data.Xml.Root(), "sheetViews");
    for (pugi::xml_node view : views.children()) {
        if (LocalName(view) == "sheetView" && view.attribute("tabSelected")) {
            view.remove_attribute("tabSelected");
            data.Xml.Dirty = true;
        }
    }
}

void SheetModel::Store(Package& package) {
    if (!data_) return;
    Data& data = *data_;
    if (data.Xml.Dirty && data.Changed.LastRow > 0) {
        // The dimension covers the cells set.
        if (pugi::xml_node dimension = data.Xml.Child(data.Xml.Root(), "dimension")) {
            CellRange range = data.Changed;
            CellRange old;
            if (ParseRange(dimension.attribute("ref").value(), old) && old.LastColumn < kMaxColumn)
                range = {std::min(range.FirstRow, old.FirstRow), std::min(range.FirstColumn, old.FirstColumn),
                         std::max(range.LastRow, old.LastRow), std::max(range.LastColumn, old.LastColumn)};
            std::string ref = CellAddress(range.FirstRow, range.FirstColumn);
            if (range.LastRow != range.FirstRow || range.LastColumn != range.FirstColumn)
                ref += ":" + CellAddress(range.LastRow, range.LastColumn);
            if (!dimension.attribute("ref")) dimension.append_attribute("ref");
            dimension.attribute("ref").set_value(ref.c_str());
        }
    }
    const std::string link = "<" + data.Xml.Qualified("hyperlink") + " ref=\"";
    const std::string id = "\" " + data.LinkIdName + "=\"";
    data.Xml.Store(package, [&](std::string& out) {
        out.reserve(out.size() + data.AddedLinks.size() * (link.size() + id.size() + 16));
        for (const Data::AddedLink& added : data.AddedLinks) {
            if (added.Id.empty()) continue;
            out += link;
            out += CellAddress(added.Row, added.Column);
            out += id;
            out += added.Id;
            out += "\"/>";
        }
    });
    data.Rels.Store(package);
    data.Comments.Store(package);
    if (data.VmlDirty) {
        package.Put(data.VmlPart, data.Vml);
        data.VmlDirty = false;
    }
}

}  // namespace tagmora::xlsx
