#pragma once

#include "model/book/AddressRecord.h"
#include "model/text/Cp932.h"

#include <memory>

// Shared by the document's tests.
namespace CoreTest {

// A contact with a name and a group, both given in UTF-8.
inline std::unique_ptr<AddressRecord> contact(const char* name, const char* group)
{
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, Cp932::fromUtf8(name).bytes);
    r->setField(AddressRecord::Group, Cp932::fromUtf8(group).bytes);
    return r;
}

} // namespace CoreTest
