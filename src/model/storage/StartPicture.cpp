#include "StartPicture.h"

#include "model/io/FileIo.h"
#include "model/io/PrivateDir.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

namespace {

constexpr std::string_view kMagic = "VOK_Address start picture 2\n";
// A list shows a few dozen rows; anything far beyond is no picture of ours. Pixels that do
// not fit are left out (the texts are drawn instead).
constexpr std::size_t kMaxFileSize = 32u << 20;
constexpr std::size_t kMaxPixelWords = 6u << 20;
constexpr std::uint32_t kMaxSide = 8192;
constexpr std::size_t kMaxPixels = 16u << 20; // a list across a 4K screen, and room to spare
constexpr std::uint32_t kMaxRows = 1000;
constexpr std::uint32_t kMaxColumns = 64;
constexpr std::uint32_t kMaxSelected = 100000;
constexpr std::uint32_t kMaxGroups = 10000;
constexpr std::uint32_t kMaxText = 64 * 1024;

// FNV-1a, eight bytes a step: the pixels make the file large. Any one changed word changes
// the sum, as each step is a bijection.
std::uint64_t checksum(std::string_view data)
{
    constexpr std::uint64_t prime = 1099511628211ull;
    std::uint64_t h = 14695981039346656037ull;
    std::size_t i = 0;
    for (; i + 8 <= data.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data.data() + i, sizeof word);
        h = (h ^ word) * prime;
    }
    for (; i < data.size(); ++i)
        h = (h ^ static_cast<unsigned char>(data[i])) * prime;
    return h;
}

bool pixelsFit(std::uint32_t width, std::uint32_t height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           std::size_t(width) * height <= kMaxPixels;
}

// Runs of one colour, and stretches copied as they are: a word with the top bit set holds
// a run's length and the colour follows; else it holds how many pixels follow.
constexpr std::uint32_t kRunBit = 0x80000000u;

std::vector<std::uint32_t> encodePixels(const std::vector<std::uint32_t>& pixels)
{
    std::vector<std::uint32_t> out;
    std::size_t i = 0;
    std::size_t literal = 0; // where the open stretch's count sits
    bool inLiteral = false;
    while (i < pixels.size()) {
        std::size_t run = 1;
        while (i + run < pixels.size() && pixels[i + run] == pixels[i] && run < kRunBit - 1)
            ++run;
        if (run >= 3) {
            out.push_back(kRunBit | static_cast<std::uint32_t>(run));
            out.push_back(pixels[i]);
            inLiteral = false;
        } else {
            if (!inLiteral || out[literal] >= kRunBit - 2) {
                literal = out.size();
                out.push_back(0);
                inLiteral = true;
            }
            for (std::size_t k = 0; k < run; ++k)
                out.push_back(pixels[i + k]);
            out[literal] += static_cast<std::uint32_t>(run);
        }
        i += run;
    }
    return out;
}

// False when the words do not make exactly `count` pixels.
bool decodePixels(const std::uint32_t* in, std::size_t words, std::size_t count,
                  std::vector<std::uint32_t>& pixels)
{
    pixels.resize(count);
    std::uint32_t* out = pixels.data();
    std::size_t done = 0;
    for (std::size_t w = 0; w < words;) {
        const std::uint32_t head = in[w++];
        const std::size_t n = head & ~kRunBit;
        if (n > count - done)
            return false;
        if (head & kRunBit) {
            if (w >= words)
                return false;
            std::fill_n(out + done, n, in[w++]);
        } else {
            if (n > words - w)
                return false;
            std::copy_n(in + w, n, out + done);
            w += n;
        }
        done += n;
    }
    return done == count;
}

class Writer
{
public:
    std::string out;
    void u32(std::uint32_t v) { raw(&v, sizeof v); }
    void i32(std::int32_t v) { raw(&v, sizeof v); }
    void i64(std::int64_t v) { raw(&v, sizeof v); }
    void text(const std::string& s)
    {
        u32(static_cast<std::uint32_t>(s.size()));
        out += s;
    }
    void words(const std::vector<std::uint32_t>& v) { raw(v.data(), v.size() * sizeof v[0]); }

private:
    void raw(const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); }
};

// Every read checks what is left; one failure makes all later reads fail.
class Reader
{
public:
    explicit Reader(std::string_view data) : m_data(data) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_data.empty(); }
    std::uint32_t u32() { return take<std::uint32_t>(); }
    std::int32_t i32() { return take<std::int32_t>(); }
    std::int64_t i64() { return take<std::int64_t>(); }
    // A count no larger than most.
    std::uint32_t count(std::uint32_t most)
    {
        const std::uint32_t n = u32();
        if (n > most)
            m_ok = false;
        return m_ok ? n : 0;
    }
    std::string_view bytes(std::size_t n)
    {
        if (!m_ok || n > m_data.size()) {
            m_ok = false;
            return {};
        }
        const std::string_view b = m_data.substr(0, n);
        m_data.remove_prefix(n);
        return b;
    }
    std::string text()
    {
        const std::uint32_t n = count(kMaxText);
        if (!m_ok || n > m_data.size()) {
            m_ok = false;
            return {};
        }
        std::string s(m_data.substr(0, n));
        m_data.remove_prefix(n);
        return s;
    }

private:
    template <typename T> T take()
    {
        T v{};
        if (!m_ok || m_data.size() < sizeof v) {
            m_ok = false;
            return v;
        }
        std::memcpy(&v, m_data.data(), sizeof v);
        m_data.remove_prefix(sizeof v);
        return v;
    }
    std::string_view m_data;
    bool m_ok = true;
};

} // namespace

