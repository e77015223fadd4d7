#include "CsvColumn.h"

#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/ExtrasText.h"
#include "model/exchange/ExchangeText.h"

std::string CsvColumn::jointLabel(int number, int field)
{
    std::string text(ExtrasText::JointNames);
    text += std::to_string(number);
    if (field == JointHonorific) {
        text += ExchangeText::Of;
        text += ExtrasText::Honorific;
    } else if (field == JointReading) {
        text += ExchangeText::Of;
        text += ExchangeText::Reading;
    }
    return text;
}

std::string CsvColumn::label() const
{
    namespace T = ExchangeText;
    switch (field) {
    case Ignore:
        return std::string(T::Ignore);
    case Honorific:
        return std::string(ExtrasText::Honorific);
    case Title:
        return std::string(ExtrasText::Title);
    case JointName:
    case JointHonorific:
    case JointReading:
        return jointLabel(set, field);
    case Uid:
        return std::string(T::Uid);
    default:
        break;
    }
    std::string text(field == Reading ? T::Reading : T::FieldNames[std::size_t(field)]);
    std::string_view name;
    switch (part) {
    case Part::Whole:
        return text;
    case Part::Family:
        name = T::PartFamily;
        break;
    case Part::Given:
        name = T::PartGiven;
        break;
    case Part::Middle:
        name = T::PartMiddle;
        break;
    case Part::Region:
        name = T::PartRegion;
        break;
    case Part::Locality:
        name = T::PartLocality;
        break;
    case Part::Street:
        name = T::PartStreet;
        break;
    case Part::Extended:
        name = T::PartExtended;
        break;
    case Part::Country:
        name = T::PartCountry;
        break;
    case Part::Department:
        name = ExtrasText::Department;
        break;
    case Part::Labelled:
        name = T::PartLabelled;
        break;
    }
    text += T::PartOpen;
    text += name;
    text += T::PartClose;
    return text;
}

std::vector<CsvColumn> CsvColumn::choices()
{
    using R = AddressRecord;
    std::vector<CsvColumn> all;
    const auto add = [&](int field, Part part = Part::Whole) { all.push_back({field, part}); };
    add(Ignore);
    add(R::Name);
    add(R::Name, Part::Family);
    add(R::Name, Part::Given);
    add(R::Name, Part::Middle);
    add(Reading);
    add(Reading, Part::Family);
    add(Reading, Part::Given);
    for (int f = R::Email; f < R::FieldCount; ++f) {
        add(f);
        if (f == R::Address || f == R::OfficeAddress) {
            for (Part p :
                 {Part::Region, Part::Locality, Part::Street, Part::Extended, Part::Country})
                add(f, p);
        } else if (f == R::Memo) {
            add(f, Part::Labelled);
        } else if (f == R::Company) {
            add(f, Part::Department);
        }
    }
    add(Honorific);
    add(Title);
    for (int n = 1; n <= int(ContactExtras::MaxJointNames); ++n) {
        for (int f : {JointName, JointHonorific, JointReading})
            all.push_back({f, Part::Whole, n});
    }
    add(Uid);
    return all;
}
