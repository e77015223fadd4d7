#include "TestEnv.h"
#include "model/book/RecordSlots.h"

#include <random>
#include <unordered_map>

class TestRecordSlots : public QObject
{
    Q_OBJECT
private slots:
    void agreesWithAMap();
};

// Insertions, changes and removals in a random order; every record is looked up after each
// step, so that a removal that breaks a probe run shows at once.
void TestRecordSlots::agreesWithAMap()
{
    std::vector<char> arena(64 * 1024);
    auto record = [&](std::size_t i) {
        return reinterpret_cast<const AddressRecord*>(arena.data() + i * 16);
    };
    std::mt19937 random(7);
    RecordSlots table;
    std::unordered_map<const AddressRecord*, std::uint32_t> expected;
    for (std::uint32_t step = 0; step < 3000; ++step) {
        const AddressRecord* r = record(random() % 600);
        if (random() % 3 == 0) {
            table.erase(r);
            expected.erase(r);
        } else {
            table.set(r, step);
            expected[r] = step;
        }
        QCOMPARE(table.size(), expected.size());
        if (step % 50 == 0) {
            for (std::size_t i = 0; i < 600; ++i) {
                const auto it = expected.find(record(i));
                QCOMPARE(table.find(record(i)),
                         it == expected.end() ? RecordSlots::None : it->second);
            }
        }
    }
    table.clear();
    QCOMPARE(table.find(record(1)), RecordSlots::None);
}

VOK_TEST_APPLESS_MAIN(TestRecordSlots)
#include "tst_recordslots.moc"
