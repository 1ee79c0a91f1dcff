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
</context>
<context>
    <name>PremiumEffectSettingsWidget</name>
    <message>
        <source>Invert constant force</source>
        <translation>Инвертировать постоянную силу</translation>
    </message>
    <message>
        <source>Motion range (degrees)</source>
        <translation>Диапазон вращения (градусы)</translation>
    </message>
</context>
</TS>