StartPicture::Stamp StartPicture::stampOf(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::optional<StartPicture> StartPicture::Load(const std::string& path)
{
    std::string data;
    if (FileIo::readFile(path, data, kMaxFileSize) != 0)
        return std::nullopt;
    std::string_view text = data;
    if (!text.starts_with(kMagic) || text.size() < kMagic.size() + sizeof(std::uint64_t))
        return std::nullopt;
    text.remove_prefix(kMagic.size());
    std::uint64_t sum = 0;
    std::memcpy(&sum, text.data() + text.size() - sizeof sum, sizeof sum);
    text.remove_suffix(sizeof sum);
    if (checksum(text) != sum)
        return std::nullopt;

    Reader in(text);
    StartPicture p;
    p.key.book = {in.i64(), in.i64()};
    p.key.companion = {in.i64(), in.i64()};
    p.sort = in.u32();
    p.totalRows = in.u32();
    p.firstRow = in.u32();
    p.verticalScroll = in.i32();
    p.horizontalScroll = in.i32();
    p.currentRow = in.i32();
    const std::uint32_t columns = in.count(kMaxColumns);
    for (std::uint32_t c = 0; c < columns; ++c)
        p.widths.push_back(in.i32());
    const std::uint32_t selected = in.count(kMaxSelected);
    for (std::uint32_t i = 0; i < selected && in.ok(); ++i)
        p.selected.push_back(in.u32());
    const std::uint32_t rows = in.count(kMaxRows);
    for (std::uint32_t r = 0; r < rows && in.ok(); ++r) {
        std::vector<std::string>& row = p.rows.emplace_back();
        for (std::uint32_t c = 0; c < columns; ++c)
            row.push_back(in.text());
    }
    const std::uint32_t groups = in.count(kMaxGroups);
    for (std::uint32_t g = 0; g < groups && in.ok(); ++g)
        p.groups.push_back(in.text());
    p.pixels.width = in.u32();
    p.pixels.height = in.u32();
    p.pixels.look = in.text();
    const std::uint32_t words = in.count(kMaxPixelWords);
    const std::string_view encoded = in.bytes(std::size_t(words) * sizeof(std::uint32_t));
    if (!in.ok() || !in.atEnd())
        return std::nullopt;
    if (words > 0) {
        if (!pixelsFit(p.pixels.width, p.pixels.height))
            return std::nullopt;
        std::vector<std::uint32_t> aligned(words);
        std::memcpy(aligned.data(), encoded.data(), encoded.size());
        if (!decodePixels(aligned.data(), words, std::size_t(p.pixels.width) * p.pixels.height,
                          p.pixels.data))
            return std::nullopt;
    }
    // Rows and selection must lie inside the list they picture.
    const std::uint64_t end = std::uint64_t(p.firstRow) + p.rows.size();
    if (end > p.totalRows || (p.currentRow >= 0 && std::uint32_t(p.currentRow) >= p.totalRows) ||
        p.currentRow < -1)
        return std::nullopt;
    for (std::size_t i = 0; i < p.selected.size(); ++i) {
        if (p.selected[i] >= p.totalRows || (i > 0 && p.selected[i] <= p.selected[i - 1]))
            return std::nullopt;
    }
    return p;
}

bool StartPicture::Save(const std::string& path, const StartPicture& p)
{
    if (p.rows.size() > kMaxRows || p.widths.size() > kMaxColumns ||
        p.selected.size() > kMaxSelected || p.groups.size() > kMaxGroups)
        return false;
    Writer w;
    w.i64(p.key.book.size);
    w.i64(p.key.book.mtimeNs);
    w.i64(p.key.companion.size);
    w.i64(p.key.companion.mtimeNs);
    w.u32(p.sort);
    w.u32(p.totalRows);
    w.u32(p.firstRow);
    w.i32(p.verticalScroll);
    w.i32(p.horizontalScroll);
    w.i32(p.currentRow);
    w.u32(static_cast<std::uint32_t>(p.widths.size()));
    for (std::int32_t width : p.widths)
        w.i32(width);
    w.u32(static_cast<std::uint32_t>(p.selected.size()));
    for (std::uint32_t row : p.selected)
        w.u32(row);
    w.u32(static_cast<std::uint32_t>(p.rows.size()));
    for (const auto& row : p.rows) {
        if (row.size() != p.widths.size())
            return false;
        for (const std::string& cell : row)
            w.text(cell.size() > kMaxText ? cell.substr(0, kMaxText) : cell);
    }
    w.u32(static_cast<std::uint32_t>(p.groups.size()));
    for (const std::string& g : p.groups)
        w.text(g.size() > kMaxText ? g.substr(0, kMaxText) : g);
    std::vector<std::uint32_t> encoded;
    const StartPicture::Pixels& px = p.pixels;
    if (pixelsFit(px.width, px.height) && px.data.size() == std::size_t(px.width) * px.height &&
        px.look.size() <= kMaxText)
        encoded = encodePixels(px.data);
    if (encoded.size() > kMaxPixelWords)
        encoded.clear();
    w.u32(encoded.empty() ? 0 : px.width);
    w.u32(encoded.empty() ? 0 : px.height);
    w.text(encoded.empty() ? std::string() : px.look);
    w.u32(static_cast<std::uint32_t>(encoded.size()));
    w.words(encoded);
    const std::uint64_t sum = checksum(w.out);
    std::string out(kMagic);
    out += w.out;
    out.append(reinterpret_cast<const char*>(&sum), sizeof sum);
    return PrivateDir::createFor(path) && FileIo::replaceFile(path, [&out](int fd) {
               return FileIo::writeAll(fd, out.data(), out.size());
           });
}
