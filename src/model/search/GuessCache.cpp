#include "GuessCache.h"

#include "model/io/FileIo.h"
#include "model/io/PrivateDir.h"

namespace {

constexpr std::string_view kHeader = "VOK_Address guessed readings 1\n";
constexpr std::size_t kMaxFileSize = 256u << 20;

std::string_view takeLine(std::string_view& text)
{
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    return line;
}

} // namespace

namespace GuessCache {

Map Load(const std::string& path, std::string_view fingerprint)
{
    Map guesses;
    std::string data;
    if (FileIo::readFile(path, data, kMaxFileSize) != 0)
        return guesses;
    std::string_view text = data;
    if (!text.starts_with(kHeader))
        return guesses;
    text.remove_prefix(kHeader.size());
    if (takeLine(text) != fingerprint)
        return guesses;
    // Lines are short: a count of line ends sizes the table once.
    std::size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    guesses.reserve(lines);
    while (!text.empty()) {
        const std::string_view line = takeLine(text);
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0)
            continue;
        guesses.emplace(line.substr(0, tab), line.substr(tab + 1));
    }
    return guesses;
}

bool Save(const std::string& path, std::string_view fingerprint, const Map& guesses)
{
    std::string out;
    std::size_t bytes = kHeader.size() + fingerprint.size() + 1;
    for (const auto& [name, guess] : guesses)
        bytes += name.size() + guess.size() + 2;
    out.reserve(bytes);
    out += kHeader;
    out += fingerprint;
    out += '\n';
    for (const auto& [name, guess] : guesses) {
        if (name.empty() || name.find_first_of("\t\r\n") != std::string::npos ||
            guess.find_first_of("\t\r\n") != std::string::npos)
            continue;
        out += name;
        out += '\t';
        out += guess;
        out += '\n';
    }
    return PrivateDir::createFor(path) && FileIo::replaceFile(path, [&out](int fd) {
               return FileIo::writeAll(fd, out.data(), out.size());
           });
}

} // namespace GuessCache
