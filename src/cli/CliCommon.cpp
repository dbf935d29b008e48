// The command-line session: settings (stored, first-run defaults, --set overrides), scanning as
// the program does, and the escaping of the output.
#include "cli/CliCommon.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <chrono>
#include <cmath>
#include <cerrno>
#include <iostream>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliMessages.h"
#include "common/Text.h"
#include "filelist/FolderCommands.h"
#include "platform/FileIo.h"
#include "settings/SettingsStore.h"

namespace tagmora::cli {

MessageResult CliHost::ShowMessage(const std::string& text, const std::string&, MessageIcon icon,
                                   MessageButtons buttons) {
    if (AnswerQuestionsYes && buttons == MessageButtons::YesNo) return MessageResult::Yes;
    Say(text);
    return Answer(icon, buttons);
}

MessageResult CliHost::ShowNotice(const Notice& notice, const std::string&, const std::string&, MessageIcon icon,
                                  MessageButtons buttons) {
    err_ << NoticeLine(command_, notice);
    return Answer(icon, buttons);
}

void CliHost::Say(std::string_view reason) { err_ << MessageLine(command_, reason); }

void CliHost::Say(std::string_view path, std::string_view reason) { err_ << MessageLine(command_, path, reason); }

MessageResult CliHost::Answer(MessageIcon icon, MessageButtons buttons) {
    if (icon == MessageIcon::Error) ++errors_;
    return ClosedBoxAnswer(buttons);  // no one answers
}

namespace {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The terminal's width in columns (80 when it cannot be told).
std::size_t TerminalColumns() {
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

constexpr std::int64_t kProgressAfterMs = 1000;
constexpr std::int64_t kProgressEveryMs = 100;

}  // namespace

CliStatusReporter::CliStatusReporter(std::string command)
    : command_(std::move(command)), terminal_(::isatty(STDERR_FILENO) == 1), startMs_(NowMs()) {}

void CliStatusReporter::ShowStatus(const std::string&) { done_ = 0; }

void CliStatusReporter::ShowFolderPanel(const std::string& text) {
    if (!text.empty() && DrawDue()) Draw("reading " + text);
}

void CliStatusReporter::ShowProgress(const std::string& text, double percent) {
    ++done_;
    if (!DrawDue()) return;
    // The loops report 100 / N * k: N follows from the calls counted since their status text.
    const long total = percent > 0 ? std::lround(100.0 * done_ / percent) : 0;
    const std::size_t slash = text.rfind('/');
    Draw(std::to_string(done_) + "/" + std::to_string(total) + " " +
         (slash == std::string::npos || slash == 0 ? text : text.substr(0, slash)));
}

bool CliStatusReporter::DrawDue() const {
    if (!terminal_) return false;
    const std::int64_t now = NowMs();
    return now - startMs_ >= kProgressAfterMs && now - lastDrawMs_ >= kProgressEveryMs;
}

void CliStatusReporter::Draw(const std::string& line) {
    lastDrawMs_ = NowMs();
    std::string shown = "tagmora-cli " + command_ + ": " + EscapeField(line);
    shown = text::TakeCodePoints(shown, TerminalColumns() - 1);
    std::cerr << "\r\x1b[K" << shown << std::flush;
    shown_ = true;
}

void CliStatusReporter::Clear() {
    if (!shown_) return;
    std::cerr << "\r\x1b[K" << std::flush;
    shown_ = false;
}

CliSession::CliSession(std::ostream& out, std::ostream& err, const std::string& command)
    : Out(out),
      Err(err),
      Store(FileSettingsStore::DefaultUserHivePath(), FileSettingsStore::DefaultMachineHivePath()),
      Status(command),
      HostPort(err, command),
      Context(Store, Status, HostPort, DialogsPort),
      Settings(Context.Settings()),
      List(Context.List()) {
    Context.SetFrame(&Status);
}

bool LoadSessionSettings(CliSession& session, const std::vector<std::pair<std::string, std::string>>& sets) {
    const std::string userHive = FileSettingsStore::DefaultUserHivePath();
    if (const std::string problem = RegFileProblem(userHive); !problem.empty()) {
        session.Say(userHive, say::kCannotReadSettings + problem);
        return false;
    }
    session.LoadResult = LoadSettings(session.Settings, session.Store);
    switch (session.LoadResult) {
        case SettingsLoadResult::InstallPathError: session.Say(say::kReinstall); return false;
        case SettingsLoadResult::FirstRun:
            // Nothing is stored yet (or the stored settings are incomplete): work with the
            // first-run defaults and save nothing.
            ApplyFirstRunDefaults(session.Settings, DesignedColumnWidths());
            break;
        case SettingsLoadResult::Loaded: break;
    }
    for (const auto& [name, value] : sets) {
        std::string error;
        if (!SetSettingByName(session.Settings, name, value, error)) {
            session.Say("--set " + name, error);
            return false;
        }
    }
    return true;
}

namespace {

// The folder a path leads to, links and "." and ".." resolved; the path itself when it cannot be.
std::string RealFolder(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string out(real);
    std::free(real);
    return out;
}

// The folder operands without those that would be scanned twice: the same folder as an earlier
// one, or, with subfolders, a folder inside an earlier one. Each dropped one gets a note.
std::vector<std::string> FoldersOnce(CliSession& session, const std::vector<std::string>& folders) {
    std::vector<std::string> kept, real;
    for (const std::string& folder : folders) {
        const std::string here = RealFolder(folder);
        const auto earlier = std::find_if(real.begin(), real.end(), [&](const std::string& other) {
            return here == other ||
                   (session.Settings.IncludeSubDirs && here.starts_with(other == "/" ? other : other + "/"));
        });
        if (earlier != real.end()) {
            session.Say(folder,
                        SkippedFolder(here != *earlier, kept[static_cast<std::size_t>(earlier - real.begin())]));
            continue;
        }
        kept.push_back(folder);
        real.push_back(here);
    }
    return kept;
}

}  // namespace

bool ScanAndRead(CliSession& session, const std::vector<std::string>& given) {
    FileList& list = session.List;
    bool complete = true;
    // Without subfolders the program opens the first folder only.
    const std::size_t opened = session.Settings.IncludeSubDirs ? given.size() : std::min<std::size_t>(given.size(), 1);
    for (std::size_t i = opened; i < given.size(); ++i) {
        session.Say(given[i], say::kSkippedWithoutSubDirs);
    }
    const std::vector<std::string> folders = FoldersOnce(
        session, std::vector<std::string>(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(opened)));
    for (const std::string& folder : folders) {
        const fileio::PathStatus status = fileio::StatPath(folder);
        const int error = !status.Exists() ? status.Error : status.Folder ? 0 : ENOTDIR;
        if (error != 0) {
            session.Say(folder, std::strerror(error));
            complete = false;
        }
    }
    list.FolderNotRead = [&](const std::string& folder, int error) {
        session.Say(folder, say::kCannotReadFolder + std::string(std::strerror(error)));
        complete = false;
    };
    const int errorsBefore = session.HostPort.ErrorCount();
    session.Context.RunCommand([&] { OpenCommandLineFolders(list, folders); });
    list.FolderNotRead = nullptr;
    ApplyMarking(session, session.Marking);
    return complete && session.HostPort.ErrorCount() == errorsBefore;
}

namespace {

// Writes the pending text to Out; the cause of the first write that fails is kept, since later
// writes to a failed stream do nothing and tell nothing.
void WritePending(CliSession& session, std::string& pending, bool flush) {
    std::ostream& out = session.Out;
    const bool wasGood = out.good();
    errno = 0;
    out << pending;
    pending.clear();
    if (flush) out.flush();
    if (wasGood && !out.good()) session.OutputError = errno;
}

}  // namespace

void FlushIfLarge(CliSession& session, std::string& pending) {
    if (pending.size() >= kOutputPieceSize) WritePending(session, pending, false);
}

int FinishOutput(CliSession& session, std::string& pending) {
    WritePending(session, pending, true);
    if (session.Out.good()) return 0;
    ReportOutputFailure(session.HostPort.Command(), session.OutputError);
    return 1;
}

void ReportOutputFailure(std::string_view command, int error) {
    // A reader that closed the pipe has all it wanted: nothing to report.
    if (error == EPIPE) return;
    std::cerr << MessageLine(command, say::kStandardOutput, error != 0 ? std::strerror(error) : say::kWriteFailed)
              << std::flush;
}

namespace {

constexpr const char* kHexDigits = "0123456789abcdef";

bool IsControl(unsigned char u) { return u < 0x20 || u == 0x7F; }

}  // namespace

namespace {

// Walks the text by code point: `ascii` gets each byte below 0x80, `other` each longer valid
// sequence with its code point, `invalid` each byte that starts no valid UTF-8 sequence.
template <typename Ascii, typename Other, typename Invalid>
void ForEachPiece(std::string_view value, const Ascii& ascii, const Other& other, const Invalid& invalid) {
    for (std::size_t i = 0; i < value.size();) {
        const auto u = static_cast<unsigned char>(value[i]);
        if (u < 0x80) {
            ascii(static_cast<char>(u));
            ++i;
            continue;
        }
        std::size_t next = i;
        const char32_t cp = text::NextCodePoint(value, next);
        if (cp == text::kReplacementChar && next == i + 1) {
            invalid(u);
        } else {
            other(value.substr(i, next - i), cp);
        }
        i = next;
    }
}

bool IsC1(char32_t cp) { return cp >= 0x80 && cp <= 0x9F; }

// The bytes written as they are on their own: printable ASCII but "\".
constexpr std::array<bool, 256> kPlainAscii = [] {
    std::array<bool, 256> plain{};
    for (int u = 0x20; u < 0x7F; ++u) plain[static_cast<std::size_t>(u)] = u != '\\';
    return plain;
}();

// Are all eight bytes of `w` printable ASCII but "\"? (Each test below is exact for the word as a
// whole: a carry or borrow out of a byte it flags can only add flags, never hide one.)
bool AllPlainAscii(std::uint64_t w) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    const std::uint64_t below = (w - kOnes * 0x20) & ~w;  // a byte under 0x20
    const std::uint64_t above = (w + kOnes) | w;          // a byte of 0x7F or more
    const std::uint64_t x = w ^ (kOnes * '\\');
    const std::uint64_t backslash = (x - kOnes) & ~x;  // a byte equal to "\"
    return ((below | above | backslash) & kHighBits) == 0;
}

// Where the run of bytes at `at` that is written as it is ends: printable ASCII but "\", and
// whole UTF-8 sequences of code points that are no C1 controls.
std::size_t PlainRunEnd(std::string_view value, std::size_t at) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.data());
    const std::size_t size = value.size();
    while (at < size) {
        const unsigned u = bytes[at];
        if (kPlainAscii[u]) {
            // ASCII comes in stretches: the rest of this one eight bytes at a time.
            ++at;
            for (std::uint64_t w = 0; at + 8 <= size; at += 8) {
                std::memcpy(&w, bytes + at, 8);
                if (!AllPlainAscii(w)) break;
            }
            continue;
        }
        if (u < 0x80) break;
        // A two-byte sequence (Cyrillic, most accented Latin) at once: U+00A0..U+07FF, past the
        // C1 controls (C2 80..C2 9F).
        if (u >= 0xC2 && u <= 0xDF && at + 1 < size) {
            const unsigned v = bytes[at + 1];
            if ((v & 0xC0) == 0x80 && (u > 0xC2 || v >= 0xA0)) {
                at += 2;
                continue;
            }
        }
        std::size_t next = at;
        const char32_t cp = text::NextCodePoint(value, next);
        if ((cp == text::kReplacementChar && next == at + 1) || IsC1(cp)) break;
        at = next;
    }
    return at;
}

}  // namespace

