#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits comma-separated text into records and values, RFC 4180 style: a value that starts with
// a double quote runs to the closing quote (a doubled quote inside stands for one, delimiters
// and line breaks inside belong to the value). A line ends at CR LF, LF, a lone CR, or CR CR LF
// (a CR LF file that went through a converter once too often); none of them is ever part of a
// value outside quotes. A quote that never closes does not swallow the rest of the file: that
// line is read again as if it had no quotes.
//
// In the legacy mode of this program's own files, double quotes are removed from values that do
// not start with one, as older copies of the program did.
class CsvTokenizer
{
public:
    CsvTokenizer(std::string_view text, char delimiter = ',', bool legacy = false);

    // Reads the next record into values[0 .. count), reusing the strings; false at the end.
    // Values keep their line breaks as they were.
    bool next(std::vector<std::string>& values, std::size_t& count);

    // 1-based line on which the last record started.
    std::size_t line() const { return m_recordLine; }
    // Bytes consumed so far.
    std::size_t position() const { return m_pos; }
    bool atEnd() const { return m_pos >= m_text.size(); }

    // The current physical line without its line end, and the step past it: for callers that
    // take lines without quotes faster on their own.
    std::string_view peekLine() const;
    void skipLine();

    // Length of the line end at pos (0 when there is none).
    static std::size_t lineEndLength(std::string_view text, std::size_t pos);

private:
    std::size_t next(char c, std::size_t& cached) const;
    void value(std::string& out, bool& closed);
    void bareValue(std::string& out, std::size_t from, std::size_t to) const;

    std::string_view m_text;
    char m_delimiter;
    bool m_legacy;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    std::size_t m_recordLine = 0;
    mutable std::size_t m_nextLf = std::string_view::npos;
    mutable std::size_t m_nextCr = std::string_view::npos;
};
