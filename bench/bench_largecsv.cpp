// A 100 MB CSV of another program (the columns of a web mail service's export), imported
// through the window's import as the user does it: the time until the preview shows, the
// whole import, the longest time the window's events waited, and the peak memory the import
// took, each beside the file (its size, the time to read it) measured in the same run.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "ScratchDesktop.h"
#include "core/CVOK_AddressDoc.h"
#include "model/book/AddressRecord.h"
#include "model/exchange/csv/ForeignCsv.h"
#include "model/io/FileIo.h"
#include "model/text/Cp932.h"
#include "ui/exchange/CsvImportDialog.h"
#include "ui/exchange/FileImport.h"
#include "ui/exchange/ImportSummaryDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>

namespace {

// The peak resident memory (VmHWM) of this process in kB, and its reset to the present size.
long peakKb()
{
    return Bench::statusKb("VmHWM");
}

bool resetPeak()
{
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f)
        return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

std::string utf8(std::string_view cp932)
{
    return Cp932::toUtf8(cp932);
}

// A cell as RFC 4180 writes it.
void cell(std::string& line, std::string_view value)
{
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += value;
        return;
    }
    line += '"';
    for (char c : value) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

// The export's columns, most of them empty for most contacts.
std::string makeCsv(std::size_t bytes)
{
    std::string text = "Name,Given Name,Additional Name,Family Name,Yomi Name,Nickname,Birthday,"
                       "Notes,Group Membership,E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,"
                       "Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,"
                       "Address 1 - Formatted,Address 1 - Postal Code,Organization 1 - Name,"
                       "Website 1 - Type,Website 1 - Value\r\n";
    text.reserve(bytes + 1024);
    AddressBookGenerator generator;
    std::string line;
    while (text.size() < bytes) {
        const auto r = generator.makeRecord();
        const std::string name = utf8(r->name());
        const std::size_t space = name.find("\xE3\x80\x80"); // the full-width blank
        line.clear();
        const std::string fields[] = {name,
                                      space == std::string::npos ? "" : name.substr(space + 3),
                                      "",
                                      name.substr(0, space),
                                      "",
                                      "",
                                      "",
                                      utf8(r->memo()),
                                      "* myContacts ::: " + utf8(r->group()),
                                      "* Home",
                                      utf8(r->email()),
                                      "Mobile",
                                      utf8(r->mobilePhone()),
                                      "Home",
                                      utf8(r->phone()),
                                      "Home",
                                      utf8(r->address()),
                                      utf8(r->postalCode()),
                                      utf8(r->company()),
                                      "",
                                      ""};
        bool first = true;
        for (const std::string& f : fields) {
            if (!first)
                line += ',';
            first = false;
            cell(line, f);
        }
        line += "\r\n";
        text += line;
    }
    return text;
}

struct Reading
{
    double toPreview = 0;  // the file read and its first rows shown
    double toContacts = 0; // and all its contacts read
    long peakKb = 0;
    std::size_t contacts = 0;
};

// The model's part of the import, the way it goes now: the file's own bytes tokenised.
Reading readNow(const std::string& file)
{
    Reading r;
    QElapsedTimer clock;
    clock.start();
    std::string bytes;
    FileIo::readFile(file, bytes, ForeignCsv::MaxFileBytes, [](std::uint64_t, std::uint64_t) {});
    const ForeignCsv::Plan plan = ForeignCsv::guessPlan(bytes);
    ForeignCsv::rows(bytes, plan.encoding, plan.delimiter, 1);
    ForeignCsv::preview(bytes, plan, 5);
    r.toPreview = double(clock.elapsed()) / 1000;
    const ImportResult result = ForeignCsv::apply(bytes, plan, {}, SIZE_MAX,
                                                  [](std::size_t, std::uint64_t, std::uint64_t) {});
    r.toContacts = double(clock.elapsed()) / 1000;
    r.contacts = result.size();
    r.peakKb = peakKb();
    return r;
}

// The way it went before: the whole file decoded into a copy for the guess, for the header, for
// the preview and for the import.
Reading readBefore(const std::string& file)
{
    Reading r;
    QElapsedTimer clock;
    clock.start();
    std::string bytes;
    FileIo::readFile(file, bytes, ForeignCsv::MaxFileBytes);
    ForeignCsv::Plan plan;
    {
        const std::string text = ForeignCsv::decode(bytes, ForeignCsv::detectEncoding(bytes));
        plan = ForeignCsv::guessPlan(bytes);
        ForeignCsv::parse(text, plan.delimiter, 30);
    }
    for (std::size_t rows : {1, 6}) {
        const std::string text = ForeignCsv::decode(bytes, plan.encoding);
        ForeignCsv::parse(text, plan.delimiter, rows);
    }
    r.toPreview = double(clock.elapsed()) / 1000;
    const std::string text = ForeignCsv::decode(bytes, plan.encoding);
    ForeignCsv::Plan decoded = plan;
    decoded.encoding = ForeignCsv::Encoding::Utf8;
    const ImportResult result = ForeignCsv::apply(text, decoded, {});
    r.toContacts = double(clock.elapsed()) / 1000;
    r.contacts = result.size();
    r.peakKb = peakKb();
    return r;
}

// The peak above what the process held before, in MB.
template <typename F> Reading measured(F f)
{
    ::malloc_trim(0);
    const long before = Bench::residentKb();
    resetPeak();
    Reading r = f();
    r.peakKb -= before;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    ScratchDesktop desktop(argc, argv);
    const std::string dir = Bench::scratchDir();
    const std::string file = dir + "/contacts.csv";
    std::size_t size = 0;
    {
        const std::string text = makeCsv(std::size_t(100) << 20);
        size = text.size();
        Bench::writeFile(file, std::vector<char>(text.begin(), text.end()), false);
    }
    const double readTime = Bench::best(3, [&] {
        if (Bench::readFile(file).size() != size)
            std::fprintf(stderr, "short read\n");
    });

    // The model alone, now and the way it went before, in the same run.
    const Reading before = measured([&] { return readBefore(file); });
    const Reading now = measured([&] { return readNow(file); });
    ::malloc_trim(0);

    const std::unique_ptr<CMainFrame> frame = ScratchDesktop::showBook(0);
    CVOK_AddressDoc& doc = *frame->document();

    // The user's part: the preview and the summary accepted as they come; meanwhile the
    // longest wait between two turns of the window's events.
    QElapsedTimer clock;
    double toPreview = -1;
    qint64 lastTurn = 0;
    qint64 longestWait = 0;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestWait = std::max(longestWait, now - lastTurn);
        lastTurn = now;
        QWidget* shown = QApplication::activeModalWidget();
        if (auto* preview = qobject_cast<CsvImportDialog*>(shown)) {
            if (toPreview < 0)
                toPreview = double(now) / 1000;
            preview->accept();
        } else if (auto* summary = qobject_cast<ImportSummaryDialog*>(shown)) {
            summary->accept();
        }
    });

    const long start = Bench::residentKb();
    const bool peakReset = resetPeak();
    clock.start();
    user.start(10);
    const bool imported = FileImport::ImportFile(frame.get(), doc, QString::fromStdString(file));
    const double total = double(clock.elapsed()) / 1000;
    user.stop();
    const long peak = peakKb();
    const long after = Bench::residentKb();

    const double mb = double(size) / (1 << 20);
    const double peakMb = double(peak - start) / 1024;
    std::printf("Import of a %.0f MB CSV of another program (%zu contacts)%s\n", mb,
                doc.records().size(), imported ? "" : ": FAILED");
    std::printf("  read the file              %7.2f s (the reference)\n", readTime);
    std::printf("  until the preview shows    %7.2f s = %5.1fx the read\n", toPreview,
                toPreview / readTime);
    std::printf("  the whole import           %7.2f s = %5.1fx the read\n", total,
                total / readTime);
    std::printf("  longest wait of the window %7.2f s\n", double(longestWait) / 1000);
    if (peakReset)
        std::printf("  peak memory of the import  %7.0f MB = %4.1fx the file (goal < 3x: %s)\n",
                    peakMb, peakMb / mb, Bench::verdict(peakMb < 3 * mb));
    else
        std::printf("  peak memory: this system cannot reset the peak (/proc/self/clear_refs)\n");
    std::printf("  memory kept by the book    %7.0f MB = %4.1fx the file\n",
                double(after - start) / 1024, double(after - start) / 1024 / mb);

    std::printf("The model alone: reading the file into contacts (%zu, %zu)\n", now.contacts,
                before.contacts);
    const auto row = [&](const char* what, const Reading& r) {
        std::printf("  %-28s preview after %5.2f s, contacts after %5.2f s, peak %4.0f MB = "
                    "%4.1fx the file\n",
                    what, r.toPreview, r.toContacts, double(r.peakKb) / 1024,
                    double(r.peakKb) / 1024 / mb);
    };
    row("now (the bytes tokenised)", now);
    row("before (decoded copies)", before);

    std::remove(file.c_str());
    ::rmdir(dir.c_str());
    return 0;
}