char* EscapeFieldTo(char* out, std::string_view value) {
    const auto hex = [&out](unsigned char u) {
        *out++ = '\\';
        *out++ = 'x';
        *out++ = kHexDigits[u >> 4];
        *out++ = kHexDigits[u & 0xF];
    };
    const auto escape = [&out](char c) {
        *out++ = '\\';
        *out++ = c;
    };
    for (std::size_t i = 0; i < value.size();) {
        const std::size_t run = PlainRunEnd(value, i);
        std::memcpy(out, value.data() + i, run - i);
        out += run - i;
        if (run == value.size()) break;
        // The piece at `run` is escaped.
        const auto u = static_cast<unsigned char>(value[run]);
        i = run + 1;
        switch (u) {
            case '\t': escape('t'); break;
            case '\n': escape('n'); break;
            case '\r': escape('r'); break;
            case '\\': escape('\\'); break;
            case '\0': escape('0'); break;
            default: {
                if (u < 0x80) {
                    hex(u);  // a control character
                    break;
                }
                // A byte that starts no sequence, or a C1 control byte by byte.
                std::size_t next = run;
                text::NextCodePoint(value, next);
                for (std::size_t b = run; b < next; ++b) hex(static_cast<unsigned char>(value[b]));
                i = next;
            }
        }
    }
    return out;
}

