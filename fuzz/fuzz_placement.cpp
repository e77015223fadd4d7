// libFuzzer target: any bytes as the stored "Style" value. The parser must not crash, and what
// it accepts must format to a string that parses back to the same ten numbers.
#include "settings/WindowPlacement.h"

#include <cstdint>

namespace {

bool samePlacement(const WindowPlacement& a, const WindowPlacement& b)
{
    return a.flags == b.flags && a.showCmd == b.showCmd && a.minX == b.minX && a.minY == b.minY &&
           a.maxX == b.maxX && a.maxY == b.maxY && a.left == b.left && a.top == b.top &&
           a.right == b.right && a.bottom == b.bottom;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The settings store hands the value over as text; take the bytes both ways it could.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QString& text : {QString::fromUtf8(bytes), QString::fromLatin1(bytes)}) {
        const std::optional<WindowPlacement> p = WindowPlacement::parse(text);
        if (!p)
            continue;
        const QString again = p->format();
        const std::optional<WindowPlacement> back = WindowPlacement::parse(again);
        if (!back || !samePlacement(*p, *back) || back->format() != again)
            __builtin_trap();
        // The window's rectangle is null or exactly the stored edges.
        const QRect rect = p->normalRect();
        if (!rect.isNull() && (rect.left() != p->left || rect.top() != p->top ||
                               qint64(rect.left()) + rect.width() != p->right ||
                               qint64(rect.top()) + rect.height() != p->bottom ||
                               rect.width() <= 0 || rect.height() <= 0))
            __builtin_trap();
    }
    return 0;
}
