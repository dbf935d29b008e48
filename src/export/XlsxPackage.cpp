// The package layer of the workbook engine, on libzip (loaded on first use, ZipLibrary.h): an archive read from memory,
// parts read with bounds, and a new archive written in memory with the untouched parts copied raw.
#include "export/XlsxPackage.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>
#include <system_error>
#include <thread>

#include "common/Text.h"
#include "export/Spreadsheet.h"
#include "export/ZipLibrary.h"

namespace tagmora::xlsx {
namespace {

std::string LowerAscii(std::string s) {
    for (char& c : s) c = text::AsciiLower(c);
    return s;
}

std::string FolderOf(const std::string& part) {
    const auto slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// Joins path segments, dropping "." and stepping back on "..".
std::string Normalise(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& segment : segments) out += (out.empty() ? "" : "/") + segment;
    return out;
}

[[noreturn]] void Fail(const std::string& reason, const std::string& english) {
    throw SpreadsheetError(reason, english);
}

// A zip_t closed when the object goes.
struct ZipCloser {
    void operator()(zip_t* zip) const { Zip().zip_discard(zip); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

// A part deflated ahead of the archive: its raw deflate stream, CRC and size.
struct Deflated {
    const std::string* Bytes = nullptr;
    std::string Data;
    zip_uint32_t Crc = 0;
    bool Ok = false;
};

// Deflates at the fastest level: the parts written are long runs of like elements (a row, a link
// and its relationship per file), which it packs about a fifth larger than the default level
// does, in a third of the time.
void Deflate(Deflated& part) {
    const std::string& in = *part.Bytes;
    part.Crc = static_cast<zip_uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(in.data()), in.size()));
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    // The output grows as it fills: such parts pack to a tenth or less, so the bound is not taken.
    part.Data.resize(in.size() / 8 + 64);
    std::size_t fed = 0;
    int status = Z_OK;
    while (status == Z_OK || status == Z_BUF_ERROR) {
        if (stream.avail_in == 0) {  // zlib counts in 32 bits: the input goes in slices
            const std::size_t slice = std::min<std::size_t>(in.size() - fed, 1u << 30);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + fed));
            stream.avail_in = static_cast<uInt>(slice);
            fed += slice;
        }
        if (stream.total_out == part.Data.size()) part.Data.resize(part.Data.size() * 2);
        stream.next_out = reinterpret_cast<Bytef*>(part.Data.data() + stream.total_out);
        stream.avail_out = static_cast<uInt>(std::min<std::size_t>(part.Data.size() - stream.total_out, 1u << 30));
        status = deflate(&stream, fed == in.size() ? Z_FINISH : Z_NO_FLUSH);
    }
    part.Ok = status == Z_STREAM_END;
    part.Data.resize(stream.total_out);
    deflateEnd(&stream);
}

// Deflates the parts on as many threads as there are processors (at most one per part), so that a
// sheet and its long relationship list are packed side by side.
void DeflateAll(std::vector<Deflated>& parts) {
    if (parts.empty()) return;
    // The largest first, so that the threads end together.
    std::vector<Deflated*> order;
    for (Deflated& part : parts) order.push_back(&part);
    std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->Bytes->size() > b->Bytes->size(); });
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < order.size(); i = next++) Deflate(*order[i]);
    };
    const std::size_t helpers =
        std::min<std::size_t>(parts.size(), std::max(1u, std::thread::hardware_concurrency())) - 1;
    std::vector<std::thread> threads;
    try {
        for (std::size_t i = 0; i < helpers; ++i) threads.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads, or this one alone, do the rest.
    }
    work();
    for (std::thread& thread : threads) thread.join();
}

// A libzip source that hands a deflated part over as it is, with its sizes and CRC, so that the
// archive stores it without packing it again.
struct DeflatedSourceState {
    const Deflated* Part;
    std::size_t At;
};

zip_int64_t DeflatedSource(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* reading = static_cast<DeflatedSourceState*>(state);
    switch (command) {
        case ZIP_SOURCE_OPEN: reading->At = 0; return 0;
        case ZIP_SOURCE_READ: {
            const std::size_t n = std::min<std::size_t>(length, reading->Part->Data.size() - reading->At);
            std::memcpy(data, reading->Part->Data.data() + reading->At, n);
            reading->At += n;
            return static_cast<zip_int64_t>(n);
        }
        case ZIP_SOURCE_CLOSE: return 0;
        case ZIP_SOURCE_STAT: {
            auto* stat = static_cast<zip_stat_t*>(data);
            Zip().zip_stat_init(stat);
            stat->size = reading->Part->Bytes->size();
            stat->comp_size = reading->Part->Data.size();
            stat->comp_method = ZIP_CM_DEFLATE;
            stat->crc = reading->Part->Crc;
            stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR: return 2 * sizeof(int);
        case ZIP_SOURCE_FREE: delete reading; return 0;
        case ZIP_SOURCE_SUPPORTS: return ZIP_SOURCE_SUPPORTS_READABLE;  // open, read, close, stat, error and free
        default: return -1;
    }
}

}  // namespace

