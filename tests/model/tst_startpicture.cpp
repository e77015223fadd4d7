#include "TestEnv.h"
#include "model/storage/StartPicture.h"

#include <fstream>

// The kept pixels come back exactly, whatever runs of one colour they hold; a file whose pixels
// were damaged is no picture at all.
class TestStartPicture : public QObject
{
    Q_OBJECT
private slots:
    void pixelsComeBack_data();
    void pixelsComeBack();
};

void TestStartPicture::pixelsComeBack_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QList<int>>("runs"); // lengths of stretches of one colour, in turn
    QTest::addColumn<int>("damagedAt");   // a byte from the end to flip; 0 for none
    QTest::newRow("one pixel") << 1 << 1 << QList<int>{1} << 0;
    QTest::newRow("one colour") << 64 << 32 << QList<int>{64 * 32} << 0;
    QTest::newRow("every pixel another") << 7 << 3 << QList<int>(21, 1) << 0;
    QTest::newRow("runs of two and three, as text edges make")
        << 10 << 2 << QList<int>{2, 3, 2, 2, 3, 3, 1, 2, 2} << 0;
    QTest::newRow("short stretch at the end") << 5 << 4 << QList<int>{17, 1, 2} << 0;
    QTest::newRow("a pixel damaged") << 16 << 16 << QList<int>{100, 1, 1, 154} << 20;
}

void TestStartPicture::pixelsComeBack()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QList<int>, runs);
    QFETCH(int, damagedAt);
    StartPicture picture;
    picture.totalRows = 1;
    picture.pixels.width = std::uint32_t(width);
    picture.pixels.height = std::uint32_t(height);
    picture.pixels.look = "Fusion|DejaVu Sans";
    std::uint32_t colour = 0xffffffffu;
    for (int run : runs) {
        picture.pixels.data.insert(picture.pixels.data.end(), std::size_t(run), colour);
        colour = colour * 2654435761u + 0x1234567u; // never the same twice in a row here
    }
    QCOMPARE(picture.pixels.data.size(), std::size_t(width) * std::size_t(height));
    const std::string path = TestEnv::root().toStdString() + "/StartPicture";
    QVERIFY(StartPicture::Save(path, picture));
    if (damagedAt > 0) {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(-damagedAt, std::ios::end);
        const char byte = char(file.get() ^ 0x01);
        file.seekp(-damagedAt, std::ios::end);
        file.put(byte);
    }
    const std::optional<StartPicture> back = StartPicture::Load(path);
    QCOMPARE(back.has_value(), damagedAt == 0);
    if (!back)
        return;
    QCOMPARE(back->pixels.width, picture.pixels.width);
    QCOMPARE(back->pixels.height, picture.pixels.height);
    QCOMPARE(back->pixels.look, picture.pixels.look);
    QVERIFY(back->pixels.data == picture.pixels.data);
}

VOK_TEST_APPLESS_MAIN(TestStartPicture)
#include "tst_startpicture.moc"
