#pragma once

#include <string>
#include <string_view>

// The form in which search text and queries are compared: what a Japanese user does not tell
// apart is made equal. Upper and lower case, full-width and half-width forms (ＡＢＣ, １２３,
// ｶﾞ), hiragana and katakana (folded to hiragana), the dash family (‐ ― − － to -), the
// ideographic space; a voiced or semi-voiced mark after a kana joins it (か゛ = が).
// The result is UTF-8, so that a substring match always starts at a character boundary.
namespace TextFold {

// One code point, without the joining of marks.
char32_t foldChar(char32_t c);

std::string fromUtf8(std::string_view utf8);
void appendUtf8(std::string& out, std::string_view utf8);

// CP932 bytes folded through a table built once: the same result as
// fromUtf8(Cp932::toUtf8(text)) without decoding each field through iconv.
std::string fromCp932(std::string_view cp932);
void appendCp932(std::string& out, std::string_view cp932);

// Folded text with spaces, hyphens, long-vowel marks, parentheses and 〒 removed: phone numbers
// and postal codes compare by what is left ("03-1234-5678" and "(03)12345678" both 0312345678).
std::string phoneForm(std::string_view folded);
void appendPhoneForm(std::string& out, std::string_view folded);

} // namespace TextFold
