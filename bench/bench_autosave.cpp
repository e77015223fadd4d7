// One background save of the book: what it costs the interface thread (the copy, and the
// longest the event loop stood still while the save ran) beside the whole save's time on its
// worker, and beside plain durable I/O of the same bytes.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "core/AutoSave.h"
#include "core/CVOK_AddressDoc.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

struct Run
{
    double copyMs = 0;  // the snapshot, on the interface thread
    double stallMs = 0; // the longest gap between event-loop turns during the save
    double saveMs = 0;  // the worker's write: encode, write, flush, rename
};

// One change, then the save it brings, timed from inside the event loop.
Run saveOnce(CVOK_AddressDoc& doc, AutoSave& saver, int serial)
{
    AddressRecord value = *doc.records().at(0);
    value.setField(AddressRecord::Memo, "bench " + std::to_string(serial));
    doc.ChangeRecord(doc.records().at(0), value);

    Run run;
    QEventLoop loop;
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    QObject::connect(&saver, &AutoSave::saveFinished, &loop, &QEventLoop::quit);
    sinceTick.start();
    ticker.start();
    loop.exec();
    run.copyMs = double(saver.lastCopyNs()) / 1e6;
    run.saveMs = double(saver.lastSaveNs()) / 1e6;
    run.stallMs = double(longest) / 1e6;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string dir = Bench::scratchDir();
    const QString path = QString::fromStdString(dir) + QStringLiteral("/Address.vok");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString(dir) + "/config"));
    bool allOk = true;

    std::printf("One background save: interface-thread time beside the whole save (median of "
                "runs, ms)\n");
    std::printf("%9s %9s | %8s %9s | %9s %10s | %8s\n", "contacts", "file MB", "copy", "UI stall",
                "save", "plain I/O", "UI share");
    for (const std::size_t count : {1000u, 10000u, 100000u}) {
        CVOK_AddressDoc doc;
        QFile::remove(path);
        doc.LoadAddressFile(path);
        {
            RecordList generated;
            AddressBookGenerator().fill(generated, count);
            doc.ImportRecords(generated.TakeRecords());
        }
        AutoSave saver(&doc);
        saver.setDelays(0, 0);
        saver.SaveNow(); // the file exists, as in a running program
        const int runs = count >= 100000 ? 5 : 9;
        std::vector<Run> results;
        for (int i = 0; i < runs; ++i)
            results.push_back(saveOnce(doc, saver, i));
        auto median = [&](double Run::*field) {
            std::vector<double> v;
            for (const Run& r : results)
                v.push_back(r.*field);
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        const double copy = median(&Run::copyMs);
        const double stall = median(&Run::stallMs);
        const double save = median(&Run::saveMs);
        const std::vector<char> bytes = Bench::readFile(path.toStdString());
        const double plain =
            Bench::best(3, [&] { Bench::writeFile(dir + "/plain.vok", bytes, true); }) * 1000;
        const bool ok = stall <= 30;
        allOk = allOk && ok;
        std::printf("%9zu %9.1f | %8.2f %9.2f | %9.1f %10.1f | %7.1f%% %s\n", count,
                    double(bytes.size()) / 1e6, copy, stall, save, plain,
                    100.0 * stall / (stall + save), Bench::verdict(ok));
    }
    std::printf("goal: the interface thread busy at most 30 ms per save with 100,000 contacts\n");
    std::remove((dir + "/plain.vok").c_str());
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".bak"));
    std::printf("%s\n", allOk ? "all goals met" : "SOME GOALS MISSED");
    return 0;
}
