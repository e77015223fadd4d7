#include "TestEnv.h"
#include "settings/PrintSettings.h"
#include "settings/RegistryKey.h"
#include "settings/SenderSettings.h"
#include "settings/SettingsValue.h"

#include <QFile>

Q_DECLARE_METATYPE(PrintSettings::Sheet)

namespace QTest {
template <> char* toString(const PrintSettings::Sheet& s)
{
    return qstrdup(QStringLiteral("%1 %2 %3 %4 %5 %6")
                       .arg(s.leftMm)
                       .arg(s.topMm)
                       .arg(s.widthMm)
                       .arg(s.heightMm)
                       .arg(s.pitchXMm)
                       .arg(s.pitchYMm)
                       .toLatin1()
                       .constData());
}
} // namespace QTest

// The print settings and the sender as the store keeps them between runs.
class TestPrintSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { QFile::remove(RegistryKey::storePath()); }

    void sheetsKeepTenthsOfMillimetres_data()
    {
        QTest::addColumn<PrintSettings::Sheet>("saved");
        QTest::addColumn<PrintSettings::Sheet>("loaded");
        QTest::newRow("tenths stay") << PrintSettings::Sheet{19.6, 20.1, 86.0, 42.5, 86.5, 42.5}
                                     << PrintSettings::Sheet{19.6, 20.1, 86.0, 42.5, 86.5, 42.5};
        QTest::newRow("hundredths round")
            << PrintSettings::Sheet{18.64, 21.65, 86.44, 42.26, 86.4, 42.3}
            << PrintSettings::Sheet{18.6, 21.7, 86.4, 42.3, 86.4, 42.3};
        QTest::newRow("no negative margin")
            << PrintSettings::Sheet{-2.0, -0.5, 70.0, 33.9, 70.0, 33.9}
            << PrintSettings::Sheet{0.0, 0.0, 70.0, 33.9, 70.0, 33.9};
    }

    void sheetsKeepTenthsOfMillimetres()
    {
        QFETCH(PrintSettings::Sheet, saved);
        QFETCH(PrintSettings::Sheet, loaded);
        PrintSettings settings;
        settings.label12 = saved;
        settings.label24 = saved;
        settings.save();
        const PrintSettings back = PrintSettings::load();
        QCOMPARE(back.label12, loaded);
        QCOMPARE(back.label24, loaded);
    }

    void choicesRoundTripAndUnknownOnesFallBack_data()
    {
        QTest::addColumn<quint32>("layout");
        QTest::addColumn<quint32>("numerals");
        QTest::addColumn<int>("loadedLayout");
        QTest::addColumn<int>("loadedNumerals");
        QTest::newRow("24 labels, upright")
            << 2u << 2u << int(PrintSettings::Label24) << int(PrintSettings::Upright);
        QTest::newRow("12 labels, 一〇")
            << 1u << 1u << int(PrintSettings::Label12) << int(PrintSettings::KanjiZero);
        QTest::newRow("unknown numbers")
            << 3u << 0xFFFFFFFFu << int(PrintSettings::Postcard) << int(PrintSettings::KanjiTen);
    }

    void choicesRoundTripAndUnknownOnesFallBack()
    {
        QFETCH(quint32, layout);
        QFETCH(quint32, numerals);
        QFETCH(int, loadedLayout);
        QFETCH(int, loadedNumerals);
        SettingsValue::write(SettingsKeys::Layout, layout);
        SettingsValue::write(SettingsKeys::Numerals, numerals);
        const PrintSettings loaded = PrintSettings::load();
        QCOMPARE(loaded.layout, loadedLayout);
        QCOMPARE(loaded.numerals, loadedNumerals);
    }

    void senderKeepsLinesAndJapanese()
    {
        SenderSettings sender;
        sender.name = QStringLiteral("鈴木　一郎");
        sender.postalCode = QStringLiteral("231-0062");
        sender.address = QStringLiteral("神奈川県横浜市中区桜木町1-1\nみなとビル＝101号");
        sender.save();
        const SenderSettings back = SenderSettings::load();
        QCOMPARE(back.name, sender.name);
        QCOMPARE(back.postalCode, sender.postalCode);
        QCOMPARE(back.address, sender.address);
    }
};

VOK_TEST_CORE_MAIN(TestPrintSettings)
#include "tst_printsettings.moc"
