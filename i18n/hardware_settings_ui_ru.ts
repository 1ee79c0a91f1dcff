<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>MainWindow</name>
    <message>
        <source>Kestrix hardware settings UI</source>
        <translation>Настройка оборудования Kestrix</translation>
    </message>
    <message>
        <source>Reboot device</source>
        <translation>Перезагрузить устройство</translation>
    </message>
    <message>
        <source>Read settings</source>
        <translation>Прочитать настройки</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>Сохранить настройки</translation>
    </message>
    <message>
        <source>Target device is not selected or was disconnected!</source>
        <translation>Устройство не выбрано или было отключено!</translation>
    </message>
</context>
</TS>
