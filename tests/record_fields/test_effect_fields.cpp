// The effect settings record's field table and the effect panel bound to it: every field
// bound, and every byte read and written as the table says.

#include "effect_settings_record.h"
#include "form_ranges.h"
#include "premium_effect_settings_widget.h"

#include <QtTest>

#include <random>

class EffectFieldsTest : public QObject
{
    Q_OBJECT

private slots:
    void tableCoversTheRecord();
    void everyFieldIsBound();
    void panelReadsAndWritesAsTheTable();
};

void EffectFieldsTest::tableCoversTheRecord()
{
    std::vector<int> carried = {EFFECT_CARRIED_BYTE};
    for (int i = EFFECT_CARRIED_TAIL; i < EFFECT_SETTINGS_RECORD_SIZE; ++i)
        carried.push_back(i);
    checkTableCoversRecord(effectSettingsTable(), carried);
}

void EffectFieldsTest::everyFieldIsBound()
{
    PremiumEffectSettingsWidget panel;
    checkFormBinding(effectSettingsTable(), &panel, {&panel});
}

// Any bytes the wheel may hold, loaded into the panel and stored back, come out as the
// table writes what it reads.
void EffectFieldsTest::panelReadsAndWritesAsTheTable()
{
    PremiumEffectSettingsWidget panel;
    const RecordTable &table = effectSettingsTable();
    std::mt19937 random(1218);
    for (int round = 0; round < 200; ++round) {
        std::vector<unsigned char> offered(EFFECT_SETTINGS_RECORD_SIZE);
        for (unsigned char &b : offered)
            b = random() % 3 == 0 ? uint8_t(random()) : uint8_t(random() % 50);
        std::vector<unsigned char> stored = offered;
        panel.loadSettings(offered.data());
        panel.storeSettings(stored.data());

        std::vector<unsigned char> expected = offered;
        for (const RecordField &field : table.fields)
            field.write(field.read(offered.data()), expected.data());
        QCOMPARE(stored, expected);
    }
}

QTEST_MAIN(EffectFieldsTest)
#include "test_effect_fields.moc"
