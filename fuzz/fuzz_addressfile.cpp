// libFuzzer target: any bytes as Address.vok. Loading must not crash or read past a slot, and a
// written record must read back as the same record.
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

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
            if (r->field(i).size() > AddressRecord::SlotWidth[std::size_t(i)])
                __builtin_trap();
        }
    }

    // Encoded and decoded again (what a save and the next load do, without the disk flushes
    // that would slow the fuzzer down): after one pass every field fits its slot, so a second
    // pass changes nothing.
    std::vector<char> first(AddressFile::RecordSize);
    std::vector<char> second(AddressFile::RecordSize);
    for (const auto& r : list) {
        AddressFile::EncodeRecord(*r, first.data());
        AddressRecord once;
        AddressFile::DecodeRecord(first.data(), once);
        AddressFile::EncodeRecord(once, second.data());
        if (first != second)
            __builtin_trap();
        AddressRecord twice;
        AddressFile::DecodeRecord(second.data(), twice);
        if (!(once == twice))
            __builtin_trap();
    }
    return 0;
}
