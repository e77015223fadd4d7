#include "CompanionFile.h"

#include "TabText.h"
#include "model/book/BookSnapshot.h"
#include "model/book/ContactExtras.h"
#include "model/io/AtomicFile.h"
#include "model/io/FileIo.h"

#include <array>
#include <cerrno>
#include <charconv>

namespace {

constexpr std::string_view kHeader = "VOK_Address extra 1";

constexpr std::array<std::string_view, 16> kFieldKeys = {"name",
                                                         "email",
                                                         "postalCode",
                                                         "address",
                                                         "phone",
                                                         "mobilePhone",
                                                         "fax",
                                                         "memo",
                                                         "company",
                                                         "officeEmail",
                                                         "officePostalCode",
                                                         "officeAddress",
                                                         "officePhone",
                                                         "officeFax",
                                                         "officeMemo",
                                                         "group"};

int fieldOfKey(std::string_view key)
{
    for (std::size_t i = 0; i < kFieldKeys.size(); ++i) {
        if (kFieldKeys[i] == key)
            return int(i);
    }
    return -1;
}

void appendLine(std::string& out, std::initializer_list<std::string_view> columns)
{
    out += '\t';
    bool first = true;
    for (std::string_view c : columns) {
        if (!first)
            out += '\t';
        first = false;
        TabText::appendEscaped(out, c);
    }
    out += '\n';
}

void appendExtras(std::string& out, const ContactExtras& x)
{
    if (!x.foreignUid.empty())
        appendLine(out, {"uid", x.foreignUid});
    if (!x.honorific.empty())
        appendLine(out, {"honorific", x.honorific});
    for (const auto& j : x.jointNames)
        appendLine(out, {"joint", j.name, j.honorific, j.reading});
    if (!x.title.empty())
        appendLine(out, {"title", x.title});
    if (!x.department.empty())
        appendLine(out, {"department", x.department});
    for (const auto& n : x.nenga) {
        appendLine(out, {"nenga", std::to_string(n.year), n.markWords(' ')});
    }
    for (const auto& [field, text] : x.fullText) {
        if (field >= 0 && field < int(kFieldKeys.size()))
            appendLine(out, {"text", kFieldKeys[std::size_t(field)], text});
    }
    for (const std::string& uid : x.notDuplicates)
        appendLine(out, {"notsame", uid});
    for (const auto& [key, value] : x.unknown)
        appendLine(out, {key, value});
}

void appendEntry(std::string& out, std::string_view prefix, const ContactUid& uid,
                 const RecordFingerprint& fp, const ContactExtras* extras)
{
    out += prefix;
    uid.appendTo(out);
    out += '\t';
    fp.appendHex(out);
    out += '\n';
    if (extras)
        appendExtras(out, *extras);
}

std::optional<int> number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// One property line (without its leading tab) into the extras; false when it makes no sense.
bool readProperty(std::string_view line, ContactExtras& x)
{
    const std::vector<std::string_view> c = TabText::split(line);
    const std::string_view key = c[0];
    const auto value = [&c](std::size_t i) {
        return i < c.size() ? TabText::unescaped(c[i]) : std::string();
    };
    if (key == "uid") {
        x.foreignUid = value(1);
    } else if (key == "honorific") {
        x.honorific = value(1);
    } else if (key == "joint") {
        x.jointNames.push_back({value(1), value(2), value(3)});
    } else if (key == "title") {
        x.title = value(1);
    } else if (key == "notsame") {
        x.notDuplicates.push_back(value(1));
    } else if (key == "department") {
        x.department = value(1);
    } else if (key == "nenga") {
        const auto year = c.size() > 1 ? number(c[1]) : std::nullopt;
        if (!year)
            return false;
        ContactExtras::Nenga n;
        n.year = *year;
        std::string_view marks = c.size() > 2 ? c[2] : std::string_view();
        while (!marks.empty()) {
            const std::size_t space = marks.find(' ');
            n.addMarkWord(marks.substr(0, space));
            marks = space == std::string_view::npos ? std::string_view() : marks.substr(space + 1);
        }
        x.setNenga(n);
    } else if (key == "text") {
        const int field = c.size() > 2 ? fieldOfKey(c[1]) : -1;
        if (field < 0)
            return false;
        x.fullText[field] = value(2);
    } else if (!key.empty()) {
        x.unknown.emplace_back(TabText::unescaped(key),
                               c.size() > 1 ? TabText::unescaped(line.substr(key.size() + 1))
                                            : std::string());
    } else {
        return false;
    }
    return true;
}

bool readEntry(std::string_view uidText, std::string_view fpText, ContactUid& uid,
               RecordFingerprint& fingerprint)
{
    const auto u = ContactUid::parse(uidText);
    const auto fp = RecordFingerprint::parseHex(fpText);
    if (!u || !fp)
        return false;
    uid = *u;
    fingerprint = *fp;
    return true;
}

// The file's lines, each entry handed to emit(aside, place) once its property lines are known,
// in the file's order. Ok, or Damaged for a line out of place, an entry line that makes no
// sense, or a missing or wrong end.
template <typename Emit>
CompanionFile::Status scanFile(std::string_view text, std::vector<std::string>& groups, Emit emit)
{
    if (text.starts_with("\xEF\xBB\xBF")) // a byte-order mark left by an editor
        text.remove_prefix(3);
    if (TabText::takeLine(text) != kHeader)
        return CompanionFile::Status::Damaged;

    CompanionFile::Place current;
    bool open = false; // current is an entry whose property lines may follow
    bool aside = false;
    std::size_t entries = 0;
    // An entry's property lines run to the last one before the next entry; the comments and
    // blank lines among them are skipped again when they are decoded.
    const char* first = nullptr;
    const char* last = nullptr;
    const auto finish = [&] {
        if (!open)
            return;
        current.properties =
            first ? std::string_view(first, std::size_t(last - first)) : std::string_view();
        emit(aside, current);
        entries += aside ? 0 : 1;
        open = false;
        first = last = nullptr;
    };
    bool damaged = false;
    bool ended = false;
    while (!text.empty() && !ended) {
        const char* lineStart = text.data();
        const std::string_view line = TabText::takeLine(text);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '\t') {
            if (!open) {
                damaged = true;
                continue;
            }
            if (!first)
                first = lineStart;
            last = line.data() + line.size();
            continue;
        }
        finish();
        const std::size_t tab = line.find('\t');
        const std::string_view key = line.substr(0, tab);
        std::string_view rest =
            tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
        if (key == "group") {
            groups.push_back(TabText::unescaped(rest));
            continue;
        }
        if (key == "end") {
            ended = true;
            const auto count = number(rest);
            if (!count || std::size_t(*count) != entries)
                damaged = true;
            continue;
        }
        aside = key == "aside";
        std::string_view uid = key;
        if (aside) {
            const std::size_t t2 = rest.find('\t');
            if (t2 == std::string_view::npos) {
                damaged = true;
                continue;
            }
            uid = rest.substr(0, t2);
            rest = rest.substr(t2 + 1);
        }
        if (!readEntry(uid, rest, current.uid, current.fingerprint)) {
            damaged = true;
            continue;
        }
        open = true;
    }
    finish();
    return damaged || !ended ? CompanionFile::Status::Damaged : CompanionFile::Status::Ok;
}

} // namespace

