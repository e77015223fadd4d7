// libFuzzer target: any bytes as Address.vok. Loading must not crash or read past a slot, and a
// saved book must load back as the same records.
#include "model/AddressFile.h"
#include "model/AddressRecord.h"
#include "model/RecordList.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::string scratchFile()
{
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/vok-fuzz-XXXXXX";
        if (!::mkdtemp(dir.data()))
            __builtin_trap();
        return dir + "/Address.vok";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = scratchFile();
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    RecordList list;
    if (AddressFile::Load(file, list) != AddressFile::Status::Ok)
        __builtin_trap();
    if (list.size() != size / AddressFile::RecordSize)
        __builtin_trap();
    for (const auto& r : list) {
        for (int i = 0; i < AddressRecord::FieldCount; ++i) {
            if (r->field(i).size() > AddressFile::SlotWidth[std::size_t(i)])
                __builtin_trap();
        }
    }

    // Save and load again: after one save every field fits its slot, so a second round trip
    // changes nothing.
    if (AddressFile::Save(file, list) != AddressFile::Status::Ok)
        return 0;
    RecordList once;
    AddressFile::Load(file, once);
    if (AddressFile::Save(file, once) != AddressFile::Status::Ok)
        return 0;
    RecordList twice;
    AddressFile::Load(file, twice);
    if (once.size() != list.size() || twice.size() != once.size())
        __builtin_trap();
    for (std::size_t i = 0; i < once.size(); ++i) {
        if (!(*once.at(i) == *twice.at(i)))
            __builtin_trap();
    }
    return 0;
}
