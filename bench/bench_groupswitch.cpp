// A group switch in the tree: the list emptied, filled with the group's contacts, its column
// widths applied and its sort re-applied. Printed beside a plain std::sort of the same strings
// (the sorted column's texts) measured in the same run.

#include "AddressBookGenerator.h"
#include "ScratchDesktop.h"
#include "app/CMainFrame.h"
#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"

#include <QApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

template <typename F> double median(int runs, F f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i)
        t.push_back(f());
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

QTreeWidgetItem* child(CGroupTree* tree, const QString& label)
{
    QTreeWidgetItem* root = tree->rootItem();
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == label)
            return root->child(i);
    }
    return root;
}

} // namespace

int main(int argc, char** argv)
{
    ScratchDesktop desktop(argc, argv);

    std::printf("%-8s %14s %14s %16s %18s %7s\n", "contacts", "to root ms", "to group ms",
                "root+paint ms", "std::sort same ms", "ratio");
    for (std::size_t n : {1000u, 10000u, 100000u}) {
        const std::unique_ptr<CMainFrame> window = ScratchDesktop::showBook(n);
        CMainFrame& frame = *window;
        CGroupTree* tree = frame.groupTree();
        CAddressList* list = frame.addressList();
        QTreeWidgetItem* root = tree->rootItem();
        QTreeWidgetItem* business = child(tree, QStringLiteral("Business"));

        const double toRoot = median(5, [&] {
            tree->setCurrentItem(business);
            const auto t0 = Clock::now();
            tree->setCurrentItem(root);
            return ms(Clock::now() - t0);
        });
        const double toGroup = median(5, [&] {
            tree->setCurrentItem(root);
            const auto t0 = Clock::now();
            tree->setCurrentItem(business);
            return ms(Clock::now() - t0);
        });
        const double withPaint = median(3, [&] {
            tree->setCurrentItem(business);
            QApplication::processEvents();
            const auto t0 = Clock::now();
            tree->setCurrentItem(root);
            list->viewport()->repaint();
            QApplication::processEvents();
            return ms(Clock::now() - t0);
        });
        // The reference: the texts of the sorted column (mail addresses by default), sorted
        // plainly.
        const double plain = median(5, [&] {
            std::vector<std::string> texts;
            texts.reserve(n);
            for (const auto& r : frame.document()->records())
                texts.emplace_back(r->email());
            const auto t0 = Clock::now();
            std::sort(texts.begin(), texts.end());
            return ms(Clock::now() - t0);
        });
        std::printf("%-8zu %14.2f %14.2f %16.2f %18.2f %7.2f\n", n, toRoot, toGroup, withPaint,
                    plain, toRoot / plain);
        // Where a switch to the root spends its time.
        std::vector<AddressRecord*> all;
        for (const auto& r : frame.document()->records())
            all.push_back(r.get());
        auto step = [](auto f) {
            const auto t0 = Clock::now();
            f();
            return ms(Clock::now() - t0);
        };
        const double clear = step([&] { list->DeleteAllRows(); });
        const double fill = step([&] { list->AddRecordRows(all); });
        const double widths = step([&] { list->ApplyColumnWidths(); });
        const double sort = step([&] { list->SortByColumn(99); });
        std::printf("         steps: clear %.2f, fill %.2f, widths %.2f, sort %.2f ms\n", clear,
                    fill, widths, sort);
        // The last switch went to the root: every contact must be listed.
        if (list->model()->rowCount() != static_cast<int>(n))
            return 1;
        frame.document()->DeleteAllRecords();
    }
    return 0;
}
