// XML parts of the workbook engine on pugixml: parsing with everything kept (declaration,
// comments, white space in text), writing back in the same form, element names with the part's
// own namespace prefix, relationship lists and the content types of the package.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "export/XlsxPackage.h"

namespace tagmora::xlsx {

inline constexpr const char* kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kStrictRelNs = "http://purl.oclc.org/ooxml/officeDocument/relationships";
inline constexpr const char* kPackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";

// Writes text of its own into a part being stored, at the place marked for it.
using RawWriter = std::function<void(std::string& out)>;

// One XML part held as a document. Dirty once changed; Store puts it back into the package.
// Long runs of like elements that the engine adds (a sheet's links and their relationships) need
// not be nodes: the part marks their place once, and its owner writes them as text on storing.
struct XmlPart {
    std::string Name;
    pugi::xml_document Doc;
    std::string Prefix;  // of the root element: "" or "x:"
    bool Dirty = false;

    // Reads and parses the part. Throws SpreadsheetError naming the part when it is broken.
    void Load(Package& package, const std::string& name);
    // Parses `xml` as the part `name` (a part made by the engine).
    void LoadText(const std::string& name, std::string_view xml);
    pugi::xml_node Root() const { return Doc.document_element(); }
    // The child `local` of `parent`, in the root's namespace prefix.
    pugi::xml_node Child(pugi::xml_node parent, std::string_view local) const;
    std::string Qualified(std::string_view local) const { return Prefix + std::string(local); }
    // The prefix ("r:") under which the root declares the relationships namespace; declares "r"
    // (or a free prefix) with `relNs` when there is none.
    std::string RelPrefix(const std::string& relNs);
    // Marks the place, after the children `parent` has now, where the raw text goes on storing.
    void MarkRawPlace(pugi::xml_node parent);
    bool HasRawPlace() const { return !rawMark_.empty(); }
    // Puts the part into the package when it is dirty, `raw` writing at the marked place.
    void Store(Package& package, const RawWriter& raw = {});

private:
    std::string rawMark_;  // the processing instruction's name, unique to this part
};

// Appends `value` escaped as the text of an attribute in double quotes.
void AppendAttributeText(std::string& out, std::string_view value);

// The text of a document as written: raw, with its own declaration.
std::string Serialise(const pugi::xml_document& doc);
// The local name of an element ("sheetData" of "x:sheetData").
std::string_view LocalName(pugi::xml_node node);
// The concatenated text of the <t> elements under `node` (a shared string, an inline string, a
// comment's text), phonetic runs left out.
std::string RunText(pugi::xml_node node);

// One relationship of a part: its attributes as the part holds them, valid until it is removed.
struct Relationship {
    std::string_view Id;
    std::string_view Type;
    std::string_view Target;  // as written
    bool External = false;
};

// The relationships part of a source part; empty when the part has none. Relationships are
// indexed by id, so that adding, finding and removing one take constant time however many the part
// holds (a sheet has one per hyperlink). Of two with the same id, the second is not used.
class Relationships {
public:
    void Load(Package& package, const std::string& sourcePart);
    const Relationship* ById(std::string_view id) const;
    // The first relationship whose type ends with "/" + `typeSuffix`.
    const Relationship* ByType(std::string_view typeSuffix) const;
    // The part a relationship leads to (internal targets only).
    std::string PartOf(const Relationship& rel) const { return ResolveTarget(source_, std::string(rel.Target)); }
    // Adds a relationship; its new id.
    std::string Add(const std::string& type, const std::string& target, bool external);
    // Adds an external relationship held as text until the part is stored, so that thousands (a
    // sheet's links) cost no node and no index entry each; its new id. ById and ByType do not see
    // it; Remove does.
    std::string AddExternal(const std::string& type, std::string_view target);
    // Removes the relationship `id`.
    void Remove(const std::string& id);
    void Store(Package& package);

private:
    struct Entry {
        Relationship Rel;
        pugi::xml_node Node;
    };
    // Adds the relationship of `node` unless its id is taken.
    void Index(pugi::xml_node node);

    // An external relationship added as text: its id's number and where its target stands in
    // pendingTargets_ (all targets in one buffer: no allocation per relationship).
    struct Pending {
        int Number;
        std::uint32_t Length;
        std::size_t Offset;
    };

    std::string source_;
    XmlPart part_;
    std::vector<Pending> pending_;  // by number, ascending
    std::string pendingTargets_;
    std::string pendingType_;
    std::unordered_map<std::string_view, Entry> byId_;
    int nextId_ = 1;  // above the N of every id "rIdN"
};

// [Content_Types].xml.
class ContentTypes {
public:
    void Load(Package& package) { part_.Load(package, "[Content_Types].xml"); }
    void LoadText(std::string_view xml) { part_.LoadText("[Content_Types].xml", xml); }
    // Adds an Override for the part ("xl/worksheets/sheet2.xml") unless one is there.
    void AddOverride(const std::string& part, const std::string& type);
    // Adds a Default for the extension ("vml") unless one is there.
    void AddDefault(const std::string& extension, const std::string& type);
    // Removes the Override of the part.
    void RemoveOverride(const std::string& part);
    void Store(Package& package) { part_.Store(package); }

private:
    XmlPart part_;
};

}  // namespace tagmora::xlsx
