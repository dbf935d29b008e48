// The workbook model of the workbook engine: the sheets of the workbook part, the active sheet,
// adding sheets, sheet names, shared strings, and saving through a temporary file.
#include "export/XlsxWorkbook.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/Text.h"
#include "platform/FileIo.h"

namespace tagmora::xlsx {
namespace {

constexpr const char* kWorksheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr const char* kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// A new empty worksheet in the workbook's namespaces.
std::string EmptySheetXml(const std::string& mainNs, const std::string& relNs, bool selected) {
    return std::string(kXmlHead) + "<worksheet xmlns=\"" + mainNs + "\" xmlns:r=\"" + relNs +
           "\"><dimension ref=\"A1\"/><sheetViews><sheetView " + (selected ? "tabSelected=\"1\" " : "") +
           "workbookViewId=\"0\"/></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/><sheetData/>"
           "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
           "</worksheet>";
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string ErrnoText(int error) {
    switch (error) {
        case ENOENT: return "нет такого файла или папки";
        case EACCES:
        case EPERM: return "нет доступа";
        case ENOSPC: return "нет места на диске";
        case EDQUOT: return "превышена квота диска";
        case EROFS: return "файловая система только для чтения";
        case EISDIR: return "это папка";
        case ENOTDIR: return "часть пути не является папкой";
        case ENAMETOOLONG: return "слишком длинное имя файла";
        case EIO: return "ошибка ввода-вывода";
        case EINVAL: return "это не обычный файл";
        default: return "код ошибки " + std::to_string(error);
    }
}

// Refuses to replace a file at `path` that the user may not write: one the system does not let
// this process write, and one whose owner has no write permission (read-only), which root could.
void RefuseReadOnly(const std::string& path) {
    const fileio::PathStatus status = fileio::StatPath(path);
    if (!status.Exists()) return;  // nothing there yet, or the save says why
    if (::access(path.c_str(), W_OK) != 0) throw ErrnoError(errno);
    if ((status.Mode & 0200) == 0) throw SpreadsheetError("файл только для чтения", "the file is read-only");
}

}  // namespace

std::string RelIdOf(pugi::xml_node node) {
    for (pugi::xml_attribute a : node.attributes()) {
        const std::string_view name = a.name();
        if (name.size() > 3 && name.substr(name.size() - 3) == ":id") return a.value();
    }
    return {};
}

BookModel::BookModel(std::unique_ptr<Package> package, std::string path)
    : package_(std::move(package)), path_(std::move(path)) {
    if (!package_->Has("[Content_Types].xml"))
        throw SpreadsheetError("в файле нет книги (нет [Content_Types].xml)",
                               "the file holds no workbook (no [Content_Types].xml)");
    types_.Load(*package_);
    Relationships root;
    root.Load(*package_, "");
    std::string workbookPart;
    if (const Relationship* rel = root.ByType("officeDocument"); rel != nullptr && !rel->External)
        workbookPart = root.PartOf(*rel);
    if (workbookPart.empty() || !package_->Has(workbookPart))
        throw SpreadsheetError("в файле нет книги", "the file holds no workbook");
    workbookPart = package_->Find(workbookPart);
    workbook_.Load(*package_, workbookPart);
    if (LocalName(workbook_.Root()) != "workbook")
        throw SpreadsheetError("в файле нет книги", "the file holds no workbook");
    workbookRels_.Load(*package_, workbookPart);
    relNs_ = kRelNs;
    for (pugi::xml_attribute a : workbook_.Root().attributes())
        if (std::string_view(a.value()) == kStrictRelNs) relNs_ = kStrictRelNs;
    relTypeBase_ = relNs_ + "/";
    worksheetContentType_ = kWorksheetType;
    for (pugi::xml_node sheet : workbook_.Child(workbook_.Root(), "sheets").children()) {
        if (LocalName(sheet) != "sheet") continue;
        auto entry = std::make_unique<Entry>();
        entry->Node = sheet;
        const Relationship* rel = workbookRels_.ById(RelIdOf(sheet));
        if (rel != nullptr && !rel->External && EndsWith(rel->Type, "/worksheet")) {
            relTypeBase_ = std::string(rel->Type.substr(0, rel->Type.size() - 9));
            entry->Part = package_->Find(workbookRels_.PartOf(*rel));
            if (entry->Part.empty())
                throw SpreadsheetError(
                    "в книге нет листа «" + std::string(sheet.attribute("name").value()) + "»",
                    "the workbook lacks the sheet \"" + std::string(sheet.attribute("name").value()) + "\"");
            entry->Sheet = std::make_unique<SheetModel>(*this, sheet, entry->Part);
        }
        sheets_.push_back(std::move(entry));
    }
    if (Worksheets().empty()) throw SpreadsheetError("в книге нет ни одного листа", "the workbook has no sheet");
}

void BookModel::CheckOpen() const {
    if (closed_) throw SpreadsheetError("Книга закрыта", "the workbook is closed");
}

std::vector<BookModel::Entry*> BookModel::Worksheets() const {
    std::vector<Entry*> out;
    for (const auto& entry : sheets_)
        if (entry->Sheet) out.push_back(entry.get());
    return out;
}

int BookModel::ActiveIndex() const {
    pugi::xml_node view = workbook_.Child(workbook_.Child(workbook_.Root(), "bookViews"), "workbookView");
    const int index = view.attribute("activeTab").as_int();
    return index >= 0 && index < static_cast<int>(sheets_.size()) ? index : 0;
}

void BookModel::SetActiveIndex(int index) {
    pugi::xml_node root = workbook_.Root();
    pugi::xml_node views = workbook_.Child(root, "bookViews");
    if (!views)
        views = root.insert_child_before(workbook_.Qualified("bookViews").c_str(), workbook_.Child(root, "sheets"));
    pugi::xml_node view = workbook_.Child(views, "workbookView");
    if (!view) view = views.append_child(workbook_.Qualified("workbookView").c_str());
    if (!view.attribute("activeTab")) view.append_attribute("activeTab");
    view.attribute("activeTab").set_value(index);
    if (pugi::xml_attribute first = view.attribute("firstSheet"); first && first.as_int() > index)
        first.set_value(index);
    workbook_.Dirty = true;
}

Worksheet& BookModel::ActiveSheet() {
    CheckOpen();
    const auto& entry = sheets_[static_cast<std::size_t>(ActiveIndex())];
    if (entry->Sheet) return *entry->Sheet;
    return *Worksheets().front()->Sheet;
}

int BookModel::WorksheetCount() const {
    CheckOpen();
    return static_cast<int>(Worksheets().size());
}

Worksheet& BookModel::WorksheetItem(int index) {
    CheckOpen();
    const auto sheets = Worksheets();
    if (index < 1 || index > static_cast<int>(sheets.size()))
        throw SpreadsheetError("В книге нет листа номер " + std::to_string(index),
                               "the workbook has no sheet number " + std::to_string(index));
    return *sheets[static_cast<std::size_t>(index - 1)]->Sheet;
}

Worksheet& BookModel::SheetItem(const std::string& name) {
    CheckOpen();
    for (const auto& entry : sheets_)
        if (entry->Sheet && text::EqualsIgnoreCase(entry->Sheet->Name(), name)) return *entry->Sheet;
    throw SpreadsheetError("В книге нет листа «" + name + "»", "the workbook has no sheet \"" + name + "\"");
}

void BookModel::CheckName(const SheetModel& sheet, const std::string& name) const {
    if (name.empty()) throw SpreadsheetError("Имя листа не может быть пустым", "a sheet name cannot be empty");
    if (text::CodePointCount(name) > 31)
        throw SpreadsheetError("Имя листа «" + name + "» длиннее 31 символа",
                               "the sheet name \"" + name + "\" is longer than 31 characters");
    if (name.find_first_of("[]:*?/\\") != std::string::npos)
        throw SpreadsheetError("Имя листа «" + name + "» содержит один из знаков []:*?/\\",
                               "the sheet name \"" + name + "\" holds one of []:*?/\\");
    if (!text::IsValidUtf8(name) ||
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        throw SpreadsheetError("Имя листа содержит управляющий знак или не является текстом UTF-8",
                               "the sheet name holds a control character or is no UTF-8 text");
    if (name.front() == '\'' || name.back() == '\'')
        throw SpreadsheetError("Имя листа «" + name + "» начинается или кончается апострофом",
                               "the sheet name \"" + name + "\" starts or ends with an apostrophe");
    for (const auto& entry : sheets_) {
        if (entry->Sheet.get() == &sheet) continue;
        if (text::EqualsIgnoreCase(entry->Node.attribute("name").value(), name))
            throw SpreadsheetError("Лист с именем «" + name + "» в книге уже есть",
                                   "the workbook has a sheet named \"" + name + "\" already");
    }
}

std::string BookModel::FreePartName(const std::string& stem, const std::string& extension) {
    for (int n = 1;; ++n) {
        const std::string name = stem + std::to_string(n) + extension;
        if (!package_->Has(name)) return name;
    }
}

Worksheet& BookModel::AddSheet() {
    CheckOpen();
    const int index = ActiveIndex();
    Entry& active = *sheets_[static_cast<std::size_t>(index)];
    if (active.Sheet) {
        try {
            active.Sheet->Deselect();
        } catch (const SpreadsheetError&) {
            // A sheet that cannot be read keeps its selection mark; the new sheet is added all the same.
        }
    }
    // A free default name and the next sheet id.
    std::string name;
    for (int n = static_cast<int>(sheets_.size()) + 1;; ++n) {
        name = "Sheet" + std::to_string(n);
        bool taken = false;
        for (const auto& entry : sheets_)
            taken = taken || text::EqualsIgnoreCase(entry->Node.attribute("name").value(), name);
        if (!taken) break;
    }
    unsigned sheetId = 0;
    for (const auto& entry : sheets_) sheetId = std::max(sheetId, entry->Node.attribute("sheetId").as_uint());
    const std::string part = FreePartName("xl/worksheets/sheet", ".xml");
    const std::string mainNs =
        workbook_.Root()
            .attribute(workbook_.Prefix.empty()
                           ? "xmlns"
                           : ("xmlns:" + workbook_.Prefix.substr(0, workbook_.Prefix.size() - 1)).c_str())
            .value();
    package_->Put(part, EmptySheetXml(mainNs.empty() ? kMainNs : mainNs, relNs_, true));
    types_.AddOverride(part, worksheetContentType_);
    const std::string id = workbookRels_.Add(RelType("worksheet"), RelativeTarget(workbook_.Name, part), false);

    pugi::xml_node sheetsNode = workbook_.Child(workbook_.Root(), "sheets");
    pugi::xml_node node = sheetsNode.insert_child_before(workbook_.Qualified("sheet").c_str(), active.Node);
    node.append_attribute("name") = name.c_str();
    node.append_attribute("sheetId") = sheetId + 1;
    node.append_attribute((workbook_.RelPrefix(relNs_) + "id").c_str()) = id.c_str();
    // Sheet-local names of the sheets from here on move one place up.
    for (pugi::xml_node defined : workbook_.Child(workbook_.Root(), "definedNames").children()) {
        pugi::xml_attribute local = defined.attribute("localSheetId");
        if (local && local.as_int() >= index) local.set_value(local.as_int() + 1);
    }
    auto entry = std::make_unique<Entry>();
    entry->Node = node;
    entry->Part = part;
    entry->Sheet = std::make_unique<SheetModel>(*this, node, part);
    SheetModel& sheet = *entry->Sheet;
    sheets_.insert(sheets_.begin() + index, std::move(entry));
    SetActiveIndex(index);
    SheetListChanged();
    return sheet;
}

const std::string& BookModel::SharedString(std::size_t index) {
    if (!sharedStringsLoaded_) {
        sharedStringsLoaded_ = true;
        const Relationship* rel = workbookRels_.ByType("sharedStrings");
        if (rel != nullptr && !rel->External && package_->Has(workbookRels_.PartOf(*rel))) {
            XmlPart strings;
            strings.Load(*package_, workbookRels_.PartOf(*rel));
            for (pugi::xml_node si : strings.Root().children())
                if (LocalName(si) == "si") sharedStrings_.push_back(UnescapeCellText(RunText(si)));
        }
    }
    static const std::string kEmpty;
    return index < sharedStrings_.size() ? sharedStrings_[index] : kEmpty;
}

void BookModel::Save() {
    CheckOpen();
    if (path_.empty())
        throw SpreadsheetError("Не удалось сохранить книгу: у книги ещё нет файла",
                               "cannot save the workbook: it has no file yet");
    try {
        RefuseReadOnly(path_);
        for (const auto& entry : sheets_)
            if (entry->Sheet) entry->Sheet->Store(*package_);
        if (dropCalcChain_) {
            if (const Relationship* rel = workbookRels_.ByType("calcChain")) {
                const std::string part = workbookRels_.PartOf(*rel);
                types_.RemoveOverride(part);
                package_->Remove(part);
                workbookRels_.Remove(std::string(rel->Id));
            }
        }
        DropStaleSheetList();
        workbook_.Store(*package_);
        workbookRels_.Store(*package_);
        types_.Store(*package_);
        const std::string bytes = package_->Write();
        // A save killed half-way left its temporary file beside the book; this one clears it.
        fileio::RemoveLeftoverTemporaries(path_, fileio::kLeftoverAgeSeconds);
        const int error = fileio::ReplaceFileAtomically(
            path_, [&](int fd) { return fileio::WriteAll(fd, bytes); }, fileio::NewFileAccess::ByUmask);
        if (error != 0) throw ErrnoError(error);
    } catch (const SpreadsheetError& e) {
        throw SpreadsheetError("Не удалось сохранить книгу: ", "cannot save the workbook: ", e);
    }
}

void BookModel::DropStaleSheetList() {
    // The application properties list the sheet names ("TitlesOfParts", counted in "HeadingPairs");
    // both are optional, so a list that no longer holds goes rather than mislead.
    if (!sheetListChanged_) return;
    sheetListChanged_ = false;
    Relationships root;
    root.Load(*package_, "");
    const Relationship* rel = root.ByType("extended-properties");
    if (rel == nullptr || rel->External || !package_->Has(root.PartOf(*rel))) return;
    XmlPart app;
    try {
        app.Load(*package_, root.PartOf(*rel));
    } catch (const SpreadsheetError&) {
        return;  // not ours to repair
    }
    for (pugi::xml_node child = app.Root().first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        if (LocalName(child) == "HeadingPairs" || LocalName(child) == "TitlesOfParts") {
            app.Root().remove_child(child);
            app.Dirty = true;
        }
        child = next;
    }
    app.Store(*package_);
}

void BookModel::SaveAs(const std::string& path) {
    CheckOpen();
    const std::string old = path_;
    path_ = path;
    try {
        Save();
    } catch (...) {
        path_ = old;
        throw;
    }
}

void BookModel::Close() {
    closed_ = true;
    sheets_.clear();
    package_.reset();
}

SpreadsheetError ErrnoError(int error) { return SpreadsheetError(ErrnoText(error), std::strerror(error)); }

std::unique_ptr<Package> NewWorkbookPackage() {
    auto package = std::make_unique<Package>();
    const std::string main = kMainNs;
    const std::string rel = kRelNs;
    package->Put(
        "[Content_Types].xml",
        std::string(kXmlHead) +
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
            "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" +
            kWorksheetType +
            "\"/>"
            "<Override PartName=\"/xl/styles.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
            "</Types>");
    package->Put("_rels/.rels", std::string(kXmlHead) + "<Relationships xmlns=\"" + kPackageRelNs +
                                    "\"><Relationship Id=\"rId1\" Type=\"" + rel +
                                    "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    package->Put("xl/workbook.xml", std::string(kXmlHead) + "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel +
                                        "\"><bookViews><workbookView activeTab=\"0\"/></bookViews><sheets>"
                                        "<sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    package->Put("xl/_rels/workbook.xml.rels",
                 std::string(kXmlHead) + "<Relationships xmlns=\"" + kPackageRelNs +
                     "\"><Relationship Id=\"rId1\" Type=\"" + rel +
                     "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + rel +
                     "/styles\" Target=\"styles.xml\"/></Relationships>");
    package->Put("xl/styles.xml",
                 std::string(kXmlHead) + "<styleSheet xmlns=\"" + main +
                     "\"><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
                     "</fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill>"
                     "<patternFill patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border><left/>"
                     "<right/><top/><bottom/><diagonal/></border></borders><cellStyleXfs count=\"1\">"
                     "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
                     "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
                     "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
                     "</cellStyles></styleSheet>");
    package->Put("xl/worksheets/sheet1.xml", EmptySheetXml(main, rel, true));
    return package;
}

}  // namespace tagmora::xlsx