std::string CompanionFile::Encode(const BookSnapshot& snapshot, const std::vector<Entry>& aside)
{
    std::string out;
    out.reserve(64 + snapshot.size() * 72);
    out += kHeader;
    out += '\n';
    for (const std::string& group : snapshot.groups()) {
        out += "group\t";
        TabText::appendEscaped(out, group);
        out += '\n';
    }
    for (std::size_t i = 0; i < snapshot.size(); ++i)
        appendEntry(out, {}, snapshot.uid(i), snapshot.fingerprint(i), snapshot.extras(i));
    for (const Entry& e : aside)
        appendEntry(out, "aside\t", e.uid, e.fingerprint, e.extras.get());
    out += "end\t";
    out += std::to_string(snapshot.size());
    out += '\n';
    return out;
}

CompanionFile::Status CompanionFile::Scan(std::string_view text, Layout& layout)
{
    layout = {};
    // An entry's line takes at least 70 bytes: no growing on the way.
    layout.entries.reserve(text.size() / 70 + 1);
    return scanFile(text, layout.groups, [&layout](bool aside, const Place& place) {
        (aside ? layout.aside : layout.entries).push_back(place);
    });
}

bool CompanionFile::DecodeProperties(std::string_view properties,
                                     std::shared_ptr<const ContactExtras>& extras)
{
    extras.reset();
    if (properties.empty())
        return true;
    auto x = std::make_unique<ContactExtras>();
    bool ok = true;
    while (!properties.empty()) {
        const std::string_view line = TabText::takeLine(properties);
        if (line.empty() || line.front() != '\t')
            continue; // a comment or a blank line among them
        if (!readProperty(line.substr(1), *x))
            ok = false;
    }
    if (!x->empty())
        extras = std::shared_ptr<const ContactExtras>(std::move(x));
    return ok;
}

CompanionFile::Status CompanionFile::Decode(std::string_view text, Contents& contents)
{
    contents = {};
    contents.entries.reserve(text.size() / 70 + 1);
    bool damaged = false;
    const Status status =
        scanFile(text, contents.groups, [&contents, &damaged](bool aside, const Place& place) {
            Entry entry{place.uid, place.fingerprint, nullptr};
            if (!DecodeProperties(place.properties, entry.extras))
                damaged = true;
            (aside ? contents.aside : contents.entries).push_back(std::move(entry));
        });
    return damaged ? Status::Damaged : status;
}

CompanionFile::Status CompanionFile::Load(const std::string& path, Contents& contents)
{
    contents = {};
    std::string data;
    if (const int error = FileIo::readFile(path, data))
        return error == ENOENT ? Status::Missing : Status::ReadError;
    return Decode(data, contents);
}

bool CompanionFile::Save(const std::string& path, const BookSnapshot& snapshot,
                         const std::vector<Entry>& aside, bool keepBackup)
{
    const std::string text = Encode(snapshot, aside);
    return AtomicFile::replace(
        path, [&text](int fd) { return FileIo::writeAll(fd, text.data(), text.size()); },
        keepBackup);
}
