#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

// Readings guessed before, kept in a file under the user's cache folder so that a start needs
// neither the name dictionaries nor the guessing: one "name<TAB>guess" line per name (the name
// in CP932 as the record holds it, the guess in UTF-8, empty when the dictionaries know none),
// after a line naming the dictionaries' fingerprint. A file of other dictionaries, or of no
// known form, counts as empty. Names holding a tab or a line break are not kept.
//
//     GuessCache::Map guesses = GuessCache::Load(path, dictionary.fingerprint());
//     ...
//     GuessCache::Save(path, dictionary.fingerprint(), guesses);
namespace GuessCache {

struct NameHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using Map = std::unordered_map<std::string, std::string, NameHash, std::equal_to<>>;

Map Load(const std::string& path, std::string_view fingerprint);
// Replaces the file atomically (its folder made private first); false when it could not.
bool Save(const std::string& path, std::string_view fingerprint, const Map& guesses);

} // namespace GuessCache