void AppendEscapedField(std::string& out, std::string_view value) {
    const std::size_t at = out.size();
    out.resize(at + kMaxEscapedPerByte * value.size());
    out.resize(static_cast<std::size_t>(EscapeFieldTo(out.data() + at, value) - out.data()));
}

std::string EscapeField(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    AppendEscapedField(out, value);
    return out;
}

std::string JsonString(std::string_view value) {
    std::string out = "\"";
    out.reserve(value.size() + 2);
    const auto unicode = [&](unsigned u) {
        out += "\\u00";
        out.push_back(kHexDigits[u >> 4]);
        out.push_back(kHexDigits[u & 0xF]);
    };
    ForEachPiece(
        value,
        [&](char c) {
            switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    if (IsControl(static_cast<unsigned char>(c))) unicode(static_cast<unsigned char>(c));
                    else out.push_back(c);
            }
        },
        [&](std::string_view piece, char32_t cp) {
            if (IsC1(cp)) unicode(static_cast<unsigned>(cp));
            else out.append(piece);
        },
        // A byte of a name that is no UTF-8: the same \xHH text as in the tab-separated output.
        [&](unsigned char u) {
            out += "\\\\x";
            out.push_back(kHexDigits[u >> 4]);
            out.push_back(kHexDigits[u & 0xF]);
        });
    out.push_back('"');
    return out;
}

