// XML parts, relationships and content types of the workbook engine.
#include "export/XlsxXml.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>

#include "common/Text.h"
#include "export/Spreadsheet.h"

namespace tagmora::xlsx {
namespace {

// Everything kept: declaration, comments, processing instructions, white-space-only text of an
// element (<t> </t>); attribute values and line ends exactly as written.
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_declaration |
                                   pugi::parse_comments | pugi::parse_pi | pugi::parse_ws_pcdata_single;

struct StringWriter : pugi::xml_writer {
    std::string Out;
    void write(const void* data, std::size_t size) override { Out.append(static_cast<const char*>(data), size); }
};

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string LowerAscii(std::string s) {
    for (char& c : s) c = text::AsciiLower(c);
    return s;
}

// A processing instruction's name that no part holds: a random number of the process and a count.
std::string NewRawMark() {
    static const unsigned long long process =
        (static_cast<unsigned long long>(std::random_device{}()) << 32) | std::random_device{}();
    static std::atomic<unsigned long long> count{0};
    char name[64];
    std::snprintf(name, sizeof name, "tagmora-raw-%016llx-%llu", process, count++);
    return name;
}

}  // namespace

void XmlPart::Load(Package& package, const std::string& name) {
    const std::string bytes = package.Read(name);
    LoadText(name, bytes);
}

void XmlPart::LoadText(const std::string& name, std::string_view xml) {
    Name = name;
    const pugi::xml_parse_result result = Doc.load_buffer(xml.data(), xml.size(), kParseOptions, pugi::encoding_auto);
    if (!result || !Doc.document_element())
        throw SpreadsheetError("часть " + name + " повреждена (" +
                                   (result ? std::string("нет корневого элемента") : result.description()) + ")",
                               "the part " + name + " is damaged (" +
                                   (result ? std::string("no root element") : result.description()) + ")");
    const std::string_view root = Doc.document_element().name();
    const auto colon = root.find(':');
    Prefix = colon == std::string_view::npos ? std::string() : std::string(root.substr(0, colon + 1));
}

pugi::xml_node XmlPart::Child(pugi::xml_node parent, std::string_view local) const {
    if (Prefix.empty()) return parent.child(std::string(local).c_str());
    return parent.child(Qualified(local).c_str());
}

std::string XmlPart::RelPrefix(const std::string& relNs) {
    pugi::xml_node root = Root();
    for (pugi::xml_attribute a : root.attributes()) {
        const std::string_view name = a.name();
        if (name.substr(0, 6) == "xmlns:" &&
            (std::string_view(a.value()) == kRelNs || std::string_view(a.value()) == kStrictRelNs))
            return std::string(name.substr(6)) + ":";
    }
    std::string prefix = "r";
    while (root.attribute(("xmlns:" + prefix).c_str())) prefix += "r";
    root.append_attribute(("xmlns:" + prefix).c_str()) = relNs.c_str();
    Dirty = true;
    return prefix + ":";
}

void XmlPart::MarkRawPlace(pugi::xml_node parent) {
    rawMark_ = NewRawMark();
    parent.append_child(pugi::node_pi).set_name(rawMark_.c_str());
    Dirty = true;
}

void XmlPart::Store(Package& package, const RawWriter& raw) {
    if (!Dirty) return;
    std::string text = Serialise(Doc);
    const std::string mark = "<?" + rawMark_ + "?>";
    if (const auto at = rawMark_.empty() ? std::string::npos : text.find(mark); at != std::string::npos) {
        std::string whole;
        whole.reserve(text.size());
        whole.append(text, 0, at);
        if (raw) raw(whole);
        whole.append(text, at + mark.size());
        text = std::move(whole);
    }
    package.Put(Name, std::move(text));
    Dirty = false;
}

void AppendAttributeText(std::string& out, std::string_view value) {
    static const auto kEscaped = [] {
        std::array<bool, 256> escaped{};
        for (int c = 0; c < 0x20; ++c) escaped[static_cast<std::size_t>(c)] = true;
        for (const char c : std::string_view("&<>\"")) escaped[static_cast<unsigned char>(c)] = true;
        return escaped;
    }();
    for (std::size_t i = 0; i < value.size(); ++i) {
        std::size_t plain = i;
        while (plain < value.size() && !kEscaped[static_cast<unsigned char>(value[plain])]) ++plain;
        out.append(value, i, plain - i);
        if ((i = plain) == value.size()) break;
        switch (const auto c = static_cast<unsigned char>(value[i])) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += "&#" + std::to_string(c) + ";";
        }
    }
}

std::string Serialise(const pugi::xml_document& doc) {
    StringWriter writer;
    doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return std::move(writer.Out);
}

std::string_view LocalName(pugi::xml_node node) {
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string RunText(pugi::xml_node node) {
    std::string out;
    for (pugi::xml_node child : node.children()) {
        const std::string_view local = LocalName(child);
        if (local == "t") {
            out += child.text().get();
        } else if (local == "r") {
            for (pugi::xml_node t : child.children())
                if (LocalName(t) == "t") out += t.text().get();
        }
    }
    return out;
}

void Relationships::Load(Package& package, const std::string& sourcePart) {
    source_ = sourcePart;
    const std::string name = RelsPartOf(sourcePart);
    if (package.Has(name)) {
        part_.Load(package, name);
    } else {
        part_.LoadText(name, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                         "<Relationships xmlns=\"") +
                                 kPackageRelNs + "\"/>");
    }
    byId_.clear();
    nextId_ = 1;
    for (pugi::xml_node rel : part_.Root().children())
        if (LocalName(rel) == "Relationship") Index(rel);
}

