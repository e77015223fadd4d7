#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the list showed at the last clean exit, kept under the user's cache folder so that the
// next start can show the same rows before the book is read: the visible rows' texts (UTF-8)
// and pixels, the columns, the sort, the selection and scroll position, and the group tree's
// names. It is tied to the book and companion files it was taken from (size and modification
// time of each); a picture of files that changed since, or a file that is not whole, is never
// used.
//
//     StartPicture picture = list.takePicture();
//     picture.key = StartPicture::keyOf(book, companion);
//     StartPicture::Save(cachePath, picture);
//     ...
//     if (auto old = StartPicture::Load(cachePath); old && old->key == StartPicture::keyOf(...))
struct StartPicture
{
    // One file's size and modification time; size -1 for a file that does not exist.
    struct Stamp
    {
        std::int64_t size = -1;
        std::int64_t mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Key
    {
        Stamp book;
        Stamp companion;
        bool operator==(const Key&) const = default;
    };
    static Stamp stampOf(const std::string& path);
    static Key keyOf(const std::string& book, const std::string& companion)
    {
        return {stampOf(book), stampOf(companion)};
    }

    Key key;
    std::uint32_t sort = 0;
    std::uint32_t totalRows = 0; // rows the list held
    std::uint32_t firstRow = 0;  // the first of `rows`
    std::int32_t verticalScroll = 0;
    std::int32_t horizontalScroll = 0;
    std::int32_t currentRow = -1;
    std::vector<std::int32_t> widths;           // per column; 0 for a hidden one
    std::vector<std::uint32_t> selected;        // rows, ascending
    std::vector<std::vector<std::string>> rows; // from firstRow on, one text per column
    std::vector<std::string> groups;            // the user groups, in tree order

    // The rows' area as it was painted: drawing it costs a start less than laying out every
    // text again. A start whose list differs in any of `look` (size, scale, font, colours)
    // draws the texts instead.
    struct Pixels
    {
        std::uint32_t width = 0; // device pixels
        std::uint32_t height = 0;
        std::string look;
        std::vector<std::uint32_t> data; // 0xffRRGGBB, row after row
    };
    Pixels pixels;

    // Nothing when the file is missing, not whole or not of this form.
    static std::optional<StartPicture> Load(const std::string& path);
    // Replaces the file atomically (its folder made private first); false when it could not.
    static bool Save(const std::string& path, const StartPicture& picture);
};
