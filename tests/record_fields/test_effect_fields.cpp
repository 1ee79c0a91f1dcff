// The effect settings record's field table and the effect panel bound to it: every field
// bound.

#include "effect_settings_record.h"
#include "form_ranges.h"
#include "premium_effect_settings_widget.h"

#include <QtTest>

class EffectFieldsTest : public QObject
{
    Q_OBJECT

private slots:
    void tableCoversTheRecord();
    void everyFieldIsBound();
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

QTEST_MAIN(EffectFieldsTest)
#include "test_effect_fields.moc"