struct Package::Impl {
    std::string bytes;  // the opened archive
    ZipPtr zip;
    std::vector<std::string> names;                  // the opened archive's entries, in order
    std::map<std::string, std::size_t> byLowerName;  // lower-case name -> index in `names` or added
    std::map<std::string, std::string> replaced;     // name -> new bytes
    std::vector<std::string> added;                  // names added, in order
    std::set<std::string> removed;                   // names left out
    std::uint64_t totalRead = 0;
};

Package::Package() : impl_(std::make_unique<Impl>()) {}
Package::~Package() = default;

std::unique_ptr<Package> Package::FromBytes(std::string bytes) {
    auto package = std::make_unique<Package>();
    Impl& impl = *package->impl_;
    impl.bytes = std::move(bytes);
    constexpr const char* kNotZip = "файл не является книгой .xlsx (это не архив ZIP или архив повреждён)";
    constexpr const char* kNotZipEnglish = "the file is no .xlsx workbook (no ZIP archive, or a damaged one)";
    // Even an empty archive has its 22-byte end record.
    if (impl.bytes.size() < 22) Fail(kNotZip, kNotZipEnglish);
    zip_error_t error;
    Zip().zip_error_init(&error);
    zip_source_t* source = Zip().zip_source_buffer_create(impl.bytes.data(), impl.bytes.size(), 0, &error);
    if (source == nullptr) Fail("нет памяти для архива", "no memory for the archive");
    impl.zip.reset(Zip().zip_open_from_source(source, ZIP_RDONLY, &error));
    if (!impl.zip) {
        Zip().zip_source_free(source);
        Zip().zip_error_fini(&error);
        Fail(kNotZip, kNotZipEnglish);
    }
    Zip().zip_error_fini(&error);
    const zip_int64_t count = Zip().zip_get_num_entries(impl.zip.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = Zip().zip_get_name(impl.zip.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        impl.names.emplace_back(name != nullptr ? name : "");
        if (name != nullptr) impl.byLowerName.emplace(LowerAscii(name), static_cast<std::size_t>(i));
    }
    return package;
}

std::string Package::Find(const std::string& name) const {
    std::string key = LowerAscii(name);
    if (!key.empty() && key[0] == '/') key.erase(0, 1);
    const auto found = impl_->byLowerName.find(key);
    if (found == impl_->byLowerName.end()) return {};
    return found->second < impl_->names.size() ? impl_->names[found->second]
                                               : impl_->added[found->second - impl_->names.size()];
}

std::string Package::Read(const std::string& name) {
    const std::string stored = Find(name);
    if (stored.empty()) Fail("в книге нет части " + name, "the workbook lacks the part " + name);
    if (const auto found = impl_->replaced.find(stored); found != impl_->replaced.end()) return found->second;
    const std::size_t index = impl_->byLowerName.at(LowerAscii(stored));
    zip_stat_t stat;
    if (Zip().zip_stat_index(impl_->zip.get(), index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0)
        Fail("не удалось прочитать часть " + name, "cannot read the part " + name);
    if (stat.size > kMaxPartSize || impl_->totalRead + stat.size > kMaxTotalRead)
        Fail("часть " + name + " слишком велика", "the part " + name + " is too large");
    zip_file_t* file = Zip().zip_fopen_index(impl_->zip.get(), index, 0);
    if (file == nullptr) Fail("не удалось прочитать часть " + name, "cannot read the part " + name);
    std::string out(static_cast<std::size_t>(stat.size) + 1, '\0');
    std::size_t got = 0;
    bool ok = true;
    while (got < out.size()) {
        const zip_int64_t n = Zip().zip_fread(file, out.data() + got, out.size() - got);
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    Zip().zip_fclose(file);
    // A part longer than its directory says is as damaged as one that cannot be read.
    if (!ok || got != stat.size) Fail("часть " + name + " повреждена", "the part " + name + " is damaged");
    out.resize(got);
    impl_->totalRead += got;
    return out;
}

void Package::Put(const std::string& name, std::string bytes) {
    std::string stored = Find(name);
    if (stored.empty()) {
        stored = name;
        impl_->byLowerName.emplace(LowerAscii(name), impl_->names.size() + impl_->added.size());
        impl_->added.push_back(name);
    }
    impl_->replaced[stored] = std::move(bytes);
    impl_->removed.erase(stored);
}

void Package::Remove(const std::string& name) {
    const std::string stored = Find(name);
    if (stored.empty()) return;
    impl_->removed.insert(stored);
    impl_->byLowerName.erase(LowerAscii(stored));
}

std::string Package::Write() const {
    zip_error_t error;
    Zip().zip_error_init(&error);
    zip_source_t* buffer = Zip().zip_source_buffer_create(nullptr, 0, 0, &error);
    if (buffer == nullptr) Fail("нет памяти для архива", "no memory for the archive");
    zip_t* out = Zip().zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    Zip().zip_error_fini(&error);
    if (out == nullptr) {
        Zip().zip_source_free(buffer);
        Fail("не удалось создать архив", "cannot create the archive");
    }
    Zip().zip_source_keep(buffer);
    const auto fail = [&](const std::string& reason, const std::string& english) {
        Zip().zip_discard(out);
        Zip().zip_source_free(buffer);
        Fail(reason, english);
    };
    // The new parts, deflated first, all at once.
    std::vector<Deflated> deflated;
    std::map<std::string, std::size_t> deflatedIndex;
    for (const auto& [name, bytes] : impl_->replaced) {
        if (impl_->removed.count(name) != 0) continue;
        deflatedIndex.emplace(name, deflated.size());
        deflated.emplace_back().Bytes = &bytes;
    }
    DeflateAll(deflated);
    const auto addNew = [&](const std::string& name) {
        const Deflated& part = deflated[deflatedIndex.at(name)];
        if (!part.Ok) fail("не удалось сжать часть " + name, "cannot compress the part " + name);
        zip_source_t* source = Zip().zip_source_function(out, DeflatedSource, new DeflatedSourceState{&part, 0});
        if (source == nullptr ||
            Zip().zip_file_add(out, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            if (source != nullptr) Zip().zip_source_free(source);
            fail("не удалось добавить в архив часть " + name, "cannot add the part " + name + " to the archive");
        }
    };
    for (std::size_t i = 0; i < impl_->names.size(); ++i) {
        const std::string& name = impl_->names[i];
        if (impl_->removed.count(name) != 0) continue;
        if (impl_->replaced.count(name) != 0) {
            addNew(name);
            continue;
        }
        zip_source_t* source = Zip().zip_source_zip(out, impl_->zip.get(), i, ZIP_FL_COMPRESSED, 0, -1);
        if (source == nullptr ||
            Zip().zip_file_add(out, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            if (source != nullptr) Zip().zip_source_free(source);
            fail("не удалось скопировать часть " + name, "cannot copy the part " + name);
        }
    }
    for (const auto& name : impl_->added)
        if (impl_->removed.count(name) == 0) addNew(name);
    if (Zip().zip_close(out) != 0) {
        const std::string reason = Zip().zip_strerror(out);
        fail("не удалось записать архив: " + reason, "cannot write the archive: " + reason);
    }
    std::string bytes;
    zip_stat_t stat;
    if (Zip().zip_source_stat(buffer, &stat) == 0 && Zip().zip_source_open(buffer) == 0) {
        bytes.resize(static_cast<std::size_t>(stat.size));
        const zip_int64_t n = Zip().zip_source_read(buffer, bytes.data(), bytes.size());
        Zip().zip_source_close(buffer);
        if (n != static_cast<zip_int64_t>(bytes.size())) bytes.clear();
    }
    Zip().zip_source_free(buffer);
    if (bytes.empty()) Fail("не удалось записать архив", "cannot write the archive");
    return bytes;
}

std::string ResolveTarget(const std::string& sourcePart, const std::string& target) {
    if (!target.empty() && target[0] == '/') return Normalise(target);
    return Normalise(FolderOf(sourcePart) + target);
}

std::string RelsPartOf(const std::string& part) {
    const auto slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

std::string RelativeTarget(const std::string& from, const std::string& to) {
    std::string folder = FolderOf(from);
    std::string up;
    while (!folder.empty() && to.compare(0, folder.size(), folder) != 0) {
        folder.pop_back();
        const auto slash = folder.rfind('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
        up += "../";
    }
    return up + to.substr(folder.size());
}

}  // namespace tagmora::xlsx
