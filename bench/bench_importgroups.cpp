// A vCard file whose contacts name thousands of groups, imported into the window's book with the
// groups created as the import summary does: beside reading and parsing the same file, and
// beside creating the same groups one at a time (a change and a settings write each, as every
// import did before).
#include "BenchUtil.h"
#include "ScratchDesktop.h"
#include "core/BookImport.h"
#include "core/CVOK_AddressDoc.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/GroupName.h"
#include "model/exchange/vcard/VCardReader.h"
#include "settings/RegistryKey.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One small card per group, as a phone's export of a well-sorted address book gives.
std::string cards(std::size_t groups)
{
    std::string text;
    char line[160];
    for (std::size_t i = 0; i < groups; ++i) {
        std::snprintf(line, sizeof line,
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:名前%05zu\r\nCATEGORIES:取引先%05zu\r\n"
                      "END:VCARD\r\n",
                      i, i);
        text += line;
    }
    return text;
}

struct Timing
{
    double add = 0;    // the contacts into the book
    double groups = 0; // the groups created and the contacts moved there
    double undo = 0;   // one Ctrl+Z: the import with its groups
    std::size_t created = 0;
};

// A fresh profile and window each time: the settings file starts without groups.
Timing importInto(const QString& path, bool oneAtATime)
{
    QFile::remove(RegistryKey::storePath());
    const std::unique_ptr<CMainFrame> frame = ScratchDesktop::showBook(0);
    CVOK_AddressDoc& doc = *frame->document();
    Timing t;
    BookImport import(doc);
    auto t0 = std::chrono::steady_clock::now();
    import.load(path);
    import.read();
    import.add();
    t.add = seconds(t0);
    const QStringList names = import.missingGroups();
    t0 = std::chrono::steady_clock::now();
    if (oneAtATime) {
        // For every group: the book's groups listed, a change and a settings write, a look
        // through the contacts and a move.
        doc.JoinChanges(true);
        for (const QString& name : names) {
            const std::string bytes = Text::toCp932(name).value_or(std::string());
            const std::vector<std::string> known = import.knownGroups();
            if (std::any_of(known.begin(), known.end(),
                            [&](const std::string& k) { return GroupName::equals(k, bytes); }) ||
                !doc.CreateGroup(name))
                continue;
            ++t.created;
            // "名前00001" wants "取引先00001".
            const std::string_view number = std::string_view(bytes).substr(6);
            std::vector<AddressRecord*> movers;
            for (const auto& record : doc.records()) {
                if (record->name().substr(4) == number)
                    movers.push_back(record.get());
            }
            doc.MoveToGroup(movers, name);
        }
        doc.JoinChanges(false);
    } else {
        t.created = std::size_t(import.createGroups(names).size());
    }
    t.groups = seconds(t0);
    t0 = std::chrono::steady_clock::now();
    doc.Undo();
    t.undo = seconds(t0);
    QApplication::processEvents();
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    ScratchDesktop desktop(argc, argv);
    const std::string dir = Bench::scratchDir();
    std::printf("Importing a vCard whose every contact names a group of its own\n");
    for (const std::size_t groups : {std::size_t(1000), std::size_t(4000)}) {
        const std::string file = dir + "/groups.vcf";
        const std::string text = cards(groups);
        Bench::writeFile(file, std::vector<char>(text.begin(), text.end()), false);
        const QString path = QString::fromStdString(file);

        // The reference: the file read and parsed, nothing more.
        const double parse = Bench::best(3, [&] {
            const std::vector<char> bytes = Bench::readFile(file);
            const ImportResult r =
                VCardReader::read(std::string_view(bytes.data(), bytes.size()), {});
            if (r.records.size() != groups)
                std::fprintf(stderr, "contacts lost\n");
        });
        const Timing now = importInto(path, false);
        const Timing before = importInto(path, true);
        if (now.created != groups || before.created != groups)
            std::fprintf(stderr, "groups missing: %zu, %zu\n", now.created, before.created);

        std::printf("%zu groups, %.0f KB:\n", groups, double(text.size()) / 1024);
        std::printf("  read and parse the file      %8.3f s\n", parse);
        std::printf("  contacts into the book       %8.3f s\n", now.add);
        std::printf("  groups in one step           %8.3f s = %6.1fx the parse; undo %.3f s\n",
                    now.groups, now.groups / parse, now.undo);
        std::printf("  groups one at a time         %8.3f s = %6.1fx the parse; undo %.3f s\n",
                    before.groups, before.groups / parse, before.undo);
        std::printf("  goal: groups within 10x the parse: %s\n",
                    Bench::verdict(now.groups <= 10 * parse));
        std::remove(file.c_str());
    }
    ::rmdir(dir.c_str());
    return 0;
}
