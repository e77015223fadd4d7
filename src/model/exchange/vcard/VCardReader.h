#pragma once

#include "model/exchange/ImportResult.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Reads vCard files of versions 2.1, 3.0 and 4.0 as phones, web mail services and desktop
// address books write them: folded lines, QUOTED-PRINTABLE with soft line breaks, BASE64,
// CHARSET parameters (Shift_JIS read as CP932), bare 2.1 types ("TEL;CELL;PREF:"), several
// cards per file, UTF-8 with or without a byte-order mark, and UTF-16.
//
// Mapping: FN (else N) to the name; TEL, EMAIL, ADR by their types (home, work, cell, fax,
// pref) to the personal and office fields; ORG to the company; NOTE to the memo (NOTE with
// TYPE=work to the office memo); CATEGORIES to the group (see ContactBuilder::finish). The
// reading comes, in this order of preference, from X-PHONETIC-LAST-NAME/-FIRST-NAME, SORT-STRING,
// N's SORT-AS, a 4.0 N with a PHONETIC parameter (or a kana LANGUAGE/SCRIPT), and the IrMC
// reading "SOUND;X-IRMC-N" that Japanese feature phones (and Android's Japanese 2.1 export)
// write; such phones also name the group in X-GN, read like CATEGORIES. BDAY, ANNIVERSARY, URL,
// NICKNAME, TITLE, ROLE, IMPP and whatever finds its field taken go into the memo as labelled
// lines; PHOTO and LOGO are skipped and counted. A card with nothing to import is refused with
// the line of its BEGIN.
//
//     ImportResult r = VCardReader::readFile(path, knownGroupsCp932);
//     if (r.status == ImportResult::Status::OpenFailed) ...
//     // r.records[i], r.readings[i], r.replaced, r.refused, r.photosSkipped
class VCardReader
{
public:
    static constexpr std::string_view DefaultGroup = "Other";
    // A larger file is not an address book.
    static constexpr std::size_t MaxFileBytes = std::size_t(1) << 30;

    // knownGroups and fallbackGroup are CP932.
    static ImportResult read(std::string_view bytes, const std::vector<std::string>& knownGroups,
                             std::string_view fallbackGroup = DefaultGroup);
    static ImportResult readFile(const std::string& path,
                                 const std::vector<std::string>& knownGroups,
                                 std::string_view fallbackGroup = DefaultGroup);
};
