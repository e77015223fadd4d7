// How long the window stops answering: the longest lateness of a 5 ms timer on the interface
// thread through each step a user takes with 100,000 contacts, beside the step's own time
// (from the gesture until its work is done, the work on other threads included): the start
// after the window shows (until the book is in, the guessed readings too and the list
// re-sorted), the first Ctrl+F and a word typed at once (until its rows show), sorting by 名前,
// an import of 10,000 vCards with readings through the import command, an import of 5,000 of
// which most are in the book already, all merged (すべて統合する), beside one of 5,000 new
// contacts, and its Ctrl+Z, and a background save.
//
//   bench_stall [CONTACTS] [IMPORTED] [MERGED]
//       IMPORTED: the vCards of the import (10,000); a user moving in brings 60,000 or more
//       MERGED: the vCards of the merging import (5,000), nine in ten of them in the book
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "ScratchDesktop.h"
#include "app/CMainFrame.h"
#include "core/AutoSave.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "core/DataLocation.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/exchange/vcard/VCardWriter.h"
#include "model/search/ReadingDictionary.h"
#include "model/storage/AddressFile.h"
#include "model/text/Cp932.h"
#include "resource.h"
#include "ui/common/CommandTable.h"
#include "ui/exchange/DuplicateImportDialog.h"
#include "ui/exchange/FileImport.h"
#include "ui/list/CAddressList.h"
#include "ui/list/SearchField.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

// The lateness of a timer that wants to run every 5 ms.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_worst = std::max(m_worst, double(now - m_last) * 1e-6 - 5.0);
            m_last = now;
        });
    }
    void start()
    {
        m_worst = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    // Also counts the time since the last tick, in case the step ended inside a stall.
    double stop()
    {
        m_worst = std::max(m_worst, double(m_clock.nsecsElapsed() - m_last) * 1e-6 - 5.0);
        m_timer.stop();
        return std::max(0.0, m_worst);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    double m_worst = 0;
};

struct Figure
{
    double ms = 0;
    double stall = 0;
    bool done = false;
};

// Runs the gesture from the event loop and lets the loop run until done() says so.
Figure measure(StallWatch& watch, const std::function<void()>& gesture,
               const std::function<bool()>& done, int limitMs = 60000)
{
    Figure f;
    watch.start();
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, gesture);
    while (clock.elapsed() < limitMs) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (clock.elapsed() > 0 && done()) {
            f.done = true;
            break;
        }
    }
    f.ms = double(clock.nsecsElapsed()) * 1e-6;
    f.stall = watch.stop();
    return f;
}

void print(const char* step, const Figure& f)
{
    std::printf("%-44s %10.1f %12.1f %s\n", step, f.ms, f.stall,
                f.done ? Bench::verdict(f.stall <= 50) : "NOT DONE");
    std::fflush(stdout);
}

void click(QWidget* dialog, const char* name)
{
    if (auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name)))
        button->click();
}

// While on, contacts found in the book are all merged (すべて統合する) rather than as proposed.
bool s_mergeAll = false;

// Accepts the import's dialogs as soon as they show.
void acceptDialogs()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (s_mergeAll && qobject_cast<DuplicateImportDialog*>(modal)) {
        click(modal, "mergeAllButton");
        click(modal, "importButton");
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->accept();
    }
}

void writeCards(const QString& path, const std::vector<const AddressRecord*>& list)
{
    // With readings, as a book exported from here or a telephone's has them.
    const ReadingDictionary dictionary;
    VCardWriter::write(QFile::encodeName(path).toStdString(), list, VCardWriter::Version::V30,
                       [&dictionary](const AddressRecord& r) {
                           return dictionary.guess(Cp932::toUtf8(r.name()));
                       });
}

} // namespace

