#include "ContactDraft.h"
#include "TabText.h"

#include "model/io/FileIo.h"
#include "model/io/PrivateDir.h"
#include "model/text/Hex.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

constexpr std::string_view kHeader = "VOK_Address drafts 1";
constexpr std::size_t kMaxFile = 16u << 20;

void appendEncoded(std::string& out, std::string_view bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != '%') {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
}

bool decode(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = Hex::digitValue(text[i + 1]);
        const int low = Hex::digitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// "field 3 value": the index and the value; false when the line is not of that shape.
bool indexed(std::string_view rest, std::size_t& index, std::string& value)
{
    const std::size_t blank = rest.find(' ');
    const std::string_view number = rest.substr(0, blank);
    if (number.empty() || number.size() > 2)
        return false;
    index = 0;
    for (const char c : number) {
        if (c < '0' || c > '9')
            return false;
        index = index * 10 + std::size_t(c - '0');
    }
    return index < AddressRecord::FieldCount &&
           decode(blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1),
                  value);
}

} // namespace

ContactDraft::Status ContactDraft::Load(const std::string& path, std::vector<ContactDraft>& drafts)
{
    drafts.clear();
    std::string data;
    if (const int error = FileIo::readFile(path, data, kMaxFile))
        return error == ENOENT ? Status::Missing : Status::ReadError;
    std::string_view text = data;
    bool first = true;
    while (!text.empty()) {
        const std::string_view line = TabText::takeLine(text);
        if (first) {
            if (line != kHeader)
                return Status::ReadError;
            first = false;
            continue;
        }
        const std::size_t blank = line.find(' ');
        const std::string_view key = line.substr(0, blank);
        const std::string_view rest =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        std::size_t index = 0;
        std::string value;
        if (key == "draft") {
            ContactDraft draft;
            draft.edit = rest.starts_with("edit");
            draft.copyAsNew = rest.ends_with(" copy");
            drafts.push_back(std::move(draft));
        } else if (drafts.empty() || line.empty()) {
            continue;
        } else if (key == "field" && indexed(rest, index, value)) {
            drafts.back().fields[index] = std::move(value);
        } else if (key == "original" && indexed(rest, index, value)) {
            drafts.back().original[index] = std::move(value);
        } else if (key == "reading" && decode(rest, value)) {
            drafts.back().reading = std::move(value);
        }
    }
    return first ? Status::ReadError : drafts.empty() ? Status::Missing : Status::Ok;
}

ContactDraft::Status ContactDraft::Save(const std::string& path,
                                        const std::vector<ContactDraft>& drafts)
{
    if (drafts.empty())
        return std::remove(path.c_str()) == 0 || errno == ENOENT ? Status::Ok : Status::WriteError;
    std::string out(kHeader);
    out += '\n';
    for (const ContactDraft& d : drafts) {
        out += d.edit ? "draft edit" : "draft new";
        out += d.copyAsNew ? " copy\n" : "\n";
        const auto values = [&out](const char* key, const auto& fields) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (fields[i].empty())
                    continue;
                out += key;
                out += ' ';
                out += std::to_string(i);
                out += ' ';
                appendEncoded(out, fields[i]);
                out += '\n';
            }
        };
        values("field", d.fields);
        if (d.edit)
            values("original", d.original);
        if (!d.reading.empty()) {
            out += "reading ";
            appendEncoded(out, d.reading);
            out += '\n';
        }
    }
    const bool ok = PrivateDir::createFor(path) && FileIo::replaceFile(path, [&out](int fd) {
                        return FileIo::writeAll(fd, out.data(), out.size());
                    });
    return ok ? Status::Ok : Status::WriteError;
}
