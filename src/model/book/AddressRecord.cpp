#include "AddressRecord.h"

#include <cassert>

std::string_view AddressRecord::field(int index) const
{
    assert(index >= 0 && index < FieldCount);
    const std::uint32_t begin = index == 0 ? 0 : m_end[index - 1];
    return std::string_view(m_text).substr(begin, m_end[index] - begin);
}

void AddressRecord::setField(int index, std::string_view text)
{
    std::array<std::string, FieldCount> copy;
    std::array<std::string_view, FieldCount> views;
    for (int i = 0; i < FieldCount; ++i) {
        copy[i] = i == index ? std::string(text) : std::string(field(i));
        views[i] = copy[i];
    }
    assign(views);
}

void AddressRecord::assign(const std::array<std::string_view, FieldCount>& fields)
{
    std::size_t total = 0;
    for (const auto& f : fields)
        total += f.size();
    // Into a new string: a field may be a view of this record's own text.
    std::string text;
    text.reserve(total);
    for (int i = 0; i < FieldCount; ++i) {
        text.append(fields[i]);
        m_end[i] = static_cast<std::uint32_t>(text.size());
    }
    m_text = std::move(text);
}

bool AddressRecord::operator==(const AddressRecord& other) const
{
    return m_end == other.m_end && m_text == other.m_text;
}