bool NothingChecked(CliSession& session) {
    if (session.List.RowCount() != 0 && session.List.AnyRowChecked()) return false;
    session.Say(say::kNoFileChecked);
    return true;
}

void JsonLine::Key(std::string_view key) {
    if (text_.size() > 1) text_ += ", ";
    text_ += JsonString(key);
    text_ += ": ";
}

JsonLine& JsonLine::Text(std::string_view key, std::string_view value) { return Raw(key, JsonString(value)); }

JsonLine& JsonLine::Number(std::string_view key, long long value) { return Raw(key, std::to_string(value)); }

JsonLine& JsonLine::Bool(std::string_view key, bool value) { return Raw(key, value ? "true" : "false"); }

JsonLine& JsonLine::Texts(std::string_view key, const std::vector<std::string>& values) {
    std::string array = "[";
    for (const std::string& value : values) {
        if (array.size() > 1) array += ", ";
        array += JsonString(value);
    }
    return Raw(key, array + "]");
}

JsonLine& JsonLine::Raw(std::string_view key, std::string_view json) {
    Key(key);
    text_ += json;
    return *this;
}

const std::array<const char*, kColumnCount>& FieldKeys() {
    static const std::array<const char*, kColumnCount> keys = {
        "file",      "title",   "album",    "artist",      "year",      "track", "id3v",
        "genre",     "comment", "composer", "orig_artist", "copyright", "url",   "encoded_by",
        "tag_owner", "txxx",    "ufid",     "mcdi",        "tsse",      "tit1",  "size",
    };
    return keys;
}

std::string RowFieldsJson(const FileRow& row) {
    const bool hasTag = row.ColumnText(ColId3v) != "0";
    JsonLine fields;
    for (int c = 0; c < kColumnCount; ++c) {
        const char* key = FieldKeys()[static_cast<std::size_t>(c)];
        const std::string_view text = row.ColumnText(c);
        if (c == ColId3v || c == ColFileSize) {
            // Whole numbers; the size as the digits of its grouped text, null when it is unknown.
            std::string digits;
            std::copy_if(text.begin(), text.end(), std::back_inserter(digits),
                         [](char d) { return d >= '0' && d <= '9'; });
            fields.Raw(key, digits.empty() ? "null" : std::to_string(std::stoll(digits)));
        } else {
            fields.Text(key, c == ColTitle && !hasTag ? std::string_view() : std::string_view(text));
        }
    }
    return fields.Bool("has_tag", hasTag).Object();
}

}  // namespace tagmora::cli
