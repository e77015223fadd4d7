#include "AddressRecord.h"

#include "ContactExtras.h"

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
    m_fpKnown = false;
}

AddressRecord::AddressRecord(const AddressRecord& other)
    : m_text(other.m_text), m_end(other.m_end), m_extras(other.m_extras), m_fp(other.m_fp),
      m_fpKnown(other.m_fpKnown)
{
}

AddressRecord& AddressRecord::operator=(const AddressRecord& other)
{
    m_text = other.m_text;
    m_end = other.m_end;
    m_extras = other.m_extras;
    m_fp = other.m_fp;
    m_fpKnown = other.m_fpKnown;
    return *this;
}

AddressRecord::~AddressRecord() = default;

void AddressRecord::setExtras(const ContactExtras& extras)
{
    if (extras.empty())
        m_extras.reset();
    else
        m_extras = std::make_shared<const ContactExtras>(extras);
}

void AddressRecord::setExtras(std::shared_ptr<const ContactExtras> extras)
{
    if (extras && extras->empty())
        extras.reset();
    m_extras = std::move(extras);
}

bool AddressRecord::operator==(const AddressRecord& other) const
{
    if (m_end != other.m_end || m_text != other.m_text)
        return false;
    if (m_extras == other.m_extras)
        return true;
    return m_extras && other.m_extras && *m_extras == *other.m_extras;
}
