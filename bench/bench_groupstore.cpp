// New groups stored as an import or a sync stores them (three at a time, into a profile that
// has forty): how long the interface thread is held, beside the whole write of the settings file
// (read, rewritten and flushed to disk) in the same run, which is what it was held for while it
// wrote the file itself.
#include "BenchUtil.h"
#include "ScratchDesktop.h"
#include "settings/GroupStore.h"

#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

QStringList newGroups(int round, char kind)
{
    QStringList names;
    for (int i = 0; i < 3; ++i)
        names << QStringLiteral("取引先%1%2%3").arg(round).arg(QChar(kind)).arg(i);
    return names;
}

void report(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("  %-40s median %6.2f ms  longest %6.2f ms\n", what, times[times.size() / 2],
                times.back());
}

} // namespace

int main(int argc, char** argv)
{
    ScratchDesktop desktop(argc, argv);
    QStringList profile;
    for (int i = 0; i < 40; ++i)
        profile << QStringLiteral("グループ%1").arg(i);
    GroupStore::addAll(profile);
    GroupStore::waitForWrites();

    const int rounds = 21;
    std::vector<double> held;
    std::vector<double> whole;
    for (int round = 0; round < rounds; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        GroupStore::addAll(newGroups(round, 'a'));
        held.push_back(ms(t0));
        GroupStore::waitForWrites();

        t0 = std::chrono::steady_clock::now();
        GroupStore::addAll(newGroups(round, 'b'));
        GroupStore::waitForWrites();
        whole.push_back(ms(t0));
    }
    if (GroupStore::load().size() != profile.size() + 6 * rounds)
        std::fprintf(stderr, "groups lost\n");
    std::printf("Storing three new groups, %d times:\n", rounds);
    report("the interface thread held", held);
    report("the write of the settings (reference)", whole);
    return 0;
}
