#pragma once

// Every text the command-line query prints.
namespace QueryText {

// The first line of the answer, with the number of contacts found.
inline constexpr const char* Found = "VOK_Address: %zu件";

} // namespace QueryText