int main(int argc, char** argv)
{
    ScratchDesktop desktop(argc, argv);
    const std::size_t contacts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const std::size_t imported = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10000;
    const std::size_t merging = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 5000;
    const QString fresh = QDir::tempPath() + QStringLiteral("/vok-bench-stall-new.vcf");
    const QString known = QDir::tempPath() + QStringLiteral("/vok-bench-stall-known.vcf");
    std::size_t inBook = 0;
    {
        RecordList book;
        AddressBookGenerator generator;
        generator.setCommonNames(true);
        generator.fill(book, contacts);
        if (AddressFile::Save(QFile::encodeName(DataLocation::addressFilePath()).toStdString(),
                              book) != AddressFile::Status::Ok) {
            std::fprintf(stderr, "cannot write the book\n");
            return 1;
        }
        // Contacts of the book as a telephone gives them back with a mobile number added, spread
        // over the book, and a tenth of new people; beside as many new people alone.
        RecordList others;
        AddressBookGenerator strangers(11);
        strangers.setCommonNames(true);
        strangers.fill(others, 2 * merging);
        // Their own mail and mobile: the generator's would be some in the book's.
        for (const auto& r : others) {
            for (const int field : {AddressRecord::Email, AddressRecord::OfficeEmail}) {
                if (!r->field(field).empty())
                    r->setField(field, "new" + std::string(r->field(field)));
            }
            std::string mobile(r->field(AddressRecord::MobilePhone));
            if (!mobile.empty())
                r->setField(AddressRecord::MobilePhone, mobile.replace(0, 3, "080"));
        }
        std::vector<std::unique_ptr<AddressRecord>> copies;
        std::vector<const AddressRecord*> mixed;
        std::vector<const AddressRecord*> unknown;
        const std::size_t wanted = merging - merging / 10;
        const std::size_t step =
            std::max<std::size_t>(1, book.size() / std::max<std::size_t>(1, 2 * wanted));
        for (std::size_t i = 0; i < book.size() && copies.size() < wanted; i += step) {
            const AddressRecord* r = book.at(i);
            if (!r->field(AddressRecord::MobilePhone).empty())
                continue;
            auto copy = std::make_unique<AddressRecord>(*r);
            char mobile[32];
            std::snprintf(mobile, sizeof mobile, "090-%04zu-%04zu", i / 10000, i % 10000);
            copy->setField(AddressRecord::MobilePhone, mobile);
            copy->setUid({});
            copies.push_back(std::move(copy));
        }
        inBook = copies.size();
        for (const auto& c : copies)
            mixed.push_back(c.get());
        for (std::size_t i = 0; i < others.size(); ++i)
            (i < merging - inBook ? mixed : unknown).push_back(others.at(i));
        unknown.resize(std::min(unknown.size(), merging));
        writeCards(known, mixed);
        writeCards(fresh, unknown);
    }
    // Other people, for the import.
    const QString cards = QDir::tempPath() + QStringLiteral("/vok-bench-stall.vcf");
    {
        RecordList others;
        AddressBookGenerator generator(7);
        generator.setCommonNames(true);
        generator.fill(others, imported);
        std::vector<const AddressRecord*> list;
        for (const auto& r : others)
            list.push_back(r.get());
        writeCards(cards, list);
    }

    StallWatch watch;
    std::printf("%zu contacts; the longest stall of the interface thread (a 5 ms timer's "
                "lateness) in each step\n",
                contacts);
    std::printf("%-44s %10s %12s %s\n", "step", "step ms", "stall ms", "goal: stall <= 50 ms");

    // A fresh profile: no guesses kept, sorted by name.
    QFile::remove(DataLocation::guessCachePath());
    auto frame = std::make_unique<CMainFrame>();
    frame->resize(1000, 700);
    frame->show();
    CAddressList* list = frame->addressList();
    ContactFinder& finder = frame->document()->finder();
    // The start itself, up to the shown window, is bench_start's; from here on it must answer.
    const auto nothing = [] {};
    print("start: window shown until rows in, readings sorted in", measure(watch, nothing, [&] {
              return !frame->document()->loading() && !finder.isGuessing() &&
                     !list->readingsPending();
          }));

    const auto find = [&] {
        frame->commands()->action(ID_EDIT_FIND)->trigger();
        for (const char* k : {"や", "ま", "だ"}) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8(k));
            QApplication::sendEvent(frame->searchField(), &key);
        }
    };
    print("first Ctrl+F, やまだ typed at once, rows shown", measure(watch, find, [&] {
              return finder.isReady() && list->model()->rowCount() < int(contacts);
          }));
    frame->searchField()->clear();
    QApplication::processEvents();

    QHeaderView* header = list->horizontalHeader();
    for (const char* label : {"sort by 名前 (the header clicked)", "sort by 名前 again (reversed)"})
        print(label, measure(
                         watch, [&] { emit header->sectionClicked(0); }, [] { return true; }));

    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &acceptDialogs);
    closer.start(20);
    const int before = int(frame->document()->records().size());
    const auto import = [&] { FileImport::ImportFile(frame.get(), *frame->document(), cards); };
    const auto isIn = [&] {
        return int(frame->document()->records().size()) > before &&
               !QApplication::activeModalWidget() && !finder.isGuessing() && finder.isReady() &&
               !list->readingsPending();
    };
    char label[64];
    std::snprintf(label, sizeof label, "import of %zu vCards", imported);
    print(label, measure(watch, import, isIn, 300000));

    // The same size, new people alone; then most of them in the book, all merged.
    for (const bool merged : {false, true}) {
        const QString& path = merged ? known : fresh;
        const std::uint64_t revision = frame->document()->revision();
        const auto run = [&] { FileImport::ImportFile(frame.get(), *frame->document(), path); };
        const auto over = [&] {
            return frame->document()->revision() != revision &&
                   !QApplication::activeModalWidget() && !finder.isGuessing() && finder.isReady() &&
                   !list->readingsPending();
        };
        if (merged)
            std::snprintf(label, sizeof label, "import of %zu vCards, %zu merged", merging, inBook);
        else
            std::snprintf(label, sizeof label, "import of %zu vCards, all new", merging);
        s_mergeAll = merged;
        print(label, measure(watch, run, over, 300000));
        s_mergeAll = false;
    }
    closer.stop();
    const std::size_t withImports = frame->document()->records().size();
    // Ctrl+Z of the book, not of the search field's text.
    QApplication::setActiveWindow(frame.get());
    list->setFocus();
    QApplication::processEvents();
    const auto undo = [&] { frame->commands()->action(ID_EDIT_UNDO)->trigger(); };
    print("Ctrl+Z of the merging import", measure(watch, undo, [&] {
              return frame->document()->records().size() < withImports && finder.isReady() &&
                     !list->readingsPending();
          }));

    AutoSave* save = frame->autoSave();
    bool saved = false;
    QObject::connect(save, &AutoSave::saveFinished, [&saved](bool) { saved = true; });
    QApplication::processEvents();
    const auto waitSaved = [&] {
        saved = false;
        measure(watch, nothing, [&] { return saved || !save->hasUnsavedChanges(); });
    };
    waitSaved(); // the import's own save
    const auto change = [&] {
        AddressRecord* r = frame->document()->records().at(contacts / 2);
        AddressRecord value = *r;
        value.setField(AddressRecord::Memo, "changed");
        saved = false;
        frame->document()->ChangeRecord(r, value);
    };
    print("autosave after one change", measure(watch, change, [&] { return saved; }));
    for (const QString& path : {cards, fresh, known})
        QFile::remove(path);
    frame.reset();
    return 0;
}
