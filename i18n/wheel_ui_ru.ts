<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>MainWindow</name>
    <message>
        <source>Reboot device</source>
        <translation>Перезагрузить устройство</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>Сохранить настройки</translation>
    </message>
    <message>
        <source>Profiles</source>
        <translation>Профили</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>Kestrix hardware settings UI</source>
        <translation>Настройка оборудования Kestrix</translation>
    </message>
</context>
<context>
    <name>PremiumEffectSettingsWidget</name>
    <message>
        <source>Invert constant force</source>
        <translation>Инвертировать постоянную силу</translation>
    </message>
    <message>
        <source>Motion range (degrees)</source>
        <translation>Диапазон поворота (градусы)</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <source>Motion range (degrees) slider</source>
        <translation>Диапазон поворота (градусы), ползунок</translation>
    </message>
    <message>
        <source>Total effect scale (%)</source>
        <translation>Общая сила эффектов (%)</translation>
    </message>
    <message>
        <source>Total effect scale (%) slider</source>
        <translation>Общая сила эффектов (%), ползунок</translation>
    </message>
    <message>
        <source>Total effect smoothing (%)</source>
        <translation>Общее сглаживание эффектов (%)</translation>
    </message>
    <message>
        <source>Total effect smoothing (%) slider</source>
        <translation>Общее сглаживание эффектов (%), ползунок</translation>
    </message>
    <message>
        <source>Direct X spring gain (%)</source>
        <translation>DirectX: пружина (%)</translation>
    </message>
    <message>
        <source>Direct X spring gain (%) slider</source>
        <translation>DirectX: пружина (%), ползунок</translation>
    </message>
    <message>
        <source>Direct X constant gain (%)</source>
        <translation>DirectX: постоянная сила (%)</translation>
    </message>
    <message>
        <source>Direct X constant gain (%) slider</source>
        <translation>DirectX: постоянная сила (%), ползунок</translation>
    </message>
    <message>
        <source>Direct X periodic gain (%)</source>
        <translation>DirectX: периодические эффекты (%)</translation>
    </message>
    <message>
        <source>Direct X periodic gain (%) slider</source>
        <translation>DirectX: периодические эффекты (%), ползунок</translation>
    </message>
    <message>
        <source>Soft stop gain (%)</source>
        <translation>Мягкий упор: сила (%)</translation>
    </message>
    <message>
        <source>Soft stop gain (%) slider</source>
        <translation>Мягкий упор: сила (%), ползунок</translation>
    </message>
    <message>
        <source>Soft stop range (degrees)</source>
        <translation>Мягкий упор: зона (градусы)</translation>
    </message>
    <message>
        <source>Soft stop range (degrees) slider</source>
        <translation>Мягкий упор: зона (градусы), ползунок</translation>
    </message>
    <message>
        <source>Dampening gain (unitless)</source>
        <translation>Демпфирование (без единиц)</translation>
    </message>
    <message>
        <source>Dampening gain (unitless) slider</source>
        <translation>Демпфирование (без единиц), ползунок</translation>
    </message>
</context>
<context>
    <name>ProfileWidget</name>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Профиль</translation>
    </message>
    <message>
        <source>Save profile</source>
        <translation>Сохранить профиль</translation>
    </message>
    <message>
        <source>Delete profile</source>
        <translation>Удалить профиль</translation>
    </message>
</context>
</TS>
