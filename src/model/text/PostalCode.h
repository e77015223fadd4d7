#pragma once

#include <string>
#include <string_view>

// Japanese postal codes as people and other programs write them: 〒100-0001, １７０－００１３,
// 1000001, "100 0001".
namespace PostalCode {

// The code as "NNN-NNNN" when the text holds seven digits and nothing else but a 〒 mark,
// spaces and hyphens (in any width); anything else comes back unchanged, since it may be a
// foreign code or a note the user wants to keep. UTF-8 in and out.
std::string normalized(std::string_view utf8);

// The seven digits of such a code, else empty.
std::string digits(std::string_view utf8);

} // namespace PostalCode
