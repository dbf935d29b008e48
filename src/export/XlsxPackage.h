// The package layer of the workbook engine: the parts of a .xlsx file (a ZIP archive) by name.
// A part is read on demand, bounded in size; a part the engine replaces is kept as new bytes; on
// writing, every other part of the opened archive is copied with its compressed data unchanged.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tagmora::xlsx {

// The most that the engine reads of one part, and of all parts of one package together.
inline constexpr std::uint64_t kMaxPartSize = 256ull << 20;
inline constexpr std::uint64_t kMaxTotalRead = 1ull << 30;

class Package {
public:
    // An empty package (for a workbook made from nothing).
    Package();
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Opens the archive held in `bytes`. Throws SpreadsheetError when it is not a ZIP archive.
    static std::unique_ptr<Package> FromBytes(std::string bytes);

    // The part's name as stored, for a name compared ignoring ASCII case ("xl/workbook.xml"); empty
    // when there is no such part.
    std::string Find(const std::string& name) const;
    bool Has(const std::string& name) const { return !Find(name).empty(); }
    // The part's bytes: a replaced part's new bytes, or the archive's, uncompressed. Throws
    // SpreadsheetError when the part is missing, cannot be read, or is larger than the bounds allow.
    std::string Read(const std::string& name);
    // Replaces (or adds) the part `name` with `bytes`.
    void Put(const std::string& name, std::string bytes);
    // Leaves the part out of the archive written.
    void Remove(const std::string& name);

    // The whole archive: the opened archive's parts in their order (replaced ones with their new
    // bytes, the others copied raw), then the added parts in the order they were added. Throws
    // SpreadsheetError when the archive cannot be made.
    std::string Write() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Resolves a relationship target against the folder of its source part: "worksheets/sheet1.xml"
// from "xl/workbook.xml" is "xl/worksheets/sheet1.xml"; "/xl/x.xml" is "xl/x.xml"; ".." steps up.
std::string ResolveTarget(const std::string& sourcePart, const std::string& target);
// The relationships part of a part: "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string RelsPartOf(const std::string& part);
// The target of part `to` written relative to the folder of part `from`:
// ("xl/worksheets/sheet1.xml", "xl/comments1.xml") gives "../comments1.xml".
std::string RelativeTarget(const std::string& from, const std::string& to);

}  // namespace tagmora::xlsx
