#include "CsvTokenizer.h"

#include <algorithm>
#include <cstring>

CsvTokenizer::CsvTokenizer(std::string_view text, char delimiter, bool legacy)
    : m_text(text), m_delimiter(delimiter), m_legacy(legacy)
{
}

std::size_t CsvTokenizer::lineEndLength(std::string_view text, std::size_t pos)
{
    if (pos >= text.size())
        return 0;
    if (text[pos] == '\n')
        return 1;
    if (text[pos] != '\r')
        return 0;
    if (pos + 1 < text.size() && text[pos + 1] == '\n')
        return 2;
    if (pos + 2 < text.size() && text[pos + 1] == '\r' && text[pos + 2] == '\n')
        return 3;
    return 1;
}

std::size_t CsvTokenizer::next(char c, std::size_t& cached) const
{
    // The position found last time serves until the reader passes it: a file of CR-only lines
    // must not be searched to its end for an LF once per line.
    if (cached == std::string_view::npos || cached < m_pos) {
        const char* base = m_text.data();
        const auto* hit =
            static_cast<const char*>(std::memchr(base + m_pos, c, m_text.size() - m_pos));
        cached = hit ? std::size_t(hit - base) : m_text.size();
    }
    return cached;
}

std::string_view CsvTokenizer::peekLine() const
{
    const std::size_t end = std::min(next('\n', m_nextLf), next('\r', m_nextCr));
    return m_text.substr(m_pos, end - m_pos);
}

void CsvTokenizer::skipLine()
{
    m_recordLine = m_line;
    m_pos += peekLine().size();
    m_pos += lineEndLength(m_text, m_pos);
    ++m_line;
}

void CsvTokenizer::bareValue(std::string& out, std::size_t from, std::size_t to) const
{
    const std::string_view v = m_text.substr(from, to - from);
    if (!m_legacy || v.find('"') == std::string_view::npos) {
        out.append(v);
        return;
    }
    for (char c : v) {
        if (c != '"')
            out += c;
    }
}

// One value from m_pos, up to (not including) its delimiter or line end.
void CsvTokenizer::value(std::string& out, bool& closed)
{
    const std::size_t size = m_text.size();
    closed = true;
    if (m_pos < size && m_text[m_pos] == '"') {
        std::size_t q = m_pos + 1;
        std::size_t lines = 0;
        closed = false;
        while (q < size) {
            const char c = m_text[q];
            if (c == '"') {
                if (q + 1 < size && m_text[q + 1] == '"') {
                    out += '"';
                    q += 2;
                    continue;
                }
                closed = true;
                ++q;
                break;
            }
            if (const std::size_t n = lineEndLength(m_text, q)) {
                out.append(m_text.substr(q, n));
                q += n;
                ++lines;
                continue;
            }
            out += c;
            ++q;
        }
        if (!closed)
            return;
        m_pos = q;
        m_line += lines;
    }
    // A bare value, or what follows a closing quote before the delimiter.
    std::size_t end = m_pos;
    while (end < size && m_text[end] != m_delimiter && m_text[end] != '\r' && m_text[end] != '\n')
        ++end;
    bareValue(out, m_pos, end);
    m_pos = end;
}

bool CsvTokenizer::next(std::vector<std::string>& values, std::size_t& count)
{
    count = 0;
    if (m_pos >= m_text.size())
        return false;
    m_recordLine = m_line;
    const std::size_t start = m_pos;
    const std::size_t startLine = m_line;
    bool quotes = true;
    for (;;) {
        if (count == values.size())
            values.emplace_back();
        std::string& v = values[count++];
        v.clear();
        bool closed = true;
        if (quotes) {
            value(v, closed);
        } else {
            std::size_t end = m_pos;
            while (end < m_text.size() && m_text[end] != m_delimiter && m_text[end] != '\r' &&
                   m_text[end] != '\n')
                ++end;
            bareValue(v, m_pos, end);
            m_pos = end;
        }
        if (!closed) {
            // Read this line again without quotes: a stray quote must not eat the file.
            m_pos = start;
            m_line = startLine;
            count = 0;
            quotes = false;
            continue;
        }
        if (m_pos < m_text.size() && m_text[m_pos] == m_delimiter) {
            ++m_pos;
            continue;
        }
        m_pos += lineEndLength(m_text, m_pos);
        ++m_line;
        return true;
    }
}