void Relationships::Index(pugi::xml_node node) {
    const Relationship rel{node.attribute("Id").value(), node.attribute("Type").value(),
                           node.attribute("Target").value(),
                           text::EqualsAsciiIgnoreCase(node.attribute("TargetMode").value(), "External")};
    byId_.try_emplace(rel.Id, Entry{rel, node});
    // The new ids start above every "rIdN" there is.
    if (rel.Id.size() > 3 && rel.Id.size() < 12 && rel.Id.substr(0, 3) == "rId") {
        long n = 0;
        for (const char c : rel.Id.substr(3)) n = c >= '0' && c <= '9' && n >= 0 ? n * 10 + (c - '0') : -1;
        if (n >= nextId_ && n < std::numeric_limits<int>::max()) nextId_ = static_cast<int>(n) + 1;
    }
}

const Relationship* Relationships::ById(std::string_view id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : &found->second.Rel;
}

const Relationship* Relationships::ByType(std::string_view typeSuffix) const {
    const std::string suffix = "/" + std::string(typeSuffix);
    for (pugi::xml_node node : part_.Root().children()) {
        const auto found = byId_.find(node.attribute("Id").value());
        if (found != byId_.end() && found->second.Node == node && EndsWith(found->second.Rel.Type, suffix))
            return &found->second.Rel;
    }
    return nullptr;
}

std::string Relationships::Add(const std::string& type, const std::string& target, bool external) {
    const std::string id = "rId" + std::to_string(nextId_);
    pugi::xml_node rel = part_.Root().append_child(part_.Qualified("Relationship").c_str());
    rel.append_attribute("Id") = id.c_str();
    rel.append_attribute("Type") = type.c_str();
    rel.append_attribute("Target") = target.c_str();
    if (external) rel.append_attribute("TargetMode") = "External";
    Index(rel);
    part_.Dirty = true;
    return id;
}

std::string Relationships::AddExternal(const std::string& type, std::string_view target) {
    if ((!pending_.empty() && type != pendingType_) || target.size() > UINT32_MAX)
        return Add(type, std::string(target), true);
    if (!part_.HasRawPlace()) part_.MarkRawPlace(part_.Root());
    pendingType_ = type;
    pending_.push_back({nextId_++, static_cast<std::uint32_t>(target.size()), pendingTargets_.size()});
    pendingTargets_ += target;
    part_.Dirty = true;
    char id[16] = "rId";
    return std::string(id, std::to_chars(id + 3, id + sizeof id, pending_.back().Number).ptr);
}

void Relationships::Store(Package& package) {
    const std::string element = "<" + part_.Qualified("Relationship") + " Id=\"rId";
    std::string type;
    AppendAttributeText(type, pendingType_);
    const std::string tail = "\" TargetMode=\"External\"/>";
    part_.Store(package, [&](std::string& out) {
        out.reserve(out.size() + pendingTargets_.size() + pending_.size() * (element.size() + type.size() + 40));
        char number[16];
        for (const Pending& rel : pending_) {
            out += element;
            out.append(number, std::to_chars(number, number + sizeof number, rel.Number).ptr);
            out += "\" Type=\"";
            out += type;
            out += "\" Target=\"";
            AppendAttributeText(out, std::string_view(pendingTargets_).substr(rel.Offset, rel.Length));
            out += tail;
        }
    });
}

void Relationships::Remove(const std::string& id) {
    const auto found = byId_.find(id);
    if (found == byId_.end()) {
        int number = 0;
        const char* digits = id.data() + std::min<std::size_t>(3, id.size());
        const auto [end, error] = std::from_chars(digits, id.data() + id.size(), number);
        if (id.compare(0, 3, "rId") != 0 || error != std::errc() || end != id.data() + id.size()) return;
        const auto at = std::lower_bound(pending_.begin(), pending_.end(), number,
                                         [](const Pending& rel, int n) { return rel.Number < n; });
        if (at == pending_.end() || at->Number != number || "rId" + std::to_string(number) != id) return;
        pending_.erase(at);
        part_.Dirty = true;
        return;
    }
    const pugi::xml_node node = found->second.Node;
    byId_.erase(found);
    part_.Root().remove_child(node);
    part_.Dirty = true;
}

void ContentTypes::AddOverride(const std::string& part, const std::string& type) {
    const std::string partName = LowerAscii("/" + part);
    for (pugi::xml_node o : part_.Root().children())
        if (LocalName(o) == "Override" && LowerAscii(o.attribute("PartName").value()) == partName) return;
    pugi::xml_node o = part_.Root().append_child(part_.Qualified("Override").c_str());
    o.append_attribute("PartName") = ("/" + part).c_str();
    o.append_attribute("ContentType") = type.c_str();
    part_.Dirty = true;
}

void ContentTypes::AddDefault(const std::string& extension, const std::string& type) {
    for (pugi::xml_node d : part_.Root().children())
        if (LocalName(d) == "Default" && text::EqualsAsciiIgnoreCase(d.attribute("Extension").value(), extension))
            return;
    pugi::xml_node first = part_.Root().first_child();
    pugi::xml_node d = first ? part_.Root().insert_child_before(part_.Qualified("Default").c_str(), first)
                             : part_.Root().append_child(part_.Qualified("Default").c_str());
    d.append_attribute("Extension") = extension.c_str();
    d.append_attribute("ContentType") = type.c_str();
    part_.Dirty = true;
}

void ContentTypes::RemoveOverride(const std::string& part) {
    const std::string partName = LowerAscii("/" + part);
    for (pugi::xml_node o = part_.Root().first_child(); o; o = o.next_sibling()) {
        if (LocalName(o) == "Override" && LowerAscii(o.attribute("PartName").value()) == partName) {
            part_.Root().remove_child(o);
            part_.Dirty = true;
            return;
        }
    }
}

}  // namespace tagmora::xlsx
